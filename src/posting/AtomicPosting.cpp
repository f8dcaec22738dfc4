#include "posting/AtomicPosting.h"

#include "data/DataRoutines.h"
#include "data/DatabaseSet.h"
#include "platform/DataControl.h"
#include "platform/Database.h"
#include "platform/DbError.h"
#include "platform/Dialogs.h"
#include "platform/Transaction.h"

#include <vector>

namespace pusla {

namespace {

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

} // namespace

QString postingFailureReason(const DbError &error)
{
    switch (error.number()) {
    case DbError::Locked:
        return QStringLiteral("Veritabanı başka bir terminalde kullanımda, bekleme süresi doldu.");
    case DbError::FileNotFound:
    case DbError::InvalidPath:
        return QStringLiteral("Veritabanı dosyası bulunamadı: %1").arg(error.text());
    case DbError::ReadOnly:
        return QStringLiteral("Veritabanına yazılamıyor: %1").arg(error.text());
    default:
        return QStringLiteral("Veritabanı hatası: %1").arg(error.text());
    }
}

void showPostingFailure(Dialogs &dialogs, const QString &reason)
{
    dialogs.messageBox(QStringLiteral("Belge kaydedilemedi.\n%1\n"
                                      "Hiçbir kayıt yazılmadı; satırlar listede duruyor. Lütfen tekrar deneyin.")
                           .arg(reason));
}

void refreshAfterRollback(const PathMapper &mapper, const DataControls &controls)
{
    // A file that is still busy is not waited for a second time: its
    // controls stay closed until reopenClosed() at the next posting.
    const Patience none(mapper, std::chrono::milliseconds(0));
    for (DataControl *control :
        {controls.DataTemp, controls.DataCari, controls.DataCariHar, controls.DataStok, controls.DataStokHar,
            controls.DataFatura, controls.DataFatHar, controls.IndexPrimary, controls.IndexSecondary}) {
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
    for (DataControl *control :
        {controls.DataTemp, controls.DataCari, controls.DataCariHar, controls.DataStok, controls.DataStokHar,
            controls.DataFatura, controls.DataFatHar, controls.IndexPrimary, controls.IndexSecondary}) {
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

QString postAtomically(const PathMapper &mapper, const QStringList &windowsFiles, const std::function<void()> &post)
{
    // Every wait for a busy file from here to the commit draws on one allowance.
    Patience patience(mapper);
    std::vector<Database> opened;
    try {
        openEach(mapper, windowsFiles, patience, opened);
        Transaction transaction(mapper); // rolls back unless committed
        transaction.begin();
        post();
        transaction.commit();
    } catch (const PostingFailure &failure) {
        return failure.reason();
    } catch (const DbError &error) {
        return postingFailureReason(error);
    }
    return {};
}

} // namespace pusla
