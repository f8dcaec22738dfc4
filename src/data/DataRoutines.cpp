#include "data/DataRoutines.h"

#include "data/Schema.h"
#include "store/AdoConnection.h"
#include "store/DataControl.h"

namespace pusla {

using namespace schema;

void RefreshData(DataControl &control)
{
    control.refresh();
    Recordset &records = control.recordset();
    if (!records.bof())
        records.moveLast();
    if (!records.eof())
        records.moveFirst();
}

QString currentLineName(const DataControl &lines)
{
    return lines.recordset().field(QString(StokKartlar::StokAdi)).toString();
}

void CopyCountStock(const DataControl &source, const PathMapper &mapper, const QString &programFolder)
{
    const QString provider = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=");
    const QString security = QStringLiteral(";Persist Security Info=False");

    AdoConnection sourceConnection(mapper);
    sourceConnection.open(provider + source.databaseName() + security);
    AdoConnection targetConnection(mapper);
    targetConnection.open(provider + programFolder + QLatin1Char('\\') + QString(files::SayTmp) + security);

    // One statement across the two files instead of a record set each: the
    // cards arrive in the source's stored order, field by field by name, as
    // a copy card by card would add them, at a fraction of the cost.
    targetConnection.database().appendRows(QString(StokKartlar::Table), sourceConnection.database(),
        QString(StokKartlar::Table),
        QStringLiteral("%1=False And %2<>0").arg(StokKartlar::StokGizle, StokKartlar::KalanB));

    sourceConnection.close();
    targetConnection.close();
}

} // namespace pusla
