#include "posting/PostingRun.h"

#include "data/DataRoutines.h"
#include "data/DatabaseSet.h"
#include "platform/DataControl.h"
#include "platform/DbError.h"
#include "platform/Dialogs.h"

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
    for (DataControl *control : {controls.DataTemp, controls.DataCari, controls.DataCariHar, controls.DataStok,
                                 controls.DataStokHar, controls.DataFatura, controls.DataFatHar,
                                 controls.IndexPrimary, controls.IndexSecondary}) {
        if (!control || control->databaseName().isEmpty())
            continue;
        try {
            RefreshData(*control);
        } catch (const DbError &) {
            // Left closed; its next use reports the failure where it happens.
        }
    }
}

PostingRun::PostingRun(const PathMapper &mapper, const QStringList &windowsFiles)
    : m_mapper(mapper)
    , m_windowsFiles(windowsFiles)
{ }

PostingRun::~PostingRun()
{
    m_transaction.reset(); // rolls back what was not committed
    for (Database &file : m_files)
        file.close();
}

void PostingRun::begin()
{
    try {
        for (const QString &file : m_windowsFiles)
            m_files.push_back(Database::open(m_mapper, file));
        m_transaction.emplace(m_mapper);
        m_transaction->begin();
    } catch (const DbError &error) {
        throw PostingFailure(postingFailureReason(error));
    }
}

void PostingRun::commit()
{
    try {
        m_transaction->commit();
    } catch (const DbError &error) {
        throw PostingFailure(postingFailureReason(error));
    }
}

} // namespace pusla
