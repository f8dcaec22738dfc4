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

/// A document as the terminal meant to post it.
struct JournalDocument
{
    enum class Outcome { InFlight, Posted, Failed };

    QString kind;
    /// The company code of the set the document starts in ("01", "02", ...).
    QString set;
    /// The title of the account or branch chosen in the list.
    QString account;
    QList<JournalLine> lines;
    /// The posting key the terminal's marker named while the books committed,
    /// and the books file (a Windows path) meant to keep it; empty when the
    /// terminal ended before its books' commit began.
    QString key;
    QString keyFile;
    Outcome outcome = Outcome::InFlight;
    /// Its lines were all laid into the working list.
    bool armed = false;
    /// What the terminal, coming back after it ended in the document, did
    /// with it as its form loaded: "reset", "kept" or "pending"; empty when
    /// there was nothing to settle.
    QString settled;
};

/// What a terminal did with its documents, read back from its journal after
/// it ended or was killed.
struct JournalState
{
    int posted = 0;
    int failed = 0;
    QStringList failures;
    QList<JournalDocument> documents;

    /// The last document when no outcome followed it: the terminal ended in it.
    const JournalDocument *inFlight() const;
};

/// The terminal's own record of its documents, kept beside its working list.
/// Each record is on disk before the step it announces starts, so that a
/// terminal killed at any moment leaves a journal that tells what it had done.
class Journal
{
public:
    explicit Journal(const QString &programFolder);

    static QString pathIn(const QString &programFolder);

    void begin(const JournalDocument &document);
    /// The lines are in the working list; the review and the posting follow.
    void armed();
    /// The books' commit of the document is about to run under this key.
    void key(const QString &key, const QString &keyFile);
    void posted();
    void failed(const QString &message);

    /// The working list after the terminal came back and settled its marker:
    /// reset (the document had landed), the lines kept (it had not), or the
    /// marker still there.
    enum class Settlement { Reset, Kept, Pending };
    void settled(Settlement settlement);

    /// Reads the records written after `offset` bytes.
    static JournalState read(const QString &programFolder, qint64 offset);
    static qint64 size(const QString &programFolder);

private:
    void append(const QString &record);

    QString m_path;
};

} // namespace pusla::harness
