#include "data/ServerCounter.h"

#include "data/ServerSchema.h"
#include "store/pg/PgConnection.h"

namespace pusla {

QString drawServerInvoiceCounter(PgConnection &db, const QString &company, const InvoiceCounterTaken &isTaken)
{
    const QString table = serverschema::quoted(company) + QStringLiteral(".pusla_counter");
    QString drawn;
    serverschema::runInTransaction(db, [&] {
        const PgRows row = db.exec(QStringLiteral("SELECT value FROM %1 WHERE name = 'FatNo' FOR UPDATE").arg(table));
        if (row.rows.empty())
            throw InvoiceCounterError(QStringLiteral("Fatura sayacı sunucuda yok: %1").arg(company));
        const QString previous = row.value().toString();
        if (!isCounter(previous))
            throw InvoiceCounterError(QStringLiteral("Fatura sayacı bozuk: %1 (%2)").arg(company, previous));
        const std::optional<QString> counter = nextFreeCounter(previous, isTaken);
        if (!counter)
            throw InvoiceCounterError(QStringLiteral("Fatura sayacı son değerine ulaştı: %1").arg(company));
        db.exec(QStringLiteral("UPDATE %1 SET value = $1 WHERE name = 'FatNo'").arg(table), {*counter});
        drawn = *counter;
    });
    return drawn;
}

} // namespace pusla
