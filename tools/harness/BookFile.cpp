#include "BookFile.h"

#include "store/DbError.h"
#include "store/SqliteStatement.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <sqlite3.h>
#include <stdexcept>

namespace pusla::harness {

BookFile::BookFile(const QString &path)
    : m_path(path)
{
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc));
        sqlite3_close(m_db);
        throw std::runtime_error(QStringLiteral("%1: %2").arg(path, message).toStdString());
    }
    sqlite3_busy_timeout(m_db, 60000);
}

BookFile::~BookFile()
{
    sqlite3_close(m_db);
}

QList<Row> BookFile::rows(const QString &sql, const Row &params) const
{
    try {
        SqliteStatement statement(m_db, sql);
        for (int i = 0; i < params.size(); ++i)
            statement.bindInt64(i + 1, params[i].toLongLong());
        QList<Row> result;
        while (statement.step()) {
            Row row;
            for (int c = 0; c < statement.columnCount(); ++c)
                row << statement.value(c);
            result << row;
        }
        return result;
    } catch (const DbError &error) {
        throw std::runtime_error(QStringLiteral("%1: %2: %3").arg(m_path, sql, error.text()).toStdString());
    }
}

bool BookFile::hasTable(const QString &table) const
{
    return !rows(
        QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND name='%1' COLLATE NOCASE").arg(table))
                .isEmpty();
}

double number(const QVariant &value)
{
    return value.isNull() ? 0.0 : value.toDouble();
}

bool near(double a, double b)
{
    return std::fabs(a - b) <= 1e-6 * std::max({1.0, std::fabs(a), std::fabs(b)});
}

QString fmt(double value)
{
    return QString::number(value, 'g', 12);
}

QString fileIn(const QString &folder, const QString &name)
{
    const QStringList found = QDir(folder).entryList({name}, QDir::Files);
    for (const QString &candidate : found) {
        if (candidate.compare(name, Qt::CaseInsensitive) == 0)
            return QDir(folder).filePath(candidate);
    }
    return QDir(folder).filePath(name);
}

QString setFile(const QString &dataDirectory, const QString &company, const char *kind)
{
    return fileIn(dataDirectory, company + QLatin1String(kind) + QStringLiteral(".mdb"));
}

} // namespace pusla::harness
