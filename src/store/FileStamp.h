#pragma once

#include <QtGlobal>

namespace pusla {

/// What a record set knows of its file at one moment: the file's data
/// version (moved by any commit, this program's or another's) and the
/// connection's count of changed rows that may be rows of the set's table
/// (moved by this program's own writes, committed or not). Two equal stamps
/// mean nobody wrote the table in between.
struct FileStamp
{
    quint32 dataVersion = 0;
    qint64 changes = 0;
    bool operator==(const FileStamp &) const = default;
};

} // namespace pusla
