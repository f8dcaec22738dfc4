#pragma once

#include <QString>

namespace pusla {

class DataControl;
class PathMapper;

/// Hands out the next document number of a year from the index database:
/// the year's last two digits followed by a counter (171, 172, ..., 1710).
/// Mode 0 draws from `Indexi`, any other mode from `Serino`. `indexPrimary`
/// is bound to the `Tarih` table and `indexSecondary` to `Mdbindex` of the
/// same index database. Errors pass on; the counter is then unchanged.
///
/// Terminals draw numbers from the same file at once: the whole draw runs
/// under the file's write lock (joining the caller's transaction when one is
/// open) and reads the year's row afresh, so no two draws get one number and
/// a year never gets two rows.
QString NextRecordNumber(DataControl &indexPrimary, DataControl &indexSecondary, int mode, const QString &year,
                         const PathMapper &mapper);

} // namespace pusla
