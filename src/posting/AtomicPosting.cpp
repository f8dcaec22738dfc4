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

void refreshAfterRollback(const DataControls &controls)
{
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

QString postAtomically(const PathMapper &mapper, const QStringList &windowsFiles, const std::function<void()> &post)
{
    std::vector<Database> files;
    try {
        for (const QString &file : windowsFiles)
            files.push_back(Database::open(mapper, file));
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
