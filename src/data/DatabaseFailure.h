#pragma once

#include <QString>

namespace pusla {

class DbError;

/// What went wrong with a database file, as far as the operator can act on it.
enum class FailureKind { Missing, Damaged, Busy, DiskFull, NotWritable, Disconnected, Other };

FailureKind failureKind(int dbErrorNumber);

/// The reason of a database failure as the operator reads it: what kind of
/// failure it was (a file missing, damaged or not a database, busy for too
/// long, a full disk, a file that cannot be written, the server's connection
/// lost) and the file's name
/// when it is known. The engine's own text goes to the program's log, on one
/// line that starts with `failed` ("document not posted: error 8, ...").
QString databaseFailureReason(const DbError &error, QStringView failed = u"database failure");

} // namespace pusla
