#include "data/ServerLoad.h"

#include "data/SchemaDdl.h"
#include "data/ServerSchema.h"
#include "store/DbError.h"
#include "store/pg/PgConnection.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

#include <functional>

namespace pusla::serverload {

using namespace schema;
using serverschema::quoted;

namespace {

// Rows per INSERT: well below the server's 65535 parameters for the widest table.
constexpr int kBatchRows = 500;

/// A field as its declared type reads it, the same on both sides.
QByteArray canonical(const QVariant &value, ColumnType type)
{
    if (value.isNull())
        return QByteArrayLiteral("\\N");
    switch (type) {
    case ColumnType::Number:
        return QByteArray::number(value.toDouble(), 'g', 17);
    case ColumnType::Integer:
    case ColumnType::Boolean:
        return QByteArray::number(value.toLongLong());
    case ColumnType::Text:
    case ColumnType::DateTime:
        break;
    }
    return value.toString().toUtf8();
}

QStringList columnNames(const TableLayout &table, const std::function<QString(const QString &)> &quote)
{
    QStringList names;
    for (const Column &column : table.columns)
        names << quote(QString(column.name));
    return names;
}

/// Every row of a table of a file, in stored order, to `take`.
void readFileTable(QSqlDatabase &db, const TableLayout &table, const std::function<void(const QVariantList &)> &take)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    const QString sql = QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid")
                            .arg(columnNames(table, [](const QString &n) { return n; }).join(u','), table.name);
    if (!query.exec(sql))
        throw DbError(DbError::Generic, query.lastError().text(), db.databaseName());
    const int count = int(table.columns.size());
    while (query.next()) {
        QVariantList row;
        row.reserve(count);
        for (int i = 0; i < count; ++i)
            row.append(query.value(i));
        take(row);
    }
}

struct Summer
{
    const TableLayout &table;
    TableCheck check {QString(table.name), 0, {}};
    QCryptographicHash hash {QCryptographicHash::Sha256};

    void add(const QVariantList &row)
    {
        for (qsizetype i = 0; i < row.size(); ++i) {
            hash.addData(canonical(row[i], table.columns[size_t(i)].type));
            hash.addData("\x1f");
        }
        hash.addData("\x1e");
        ++check.rows;
    }
    TableCheck done()
    {
        check.checksum = hash.result().toHex();
        return check;
    }
};

QString counterText(const QString &counterFile)
{
    QFile file(counterFile);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("00000");
    const QRegularExpressionMatch counter
        = QRegularExpression(QStringLiteral("\"(\\d+)\"")).match(QString::fromLatin1(file.read(4096)));
    return counter.hasMatch() ? counter.captured(1) : QStringLiteral("00000");
}

bool schemaHoldsRows(PgConnection &db, const QString &company)
{
    if (db.exec(QStringLiteral("SELECT 1 FROM pg_namespace WHERE nspname = $1"), {company}).rows.empty())
        return false;
    for (const auto &[kind, file] : serverschema::kCompanyFiles) {
        for (const TableLayout &table : tableLayouts(kind)) {
            const QString sql = QStringLiteral("SELECT EXISTS (SELECT 1 FROM %1.%2)")
                                    .arg(quoted(company), quoted(QString(table.name)));
            if (db.exec(sql).value().toBool())
                return true;
        }
    }
    return false;
}

/// Copies a table of a file to the server, a batch of rows per statement.
void copyTable(QSqlDatabase &file, PgConnection &db, const QString &company, const TableLayout &table)
{
    const QString head
        = QStringLiteral("INSERT INTO %1.%2 (%3) VALUES ")
              .arg(quoted(company), quoted(QString(table.name)), columnNames(table, &serverschema::quoted).join(u','));
    const int width = int(table.columns.size());
    QStringList tuples;
    QVariantList params;
    const auto flush = [&] {
        if (!tuples.isEmpty())
            db.exec(head + tuples.join(u','), params);
        tuples.clear();
        params.clear();
    };
    readFileTable(file, table, [&](const QVariantList &row) {
        QStringList marks;
        for (int i = 0; i < width; ++i)
            marks << QStringLiteral("$%1").arg(params.size() + i + 1);
        tuples << u'(' + marks.join(u',') + u')';
        params += row;
        if (tuples.size() == kBatchRows)
            flush();
    });
    flush();
}

} // namespace

std::vector<TableCheck> fileChecks(const QString &filePrefix)
{
    std::vector<TableCheck> checks;
    for (const auto &[kind, file] : serverschema::kCompanyFiles) {
        const QString path = filePrefix + QString(file);
        if (!QFile::exists(path))
            throw DbError(DbError::FileNotFound, QStringLiteral("The file is not there."), path);
        ScopedConnection connection(path);
        QString error;
        if (!connection.open(&error))
            throw DbError(DbError::CannotOpen, error, path);
        for (const TableLayout &table : tableLayouts(kind)) {
            Summer sum {table};
            readFileTable(connection.database(), table, [&](const QVariantList &row) { sum.add(row); });
            checks.push_back(sum.done());
        }
    }
    return checks;
}

std::vector<TableCheck> serverChecks(PgConnection &db, const QString &company)
{
    std::vector<TableCheck> checks;
    for (const auto &[kind, file] : serverschema::kCompanyFiles) {
        for (const TableLayout &table : tableLayouts(kind)) {
            Summer sum {table};
            const PgRows rows = db.exec(QStringLiteral("SELECT %1 FROM %2.%3 ORDER BY id")
                                            .arg(columnNames(table, &serverschema::quoted).join(u','), quoted(company),
                                                quoted(QString(table.name))));
            for (const QVariantList &row : rows.rows)
                sum.add(row);
            checks.push_back(sum.done());
        }
    }
    return checks;
}

LoadResult loadCompany(
    PgConnection &db, const QString &filePrefix, const QString &counterFile, const QString &company, bool replace)
{
    LoadResult result;
    try {
        serverschema::checkDatabase(db);
        if (!replace && schemaHoldsRows(db, company)) {
            result.errorText = QStringLiteral("The company %1 already has books on the server; "
                                              "replacing them takes --replace.")
                                   .arg(company);
            return result;
        }
        // Read first: a file that is missing or damaged stops the load before
        // anything on the server changes.
        const std::vector<TableCheck> files = fileChecks(filePrefix);
        serverschema::runInTransaction(db, [&] {
            db.exec(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(quoted(company)));
            for (const QString &statement : serverschema::companyStatements(company))
                db.exec(statement);
            for (const auto &[kind, file] : serverschema::kCompanyFiles) {
                ScopedConnection connection(filePrefix + QString(file));
                QString error;
                if (!connection.open(&error))
                    throw DbError(DbError::CannotOpen, error, filePrefix + QString(file));
                for (const TableLayout &table : tableLayouts(kind))
                    copyTable(connection.database(), db, company, table);
            }
            db.exec(QStringLiteral("UPDATE %1.pusla_counter SET value = $1 WHERE name = 'FatNo'").arg(quoted(company)),
                {counterText(counterFile)});
        });
        // Fresh statistics, and the visibility map that lets a list be read
        // from its index alone.
        for (const auto &[kind, file] : serverschema::kCompanyFiles) {
            for (const TableLayout &table : tableLayouts(kind))
                db.exec(QStringLiteral("VACUUM ANALYZE %1.%2").arg(quoted(company), quoted(QString(table.name))));
        }
        result.tables = serverChecks(db, company);
        for (size_t i = 0; i < files.size(); ++i) {
            if (!(files[i] == result.tables[i]))
                result.errorText += QStringLiteral("%1: %2 rows in the file, %3 on the server, or other contents. ")
                                        .arg(files[i].table)
                                        .arg(files[i].rows)
                                        .arg(result.tables[i].rows);
        }
        result.ok = result.errorText.isEmpty();
    } catch (const DbError &error) {
        result.errorText = error.file().isEmpty() ? error.text() : error.file() + QStringLiteral(": ") + error.text();
    }
    return result;
}

} // namespace pusla::serverload
