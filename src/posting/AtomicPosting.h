#pragma once

#include "base/OperatorError.h"
#include "posting/PostingResult.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace pusla {

class DbError;
struct DataControls;
class PathMapper;

/// A document that cannot be posted; `reason` says why, in the operator's words.
class PostingFailure : public OperatorError
{
public:
    using OperatorError::OperatorError;
};

/// Re-opens the data controls after a posting was undone: the rows they
/// added are gone and the cards they changed are back as they were. It does
/// not wait for busy files: a control on one stays closed.
void refreshAfterRollback(const PathMapper &mapper, const DataControls &controls);

/// Re-opens the data controls that a failed refresh left closed. A posting
/// calls it first thing, once its files are locked, so that a retry after a
/// busy file finds every record set it writes open.
void reopenClosed(const DataControls &controls);

/// What one document writes: the books' files, the one of them that keeps
/// the document's key (the numbering file of the set the document starts
/// in), and the terminal's program folder with the working list.
struct PostingFiles
{
    QStringList books;
    QString keyFile;
    QString programFolder;
};

/// Posts one document exactly once. `post` writes it and returns whether
/// there was a document to write (false: nothing to post, the lines stay).
///
/// Every record, running total and serial commits together or not at all,
/// across all the books' files, with the document's key among them; the
/// working list is reset after that commit, and a marker beside it carries
/// the document from the one to the other (see PendingPosting). A marker
/// left by an earlier confirmation is settled first; when its document had
/// landed, the outcome is EarlierDocumentPosted, and when it cannot be
/// settled, nothing is posted.
///
/// Every file of `files.books` is opened first and then all are locked at
/// once, so that no terminal holds one file while waiting for another. All
/// the waiting for files that other programs hold, from the opening to the
/// commit, ends within Transaction::patience() (see Patience). The outcome
/// is Posted or NothingToPost, as `post` says, once everything is committed;
/// Failed with its reason (a PostingFailure or a database failure thrown by
/// `post`, a missing file, files that stay busy, a commit that cannot
/// finish), and then nothing of the document is written. The total is left
/// to the caller.
PostingResult postAtomically(const PathMapper &mapper, const PostingFiles &files, const std::function<bool()> &post);

} // namespace pusla
