#include "data/SortIndexes.h"

#include "data/SchemaDdl.h"
#include "store/Database.h"
#include "store/DbError.h"

namespace pusla {

using namespace schema;

void addMissingSortIndexes(Database &file)
{
    // A file does not say which kind it is: its tables do. The local stock
    // files have the set's stock indexes.
    for (const DatabaseKind kind :
        {DatabaseKind::Cari, DatabaseKind::Stok, DatabaseKind::Fatura, DatabaseKind::Index}) {
        for (const LookupIndex &index : lookupIndexes(kind)) {
            if (index.key != IndexKey::SortKey)
                continue;
            try {
                const QString name = indexName(index);
                if (file.hasIndex(name))
                    continue;
                file.requireTable(QString(index.table));
                file.tryCreateIndex(name, QString(index.table), indexExpression(index));
            } catch (const DbError &) {
                // No such table here, or a file that will not open: whatever
                // opens it next says so.
            }
        }
    }
}

} // namespace pusla
