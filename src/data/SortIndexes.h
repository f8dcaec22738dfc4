#pragma once

namespace pusla {

class Database;

/// Gives a file the sort-key indexes the schema puts on its tables' listed
/// fields (the cards' names, the account codes) when it was made without
/// them, by an earlier version of the program or a copy of such a file.
///
/// When they are there this is a look at the file's schema. When the file
/// cannot take them now (read-only, another terminal writing, a transaction
/// open) it is left as it is: its lists come out in the same order, sorted
/// rather than read from an index, and the next open tries again.
void addMissingSortIndexes(Database &file);

} // namespace pusla
