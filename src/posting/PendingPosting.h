#pragma once

#include <QString>

namespace pusla {

class Database;
class PathMapper;

/// Posts a document exactly once although the books and the terminal's
/// working list live in different places: the books on the share, where any
/// terminal may recover them after a crash, the working list in the
/// terminal's own folder, which no other terminal sees.
///
/// The books commit first, with the document's key among them; then the
/// working list is reset. A marker beside the working list, written before
/// the books' transaction and removed after the reset, names the key and the
/// file that holds it. A marker found later (a crash, a kill, a power loss
/// in between) is settled by asking the books: the key is there, so the
/// document landed and the reset is finished; or it is not, so the lines
/// stay for the operator to confirm again.
class PendingPosting
{
public:
    enum class Outcome {
        None, ///< No marker: nothing was pending.
        Posted, ///< The document had landed; the working list is reset now.
        NotPosted, ///< The document had not landed; the lines stay.
        Unknown, ///< The books could not be asked; the marker stays.
    };

    PendingPosting(const PathMapper &mapper, const QString &programFolder);

    /// Writes the marker of a document whose key will be kept in
    /// `booksFile` (a Windows path) and returns the key. Throws
    /// PostingFailure when the marker cannot be written.
    QString begin(const QString &booksFile);
    /// Records the key in the books; call inside the document's transaction.
    static void record(Database &books, const QString &key, const QString &moment);
    /// Settles the marker, if there is one. `why` receives the reason of an
    /// Unknown outcome.
    Outcome settle(QString *why = nullptr);

    QString markerPath() const;

private:
    bool holdsKey(const QString &booksFile, const QString &key) const;
    void resetWorkingList() const;

    const PathMapper &m_mapper;
    QString m_programFolder;
};

} // namespace pusla
