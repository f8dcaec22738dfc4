#include "forms/FailureMessages.h"

#include "base/Dialogs.h"
#include "data/DatabaseFailure.h"

namespace pusla {

void showDatabaseFailure(Dialogs &dialogs, const QString &headline, const DbError &error)
{
    dialogs.messageBox(headline + QLatin1Char('\n') + databaseFailureReason(error));
}

void showPostingFailure(Dialogs &dialogs, const QString &reason)
{
    dialogs.messageBox(QStringLiteral("Belge kaydedilemedi.\n%1\n"
                                      "Hiçbir kayıt yazılmadı; satırlar listede duruyor. Lütfen tekrar deneyin.")
                           .arg(reason));
}

} // namespace pusla
