#include "data/ServerSchema.h"

#include "base/TextFold.h"
#include "data/SchemaDdl.h"
#include "store/DbError.h"
#include "store/pg/PgConnection.h"

namespace pusla::serverschema {

using namespace schema;

namespace {

/// Types as the SQLite files keep them: numbers are doubles, Yes/No fields
/// the integers -1 and 0, dates texts; numbers start at 0, texts as NULL.
QString declaration(ColumnType type)
{
    switch (type) {
    case ColumnType::Text:
    case ColumnType::DateTime:
        return QStringLiteral("text");
    case ColumnType::Number:
        return QStringLiteral("double precision DEFAULT 0");
    case ColumnType::Integer:
    case ColumnType::Boolean:
        return QStringLiteral("integer DEFAULT 0");
    }
    return QStringLiteral("text");
}

QString keyColumn(const LookupIndex &index)
{
    const QString column(index.column);
    switch (index.key) {
    case IndexKey::Stored:
        return column;
    case IndexKey::Folded:
        return column + QStringLiteral("_fold");
    case IndexKey::SortKey:
        return column + QStringLiteral("_sort");
    }
    return column;
}

QString keyExpression(const LookupIndex &index)
{
    const QString column = quoted(QString(index.column));
    return index.key == IndexKey::Folded ? foldPostgresExpression(column) : sortKeyPostgresExpression(column);
}

} // namespace

QString quoted(const QString &name)
{
    QString doubled = name;
    return u'"' + doubled.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QStringList companyStatements(const QString &company)
{
    const QString schemaName = quoted(company);
    QStringList statements {QStringLiteral("CREATE SCHEMA %1").arg(schemaName),
        // A write to a file's tables takes the file's version row for the rest
        // of its transaction, as a write takes a file's lock, and stamps it
        // with the transaction; the commit tells the listening terminals.
        // Once per file and transaction: a posting writes a file's tables
        // thousands of times.
        QStringLiteral("CREATE FUNCTION %1.pusla_touch() RETURNS trigger LANGUAGE plpgsql AS $$"
                       "DECLARE mark text := 'pusla.touched_' || TG_TABLE_SCHEMA || '_' || TG_ARGV[0]; BEGIN "
                       "IF current_setting(mark, true) IS DISTINCT FROM txid_current()::text THEN "
                       "EXECUTE format('UPDATE %I.pusla_files SET version = txid_current() WHERE file = $1', "
                       "TG_TABLE_SCHEMA) USING TG_ARGV[0]; "
                       "PERFORM pg_notify('pusla', TG_TABLE_SCHEMA); "
                       "PERFORM set_config(mark, txid_current()::text, true); END IF; RETURN NULL; END$$")
            .arg(schemaName)};
    QStringList files;
    for (const auto &[kind, file] : kCompanyFiles) {
        files << QStringLiteral("('%1', 0)").arg(QString(file).chopped(4));
        for (const TableLayout &table : tableLayouts(kind)) {
            QStringList columns {QStringLiteral("id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY")};
            for (const Column &column : table.columns)
                columns << quoted(QString(column.name)) + u' ' + declaration(column.type);
            for (const LookupIndex &index : lookupIndexes(kind)) {
                if (index.table == table.name && index.key != IndexKey::Stored)
                    columns << QStringLiteral("%1 text GENERATED ALWAYS AS (%2) STORED")
                                   .arg(quoted(keyColumn(index)), keyExpression(index));
            }
            const QString tableName = schemaName + u'.' + quoted(QString(table.name));
            // Cards are rewritten in place by every posting, a thousand in a
            // large invoice: room left on each page keeps the new version there
            // (a heap-only update), so that none of the card's indexes is written.
            const bool cards = table.name == StokKartlar::Table || table.name == CariKartlar::Table;
            statements << QStringLiteral("CREATE TABLE %1 (%2)%3")
                              .arg(tableName, columns.join(QStringLiteral(", ")),
                                  cards ? QStringLiteral(" WITH (fillfactor = 80)") : QString())
                       << QStringLiteral("CREATE TRIGGER pusla_touch AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON %1 "
                                         "FOR EACH STATEMENT EXECUTE FUNCTION %2.pusla_touch('%3')")
                              .arg(tableName, schemaName, QString(file).chopped(4));
        }
        for (const LookupIndex &index : lookupIndexes(kind)) {
            // NULLs first, as SQLite lists them.
            const QString columns = QStringLiteral("%1 NULLS FIRST, id").arg(quoted(keyColumn(index)));
            const QString table = schemaName + u'.' + quoted(QString(index.table));
            statements << QStringLiteral("CREATE INDEX %1 ON %2 (%3)").arg(quoted(indexName(index)), table, columns);
            // The working list, the visible cards in name order, walks an
            // index of its own: no hidden card to step over, no flag to test.
            if (index.key == IndexKey::SortKey && index.table == StokKartlar::Table)
                statements << QStringLiteral("CREATE INDEX %1 ON %2 (%3) WHERE %4 = 0")
                                  .arg(quoted(indexName(index) + QStringLiteral("_visible")), table, columns,
                                      quoted(QString(StokKartlar::StokGizle)));
        }
    }
    statements
        << QStringLiteral("CREATE TABLE %1.pusla_files (file text PRIMARY KEY, version bigint NOT NULL)")
               .arg(schemaName)
        << QStringLiteral("INSERT INTO %1.pusla_files VALUES %2").arg(schemaName, files.join(u','))
        << QStringLiteral("CREATE TABLE %1.pusla_counter (name text PRIMARY KEY, value text NOT NULL)").arg(schemaName)
        << QStringLiteral("INSERT INTO %1.pusla_counter VALUES ('FatNo', '00000')").arg(schemaName);
    // The keys of the posted documents, which the numbering file keeps: a
    // terminal asks for its key after a crash between the two commits.
    const QString keys = schemaName + u'.' + quoted(QString(PuslaKayit::Table));
    const QString key = quoted(QString(PuslaKayit::Anahtar));
    statements << QStringLiteral("CREATE TABLE %1 (id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY, %2 text UNIQUE, "
                                 "%3 text, %4 text GENERATED ALWAYS AS (%5) STORED)")
                      .arg(keys, key, quoted(QString(PuslaKayit::Tarih)),
                          quoted(QString(PuslaKayit::Anahtar) + QStringLiteral("_fold")), foldPostgresExpression(key))
               << QStringLiteral("CREATE INDEX ON %1 (%2)")
                      .arg(keys, quoted(QString(PuslaKayit::Anahtar) + QStringLiteral("_fold")))
               << QStringLiteral("CREATE TRIGGER pusla_touch AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON %1 "
                                 "FOR EACH STATEMENT EXECUTE FUNCTION %2.pusla_touch('Index')")
                      .arg(keys, schemaName);
    return statements;
}

void checkDatabase(PgConnection &db)
{
    const PgRows found = db.exec(QStringLiteral(
        "SELECT pg_encoding_to_char(encoding), datctype FROM pg_database WHERE datname = current_database()"));
    const QString encoding = found.rows.empty() ? QString() : found.rows.front().value(0).toString();
    const QString ctype = found.rows.empty() ? QString() : found.rows.front().value(1).toString();
    if (encoding != QLatin1StringView("UTF8")
        || (ctype != QLatin1StringView("C") && ctype != QLatin1StringView("POSIX")))
        throw DbError(DbError::CannotOpen,
            QStringLiteral("The books' database must be UTF-8 with the character type C (it is %1, %2): "
                           "createdb -E UTF8 --locale=C -T template0")
                .arg(encoding, ctype));
}

void runInTransaction(PgConnection &db, const std::function<void()> &statements)
{
    db.exec(QStringLiteral("BEGIN"));
    try {
        statements();
        db.exec(QStringLiteral("COMMIT"));
    } catch (...) {
        try {
            db.exec(QStringLiteral("ROLLBACK"));
        } catch (const DbError &) {
            // The connection is gone, and the server has rolled back with it.
        }
        throw;
    }
}

void createCompany(PgConnection &db, const QString &company)
{
    runInTransaction(db, [&] {
        for (const QString &statement : companyStatements(company))
            db.exec(statement);
    });
}

} // namespace pusla::serverschema
