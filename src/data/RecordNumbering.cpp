#include "data/RecordNumbering.h"

#include "data/DataRoutines.h"
#include "data/Schema.h"
#include "store/DataControl.h"
#include "store/jet/JetSql.h"
#include "base/PathMapper.h"
#include "store/SharedConnection.h"
#include "store/Transaction.h"

namespace pusla {

namespace {

using namespace schema;

QString drawNumber(DataControl &indexPrimary, DataControl &indexSecondary, int mode, const QString &year)
{
    const QString criteria = QString(Tarih::Tarih) + QLatin1Char('=') + jetQuoted(year);
    const QString yearDigits = year.right(2);

    // Both sets are read afresh under the lock when another terminal has
    // committed to the file since they were read: its rows must be seen.
    if (indexPrimary.recordset().fileChangedSinceRead())
        RefreshData(indexPrimary);
    Recordset &years = indexPrimary.recordset();
    years.findFirst(criteria);
    if (years.noMatch()) {
        years.addNew();
        years.setField(QString(Tarih::Tarih), year);
        years.update();
        RefreshData(indexPrimary);
        years.findFirst(criteria);
    }

    if (indexSecondary.recordset().fileChangedSinceRead())
        RefreshData(indexSecondary);
    Recordset &counters = indexSecondary.recordset();
    counters.findFirst(criteria);
    QString result;
    if (counters.noMatch()) {
        counters.addNew();
        result = yearDigits + QLatin1Char('1');
        if (mode != 0) {
            counters.setField(QString(Mdbindex::Serino), result);
            counters.setField(QString(Mdbindex::Indexi), QString(yearDigits + QLatin1Char('0')));
        } else {
            counters.setField(QString(Mdbindex::Indexi), result);
            counters.setField(QString(Mdbindex::Serino), result);
        }
        counters.setField(QString(Mdbindex::Tarih), year);
        counters.update();
    } else {
        const QString field = mode != 0 ? QString(Mdbindex::Serino) : QString(Mdbindex::Indexi);
        counters.edit();
        const QString last = counters.field(field).toString();
        result = last.left(2) + QString::number(last.mid(2).toLongLong() + 1);
        counters.setField(field, result);
        counters.update();
    }
    RefreshData(indexPrimary);
    return result;
}

} // namespace

QString NextRecordNumber(
    DataControl &indexPrimary, DataControl &indexSecondary, int mode, const QString &year, const PathMapper &mapper)
{
    const auto connection = SharedConnection::forThisThread(mapper.paths().programFolder);
    if (connection->hasUserTransaction())
        return drawNumber(indexPrimary, indexSecondary, mode, year);

    Transaction transaction(mapper);
    transaction.begin();
    const QString result = drawNumber(indexPrimary, indexSecondary, mode, year);
    transaction.commit();
    return result;
}

} // namespace pusla
