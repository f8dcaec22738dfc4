#include "data/DatabaseSet.h"

#include "data/DataRoutines.h"
#include "data/Schema.h"
#include "store/DataControl.h"
#include "store/DbError.h"

#include <initializer_list>

namespace pusla {

using namespace schema;

void openDatabaseSet(const DataControls &controls, const QString &dataPath, const QString &programFolder)
{
    controls.DataCari->setDatabaseName(dataPath + QString(files::Cari));
    controls.DataCari->setRecordSource(QStringLiteral("Select * FROM CariKartlar Order By CariKod Asc"));
    RefreshData(*controls.DataCari);

    auto bind = [](DataControl *control, const QString &file, QLatin1StringView table) {
        control->setDatabaseName(file);
        control->setRecordSource(QString(table));
    };
    bind(controls.DataStok, dataPath + QString(files::Stok), StokKartlar::Table);
    bind(controls.DataCariHar, dataPath + QString(files::Cari), CariHareket::Table);
    bind(controls.DataStokHar, dataPath + QString(files::Stok), StokHareket::Table);
    bind(controls.DataFatura, dataPath + QString(files::Fatura), Faturalar::Table);
    bind(controls.DataFatHar, dataPath + QString(files::Fatura), FatHareket::Table);
    bind(controls.IndexPrimary, dataPath + QString(files::Index), Tarih::Table);
    bind(controls.IndexSecondary, dataPath + QString(files::Index), Mdbindex::Table);
    bind(controls.DataTemp, programFolder + QLatin1Char('\\') + QString(files::LocalStok), StokKartlar::Table);

    for (DataControl *control : {controls.DataTemp, controls.DataCari, controls.DataCariHar, controls.DataStokHar,
                                 controls.DataFatura, controls.DataFatHar, controls.IndexPrimary,
                                 controls.IndexSecondary}) {
        try {
            RefreshData(*control);
        } catch (const DbError &) {
            // Left unopened: its first use reports the failure where it happens.
        }
    }
}

} // namespace pusla
