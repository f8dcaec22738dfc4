#include "posting/AtomicPosting.h"

#include "data/DataRoutines.h"
#include "data/DatabaseFailure.h"
#include "data/DatabaseSet.h"
#include "store/AttachedFile.h"
#include "store/DataControl.h"
#include "store/Database.h"
#include "store/DbError.h"
#include "store/SharedConnection.h"
#include "store/Transaction.h"
#include "posting/PendingPosting.h"

#include <QDateTime>
#include <QDebug>
#include <QFileInfo>

#include <array>
#include <optional>
#include <vector>

namespace pusla {

namespace {

// A multi-file commit names its super-journal after the connection's main
// file; another terminal recovering the books after a crash must find it.
void requireSharedAnchor(const Database &books)
{
    if (books.file()->isOnServer())
        return; // the server commits the books by itself
    const QString anchor = QFileInfo(books.file()->sqlite()->anchorFolder()).canonicalFilePath();
    const QString folder = QFileInfo(books.localPath()).canonicalPath();
    if (anchor != folder)
        throw DbError(DbError::Generic,
            QStringLiteral("The transaction's main file is in '%1', not beside the books in '%2'.").arg(anchor, folder));
}

// The files are opened one by one, each waited for within the posting's
// allowance while another program holds it; a failure names its file.
void openEach(
    const PathMapper &mapper, const QStringList &windowsFiles, Patience &patience, std::vector<Database> &opened)
{
    for (const QString &file : windowsFiles) {
        try {
            patience.retry([&] { opened.push_back(Database::open(mapper, file)); });
        } catch (const DbError &error) {
            throw error.aboutFile(file);
        }
    }
}

// The engine does not say which file a busy lock, a refused write or a
// damaged page belongs to. Once the posting is undone, its files are tried
// in turn, without waiting, and the first that fails the same way is named.
DbError withItsFile(const DbError &error, const std::vector<Database> &opened, const QStringList &windowsFiles)
{
    const FailureKind kind = failureKind(error.number());
    if (!error.file().isEmpty() || kind == FailureKind::Other || kind == FailureKind::Disconnected)
        return error;
    for (size_t i = 0; i < opened.size() && qsizetype(i) < windowsFiles.size(); ++i) {
        const std::optional<DbError> fault = Transaction::check(opened[i], kind == FailureKind::Damaged);
        if (fault && failureKind(fault->number()) == kind)
            return error.aboutFile(windowsFiles.at(qsizetype(i)));
    }
    return error;
}

// The controls a posting reads or writes through, the working list first.
std::array<DataControl *, 9> postingControls(const DataControls &controls)
{
    return {controls.DataTemp, controls.DataCari, controls.DataCariHar, controls.DataStok, controls.DataStokHar,
        controls.DataFatura, controls.DataFatHar, controls.IndexPrimary, controls.IndexSecondary};
}

} // namespace

void refreshAfterRollback(const PathMapper &mapper, const DataControls &controls)
{
    // A file that is still busy is not waited for a second time: its
    // controls stay closed until reopenClosed() at the next posting.
    const Patience none(mapper, std::chrono::milliseconds(0));
    for (DataControl *control : postingControls(controls)) {
        if (!control || control->databaseName().isEmpty())
            continue;
        try {
            RefreshData(*control);
        } catch (const DbError &) {
            // Left closed; its next use reports the failure where it happens.
        }
    }
}

void reopenClosed(const DataControls &controls)
{
    for (DataControl *control : postingControls(controls)) {
        if (!control || control->databaseName().isEmpty() || control->recordSource().isEmpty()
            || control->recordset().isOpen())
            continue;
        try {
            RefreshData(*control);
        } catch (const DbError &) {
            // A file the posting does not write; the posting's own files
            // are open and locked by now.
        }
    }
}

PostingResult postAtomically(const PathMapper &mapper, const PostingFiles &files, const std::function<bool()> &post)
{
    const auto failed = [](const QString &reason) {
        PostingResult result;
        result.failure = reason;
        return result;
    };
    // Every wait for a busy file from here to the commit draws on one allowance.
    Patience patience(mapper);
    PendingPosting pending(mapper, files.programFolder);
    QString unsettled;
    switch (pending.settle(&unsettled)) {
    case PendingPosting::Outcome::Unknown:
        return failed(QStringLiteral("Önceki belgenin kaydedilip kaydedilmediği anlaşılamadı. %1").arg(unsettled));
    case PendingPosting::Outcome::Posted: {
        // Its lines were these: they are not posted a second time.
        PostingResult earlier;
        earlier.outcome = PostingResult::Outcome::EarlierDocumentPosted;
        return earlier;
    }
    case PendingPosting::Outcome::None:
    case PendingPosting::Outcome::NotPosted:
        break;
    }

    QString failure;
    QString key;
    bool committing = false;
    bool committed = false;
    bool posted = false;
    std::vector<Database> opened;
    try {
        openEach(mapper, files.books, patience, opened);
        Database keeper = Database::open(mapper, files.keyFile);
        requireSharedAnchor(keeper);
        key = pending.begin(files.keyFile);
        Transaction transaction(mapper); // rolls back unless committed
        transaction.begin();
        // The key first: a settlement that claims it waits for this
        // transaction, and after a claim this one cannot commit.
        PendingPosting::record(keeper, key, QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
        // Nothing to post: what was drawn stays drawn, the key goes.
        posted = post();
        if (!posted)
            PendingPosting::withdraw(keeper, key);
        committing = true;
        transaction.commit();
        committed = true;
    } catch (const PostingFailure &error) {
        failure = error.reason();
        qWarning("document not posted: %s", qUtf8Printable(failure));
    } catch (const DbError &error) {
        failure = databaseFailureReason(withItsFile(error, opened, files.books), u"document not posted");
    }
    // Committed: the working list is reset now. Rolled back: the lines stay.
    // A commit that failed may have landed all the same (its answer lost on
    // the way): the books are asked, and when they cannot be, the marker
    // stays for the next confirmation.
    PostingResult done;
    done.outcome = posted ? PostingResult::Outcome::Posted : PostingResult::Outcome::NothingToPost;
    if (key.isEmpty())
        return failed(failure);
    if (!committing || committed) {
        pending.finish(committed && posted);
        return committed ? done : failed(failure);
    }
    switch (pending.settle()) {
    case PendingPosting::Outcome::Posted:
        return done; // only the commit's answer was lost
    case PendingPosting::Outcome::Unknown:
        return failed(
            failure + QStringLiteral("\nBelgenin kaydedilip kaydedilmediği bir sonraki onayda anlaşılacak."));
    case PendingPosting::Outcome::None:
    case PendingPosting::Outcome::NotPosted:
        break;
    }
    return failed(failure);
}

} // namespace pusla
