#pragma once

#include <QString>

namespace pusla {

class DataControl;
class PathMapper;

/// Re-opens a data control and walks its record set to the last record and
/// back to the first, so that its record count is complete. Errors pass on.
void RefreshData(DataControl &control);

/// The name (`StokAdi`) of the current line of a stock list. Throws DbError
/// when the list has no current line.
QString currentLineName(const DataControl &lines);

/// Appends the visible stock cards with a quantity (`StokGizle`=False and
/// `KalanB`<>0) of the control's stock database to the count database
/// `SayTmp.Mdb` of the program folder, field by field by name. The count
/// database is appended to, never cleared. Errors pass on.
void CopyCountStock(const DataControl &source, const PathMapper &mapper, const QString &programFolder);

} // namespace pusla
