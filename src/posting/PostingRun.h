#pragma once

#include "platform/Database.h"
#include "platform/Transaction.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>
#include <vector>

namespace pusla {

class DbError;
class Dialogs;
struct DataControls;
class PathMapper;

/// A document that cannot be posted; `reason` says why, in the operator's words.
class PostingFailure : public std::runtime_error
{
public:
    explicit PostingFailure(const QString &reason)
        : std::runtime_error(reason.toStdString())
        , m_reason(reason)
    { }
    const QString &reason() const { return m_reason; }

private:
    QString m_reason;
};

/// The reason of a database failure as the operator reads it.
QString postingFailureReason(const DbError &error);

/// Tells the operator that the document was not saved and why.
void showPostingFailure(Dialogs &dialogs, const QString &reason);

/// Re-opens the data controls after a posting was undone: the rows they
/// added are gone and the cards they changed are back as they were.
void refreshAfterRollback(const DataControls &controls);

/// One document's posting as a single all-or-nothing change: every record,
/// running total, serial and the reset of the working list commit together
/// or not at all, across all the database files the document writes.
///
/// begin() opens every file first and then locks them all at once, waiting
/// out other terminals for a bounded time, so that no terminal holds one
/// file while waiting for another. What is not committed is rolled back
/// when the run goes.
class PostingRun
{
public:
    PostingRun(const PathMapper &mapper, const QStringList &windowsFiles);
    ~PostingRun();

    PostingRun(const PostingRun &) = delete;
    PostingRun &operator=(const PostingRun &) = delete;

    /// Throws PostingFailure for a missing file or when the files stay busy.
    void begin();
    /// Throws PostingFailure when the commit cannot finish; nothing is then written.
    void commit();

private:
    const PathMapper &m_mapper;
    QStringList m_windowsFiles;
    std::vector<Database> m_files;
    std::optional<Transaction> m_transaction;
};

} // namespace pusla
