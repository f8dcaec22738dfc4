#pragma once

#include "platform/OperatorError.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace pusla {

class DbError;
class Dialogs;
struct DataControls;
class PathMapper;

/// A document that cannot be posted; `reason` says why, in the operator's words.
class PostingFailure : public OperatorError
{
public:
    using OperatorError::OperatorError;
};

/// The reason of a database failure as the operator reads it: what kind of
/// failure it was (a file missing, damaged or not a database, busy for too
/// long, a full disk, a file that cannot be written) and the file's name
/// when it is known. The engine's own text goes to the program's log.
QString postingFailureReason(const DbError &error);

/// Tells the operator that the document was not saved and why.
void showPostingFailure(Dialogs &dialogs, const QString &reason);

/// Re-opens the data controls after a posting was undone: the rows they
/// added are gone and the cards they changed are back as they were. It does
/// not wait for busy files: a control on one stays closed.
void refreshAfterRollback(const PathMapper &mapper, const DataControls &controls);

/// Re-opens the data controls that a failed refresh left closed. A posting
/// calls it first thing, once its files are locked, so that a retry after a
/// busy file finds every record set it writes open.
void reopenClosed(const DataControls &controls);

/// Runs `post` as one document's all-or-nothing change: every record,
/// running total, serial and the reset of the working list commit together
/// or not at all, across all the database files the document writes.
///
/// Every file of `windowsFiles` is opened first and then all are locked at
/// once, so that no terminal holds one file while waiting for another. All
/// the waiting for files that other programs hold, from the opening to the
/// commit, ends within Transaction::patience() (see Patience). Returns why the document could
/// not be posted (a PostingFailure or a database failure thrown by `post`,
/// a missing file, files that stay busy, a commit that cannot finish), or
/// an empty text when everything was committed; after a failure nothing of
/// it is written.
QString postAtomically(const PathMapper &mapper, const QStringList &windowsFiles, const std::function<void()> &post);

} // namespace pusla
