#pragma once

#include <QString>

namespace pusla {

class DataControl;

/// The main form's data controls: the database set of the accounting suite
/// under `DataPath`, the working list and the branch file of the count build.
struct DataControls
{
    DataControl *DataCari = nullptr;
    DataControl *DataCariHar = nullptr;
    DataControl *DataStok = nullptr;
    DataControl *DataStokHar = nullptr;
    DataControl *DataFatura = nullptr;
    DataControl *DataFatHar = nullptr;
    DataControl *IndexPrimary = nullptr;
    DataControl *IndexSecondary = nullptr;
    DataControl *DataTemp = nullptr;
    DataControl *Data1 = nullptr;
};

/// Opens the database set named by the prefix `dataPath` (file names are
/// appended with no separator: `\\127.0.0.1\MuhasebeData\01` + "Cari.mdb").
///
/// The account database is the connection test: when it cannot be opened
/// this throws DbError and nothing else is bound. The other controls are
/// then bound and refreshed with their failures ignored (the first use of a
/// control that did not open fails in its own place); `DataTemp` is bound to
/// the program folder's `Stok.mdb`. `DataStok` is bound but not refreshed.
void openDatabaseSet(const DataControls &controls, const QString &dataPath, const QString &programFolder);

} // namespace pusla
