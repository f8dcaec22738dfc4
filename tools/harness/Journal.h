#pragma once

#include <QList>
#include <QString>

namespace pusla::harness {

/// One captured line of a document: item code, quantity and amount.
struct JournalLine
{
    QString code;
    double quantity = 0;
    double amount = 0;
    double vat = 0;
};

/// What a terminal was doing with its last document, read back from its
/// journal after it ended or was killed.
struct JournalState
{
    int posted = 0;
    int failed = 0;
    QStringList failures;
    /// A document was begun and no outcome followed: the terminal ended in it.
    bool inFlight = false;
    /// Its lines were all laid into the working list before it ended.
    bool armed = false;
    QString kind;
    QList<JournalLine> lines;
};

/// The terminal's own record of its documents, kept beside its working list.
/// Each record is on disk before the step it announces starts, so that a
/// terminal killed at any moment leaves a journal that tells what it had done.
class Journal
{
public:
    explicit Journal(const QString &programFolder);

    static QString pathIn(const QString &programFolder);

    void begin(const QString &kind, const QList<JournalLine> &lines);
    /// The lines are in the working list; the review and the posting follow.
    void armed();
    void posted();
    void failed(const QString &message);

    /// Reads the records written after `offset` bytes.
    static JournalState read(const QString &programFolder, qint64 offset);
    static qint64 size(const QString &programFolder);

private:
    void append(const QString &record);

    QString m_path;
};

} // namespace pusla::harness
