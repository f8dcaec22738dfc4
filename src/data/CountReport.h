#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace pusla {

class PathMapper;
class RegionalFormat;
class Recordset;

/// The count difference report that closing the program leaves for the shop:
/// a text file per branch or account in the report folder, one block
/// appended per closing. In count mode the working list's `KalanB` is the
/// shortfall and `KalanA` the surplus, hence the headings "Eksik" and "Fazla".
class CountReport
{
public:
    CountReport(const PathMapper &paths, const RegionalFormat &formats);

    /// The local report folder (`C:\MuhasebeData`); empty when this machine
    /// has no such drive.
    QString folder() const;
    /// The local report file of a branch or account title: the folder, the
    /// title made safe as a file name, ".txt". Empty without a folder.
    QString fileFor(const QString &title) const;

    /// One block: the general date-time line, " ", the heading, a line per
    /// record of `lines` in the set's order (`KalanB` and `KalanA` right-aligned
    /// in ten characters, longer ones whole, a null as an empty field; two
    /// blanks; the name as stored), " ". Each line ends in CR LF; the text is
    /// in the platform's encoding. Throws DbError when a row cannot be read.
    QByteArray block(const Recordset &lines, const QDateTime &moment) const;

    /// Appends `block` to the report of `title`, making the folder when it is
    /// missing. A write that stops part-way is taken back, so the report keeps
    /// whole blocks only. Returns why it failed; empty when written.
    QString append(const QString &title, const QByteArray &block) const;

private:
    const PathMapper &m_paths;
    const RegionalFormat &m_formats;
};

} // namespace pusla
