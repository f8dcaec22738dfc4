#pragma once

#include "store/jet/RecordSourcePlan.h"

#include <QString>

#include <vector>

namespace pusla {

class Keyset;
class StoreConnection;

/// The row ids of a record source in its order, as a refresh lists them.
///
/// When an index gives the order (the working list by name), walking that
/// index and looking every row up in the table for the condition costs a
/// random read per row. Instead the index is walked alone for the order and
/// the table scanned once, in storage order, for the condition; both within
/// one read transaction, so they see the same file.
std::vector<qint64> queryKeyset(StoreConnection &db, const QString &table, const RecordSourcePlan &plan);

/// The one statement that lists those row ids, condition and order together,
/// as the server always runs it; `key` is the store's row key column.
SqlText keysetStatement(const QString &key, const QString &table, const RecordSourcePlan &plan);

/// Puts the rows added to `keyset` since its refresh where a re-query would
/// list them, dropping those that miss the condition; the keyset becomes a
/// refreshed one.
void mergeAppended(Keyset &keyset, StoreConnection &db, const QString &table, const RecordSourcePlan &plan);

} // namespace pusla
