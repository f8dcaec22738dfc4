// The query language: record sources, statements and FindFirst criteria as
// the forms and postings write them, translated and then really run on an
// in-memory SQLite database holding the program's tables.
//
// Input: one byte for the kind (0 statement, 1 record source, 2 criterion),
// one for the criterion's table and sort column, then the text.
//
// Whatever the translator accepts must reach SQLite as one statement whose
// `?` marks are exactly the values it binds, and a record source or a
// criterion must not write; SQLite may still refuse it (a type or function
// error is the operator's), but never as SQL that another text changed.
// PUSLA_FUZZ_VERBOSE=1 prints every statement run and every refusal.
#include "FuzzSupport.h"

#include "data/SchemaDdl.h"
#include "store/DbError.h"
#include "store/jet/JetPattern.h"
#include "store/jet/JetSql.h"
#include "store/jet/RecordSourcePlan.h"

#include <sqlite3.h>

#include <memory>

using namespace pusla;

namespace {

const QString kSchema = QStringLiteral("main");

sqlite3 *g_db = nullptr;
std::vector<TableInfo> g_tables;

// The program's LIKE (SharedConnection registers the same on its connection).
void jetLike(sqlite3_context *context, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto text = [](sqlite3_value *v) {
        return QString(static_cast<const QChar *>(sqlite3_value_text16(v)), sqlite3_value_bytes16(v) / 2);
    };
    sqlite3_result_int(context, JetPattern(text(argv[0])).matches(text(argv[1])) ? 1 : 0);
}

void exec(const QString &sql)
{
    char *error = nullptr;
    if (sqlite3_exec(g_db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK)
        fuzz::fault("setting up the database failed", sql + u'\n' + QString::fromUtf8(error));
}

TableInfo tableInfo(const QString &name)
{
    for (const TableInfo &table : g_tables) {
        if (table.name.compare(name, Qt::CaseInsensitive) == 0)
            return table;
    }
    throw DbError(DbError::TableNotFound, QStringLiteral("no table %1").arg(name));
}

TableInfo readTableInfo(const QString &name)
{
    TableInfo info {name, {}};
    sqlite3_stmt *stmt = nullptr;
    sqlite3_prepare_v2(g_db, "SELECT name, upper(type) FROM pragma_table_info(?)", -1, &stmt, nullptr);
    const QByteArray utf8 = name.toUtf8();
    sqlite3_bind_text(stmt, 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        const QString type = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 1)));
        // SQLite's affinity, as SharedConnection reads a declared type.
        const TableColumn::Kind kind = type.contains(u"INT")     ? TableColumn::Kind::Number
            : (type.contains(u"CHAR") || type.contains(u"TEXT")) ? TableColumn::Kind::Text
            : type.isEmpty()                                     ? TableColumn::Kind::Other
                                                                 : TableColumn::Kind::Number;
        info.columns.push_back({QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0))), kind});
    }
    sqlite3_finalize(stmt);
    return info;
}

// Prepares and runs one translation; SQLite's refusal is an error path, a
// statement that is not what the translator meant is a fault.
void run(const QString &sql, const QVariantList &params, bool readOnly)
{
    const QByteArray utf8 = sql.toUtf8();
    if (qEnvironmentVariableIsSet("PUSLA_FUZZ_VERBOSE"))
        std::fprintf(stderr, "run: %s\n", utf8.constData());
    sqlite3_stmt *stmt = nullptr;
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(g_db, utf8.constData(), int(utf8.size()), &stmt, &tail) != SQLITE_OK) {
        if (qEnvironmentVariableIsSet("PUSLA_FUZZ_VERBOSE"))
            std::fprintf(stderr, "refused: %s\n  %s\n", sqlite3_errmsg(g_db), utf8.constData());
        return;
    }
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> owned(stmt, sqlite3_finalize);
    if (!stmt)
        fuzz::fault("the translation is no statement", sql);
    if (!QByteArray(tail).trimmed().isEmpty())
        fuzz::fault("the translation holds more than one statement", sql);
    if (sqlite3_bind_parameter_count(stmt) != params.size())
        fuzz::fault("the translation's ? marks are not the values it binds",
            sql + QStringLiteral("\n%1 values").arg(params.size()));
    if (readOnly && !sqlite3_stmt_readonly(stmt))
        fuzz::fault("a read translates to a write", sql);
    for (int i = 0; i < params.size(); ++i) {
        const QVariant &value = params.at(i);
        if (value.isNull())
            sqlite3_bind_null(stmt, i + 1);
        else if (value.typeId() == QMetaType::Double)
            sqlite3_bind_double(stmt, i + 1, value.toDouble());
        else if (value.canConvert<qint64>() && value.typeId() != QMetaType::QString)
            sqlite3_bind_int64(stmt, i + 1, value.toLongLong());
        else
            sqlite3_bind_text16(stmt, i + 1, value.toString().utf16(), -1, SQLITE_TRANSIENT);
    }
    for (int rows = 0; rows < 1000 && sqlite3_step(stmt) == SQLITE_ROW; ++rows) { }
}

void statement(const QString &text)
{
    const SqlText sql = translateStatement(text, kSchema, &tableInfo);
    // Each statement starts from the same rows.
    exec(QStringLiteral("SAVEPOINT fuzz"));
    run(sql.sql, sql.params, false);
    exec(QStringLiteral("ROLLBACK TO fuzz; RELEASE fuzz"));
    translateStatement(text, QStringLiteral("01"), &tableInfo, SqlDialect::Postgres);
}

void recordSource(const QString &text)
{
    const RecordSourcePlan plan = planRecordSource(text, kSchema, &tableInfo);
    if (plan.keyset) {
        // The row ids in order, then the fields of each: what a keyset reads.
        QString sql = QStringLiteral("SELECT rowid, ") + plan.selectList.sql + QStringLiteral(" FROM ") + kSchema + u'.'
            + sqlName(plan.table.name);
        if (!plan.where.isEmpty())
            sql += QStringLiteral(" WHERE ") + plan.where.sql;
        sql += QStringLiteral(" ORDER BY ") + plan.orderBy.sql;
        run(sql, plan.selectList.params + plan.where.params + plan.orderBy.params, true);
    } else {
        run(plan.statement.sql, plan.statement.params, true);
    }
    const RecordSourcePlan server = planRecordSource(text, QStringLiteral("01"), &tableInfo, SqlDialect::Postgres);
    numberedParameters(server.statement.sql);
}

void criterion(const QString &text, uint8_t selector)
{
    const TableInfo &table = g_tables[selector % g_tables.size()];
    // The sort column is a text field when the set has one.
    std::vector<int> textColumns {-1};
    for (size_t i = 0; i < table.columns.size(); ++i) {
        if (table.columns[i].kind == TableColumn::Kind::Text)
            textColumns.push_back(int(i));
    }
    const int sortColumn = textColumns[(selector / g_tables.size()) % textColumns.size()];
    QSet<int> columnsRead;
    const SqlText where = translateCriteria(text, table, sortColumn, SqlDialect::Sqlite, &columnsRead);
    for (const int column : columnsRead) {
        if (column < 0 || size_t(column) >= table.columns.size())
            fuzz::fault("a criterion reads a column the table does not have", text);
    }
    run(QStringLiteral("SELECT rowid FROM ") + kSchema + u'.' + sqlName(table.name) + QStringLiteral(" WHERE ")
            + where.sql,
        where.params, true);
    numberedParameters(translateCriteria(text, table, sortColumn, SqlDialect::Postgres).sql);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quietQt();
    if (sqlite3_open(":memory:", &g_db) != SQLITE_OK)
        fuzz::fault("no in-memory database");
    sqlite3_create_function_v2(g_db, "pusla_like", 2, SQLITE_UTF16 | SQLITE_DETERMINISTIC | SQLITE_DIRECTONLY, nullptr,
        jetLike, nullptr, nullptr, nullptr);
    sqlite3_limit(g_db, SQLITE_LIMIT_LENGTH, 1 << 20);
    using schema::DatabaseKind;
    for (const DatabaseKind kind :
        {DatabaseKind::Cari, DatabaseKind::Stok, DatabaseKind::Fatura, DatabaseKind::Index}) {
        for (const QString &sql : schema::tableStatements(kind) + schema::indexStatements(kind))
            exec(sql);
        for (const schema::TableLayout &layout : schema::tableLayouts(kind))
            g_tables.push_back(readTableInfo(QString(layout.name)));
    }
    // Rows that put folding, wildcards and quoting to the test.
    exec(QStringLiteral("INSERT INTO StokKartlar (StokKod, StokAdi, Barkod, KalanB, Fiyat, StokGizle, Sube) VALUES "
                        "('01', 'ÇAY', '8690', 2, 5, 0, '02'), ('02', 'çay bardağı', NULL, 0, 7.5, -1, '03'), "
                        "('03', 'Işık', '1', 3, 0, 0, NULL), ('04', 'İnce', '', -1, 2, 0, '02'), ('05', '100% pamuk', "
                        "'x', 0, 0, 0, ''), "
                        "('06', 'a_b', NULL, 0, 0, 0, NULL), ('07', '[köşeli]', NULL, 1e300, -0.0, 0, NULL), "
                        "('08', 'O''Brien', NULL, 0, 0, 0, NULL), ('09', 'x'' OR 1=1 --', NULL, 0, 0, 0, NULL), "
                        "('10', 'Yıldız*', NULL, 0, 0, 0, NULL), (NULL, NULL, NULL, NULL, NULL, NULL, NULL)"));
    exec(QStringLiteral("INSERT INTO StokHareket (StokHarKod, Tarih, Miktar, Fiyat, GirisCikis) VALUES "
                        "('01', '2017-01-17T15:54:43', 2, 5, 'G'), ('02', '17/01/2017 15:54', -1, 7.5, 'C')"));
    exec(QStringLiteral("INSERT INTO CariKartlar (CariKod, Unvan, Borc) VALUES ('120', 'Şeker A.Ş.', 10), "
                        "('121', 'öğle', 0)"));
    exec(QStringLiteral("INSERT INTO Faturalar (FaturaNo, FatTarih, Toplam) VALUES ('00001', '2017-01-17', 9)"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const QString text = fuzz::text(data + 2, size - 2);
    try {
        switch (data[0] % 3) {
        case 0:
            statement(text);
            break;
        case 1:
            recordSource(text);
            break;
        default:
            criterion(text, data[1]);
            break;
        }
    } catch (const DbError &) {
        // A refused text is the operator's error, reported as the engine reports it.
    }
    return 0;
}
