#include "data/DataRoutines.h"

#include "data/Schema.h"
#include "platform/AdoConnection.h"
#include "platform/DataControl.h"

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

void CopyCountStock(const DataControl &source, const PathMapper &mapper, const QString &programFolder)
{
    const QString provider = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=");
    const QString security = QStringLiteral(";Persist Security Info=False");

    AdoConnection sourceConnection(mapper);
    sourceConnection.open(provider + source.databaseName() + security);
    AdoConnection targetConnection(mapper);
    targetConnection.open(provider + programFolder + QLatin1Char('\\') + QString(files::SayTmp) + security);

    AdoRecordset from;
    from.open(QStringLiteral("SELECT * FROM StokKartlar Where StokGizle=False And KalanB<>0"), sourceConnection,
              AdoRecordset::Keyset, AdoRecordset::Optimistic);
    AdoRecordset to;
    to.open(QStringLiteral("SELECT * FROM StokKartlar"), targetConnection, AdoRecordset::Keyset,
            AdoRecordset::Optimistic);

    if (from.recordCount() != 0)
        from.moveFirst();
    while (!from.eof()) {
        to.addNew();
        for (int i = 0; i < from.fieldCount(); ++i)
            to.setValue(from.fieldName(i), from.value(i));
        to.update();
        from.moveNext();
    }

    from.close();
    sourceConnection.close();
    if (!to.bof())
        to.moveLast();
    if (!to.eof())
        to.moveFirst();
    to.close();
    targetConnection.close();
}

} // namespace pusla
