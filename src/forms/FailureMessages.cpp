#include "forms/FailureMessages.h"

#include "base/Dialogs.h"
#include "data/DatabaseFailure.h"
#include "posting/PendingPosting.h"

namespace pusla {

void showDatabaseFailure(Dialogs &dialogs, const QString &headline, const DbError &error)
{
    dialogs.messageBox(headline + QLatin1Char('\n') + databaseFailureReason(error));
}

void showPostingFailure(Dialogs &dialogs, const QString &reason)
{
    // The earlier document had landed after all and its lines, these, are
    // gone from the list: nothing failed that the operator must try again.
    if (reason == QString::fromUtf8(kEarlierDocumentPosted)) {
        dialogs.messageBox(reason);
        return;
    }
    dialogs.messageBox(QStringLiteral("Belge kaydedilemedi.\n%1\n"
                                      "Hiçbir kayıt yazılmadı; satırlar listede duruyor. Lütfen tekrar deneyin.")
                           .arg(reason));
}

} // namespace pusla
