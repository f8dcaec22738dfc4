#include "store/SqliteStatement.h"

#include "store/DbError.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <sqlite3.h>

namespace pusla {
namespace {

int numberFor(int rc)
{
    switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return DbError::Locked;
    case SQLITE_CONSTRAINT:
        if (rc == SQLITE_CONSTRAINT_NOTNULL)
            return DbError::NullNotAllowed;
        return DbError::DuplicateKey;
    case SQLITE_READONLY:
        return DbError::ReadOnly;
    case SQLITE_NOTADB:
        return DbError::UnrecognizedFormat;
    case SQLITE_CORRUPT:
        return DbError::Corrupt;
    case SQLITE_FULL:
        return DbError::DiskFull;
    // The file is there (a missing one is found before it is opened): it, or
    // the journal beside it, cannot be opened for writing.
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
        return DbError::CannotOpen;
    case SQLITE_IOERR:
        return DbError::DiskError;
    default:
        return DbError::Generic;
    }
}

} // namespace

void throwSqliteError(sqlite3 *db, int rc, const QString &context)
{
    const QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    const QString text = context.isEmpty() ? message : context + QStringLiteral(": ") + message;
    if ((rc & 0xFF) == SQLITE_ERROR && message.startsWith(u"no such table"))
        throw DbError(DbError::TableNotFound, text);
    throw DbError(numberFor(rc), text);
}

SqliteStatement::SqliteStatement(sqlite3 *db, const QString &sql)
    : m_db(db)
    , m_sql(sql)
{
    const int rc
        = sqlite3_prepare16_v3(db, sql.utf16(), int(sql.size() * 2), SQLITE_PREPARE_PERSISTENT, &m_stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        throwSqliteError(db, rc, {});
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_stmt);
}

void SqliteStatement::bind(int index, const QVariant &value)
{
    int rc = SQLITE_OK;
    if (value.isNull()) {
        rc = sqlite3_bind_null(m_stmt, index);
    } else {
        switch (value.typeId()) {
        case QMetaType::Bool:
            rc = sqlite3_bind_int64(m_stmt, index, value.toBool() ? -1 : 0); // the engine's True is -1
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
            rc = sqlite3_bind_int64(m_stmt, index, value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::ULongLong:
        case QMetaType::ULong:
            rc = sqlite3_bind_double(m_stmt, index, value.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            rc = sqlite3_bind_blob64(m_stmt, index, bytes.constData(), sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::QDate:
            rc = sqlite3_bind_text16(m_stmt, index, value.toDate().toString(Qt::ISODate).utf16(), -1, SQLITE_TRANSIENT);
            break;
        case QMetaType::QDateTime: {
            const QString text = value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            rc = sqlite3_bind_text16(m_stmt, index, text.utf16(), int(text.size() * 2), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QString text = value.toString();
            rc = sqlite3_bind_text16(m_stmt, index, text.utf16(), int(text.size() * 2), SQLITE_TRANSIENT);
            break;
        }
        }
    }
    if (rc != SQLITE_OK)
        throwSqliteError(m_db, rc, {});
}

void SqliteStatement::bindAll(const QVariantList &values, int first)
{
    for (qsizetype i = 0; i < values.size(); ++i)
        bind(first + int(i), values.at(i));
}

void SqliteStatement::bindInt64(int index, qint64 value)
{
    const int rc = sqlite3_bind_int64(m_stmt, index, value);
    if (rc != SQLITE_OK)
        throwSqliteError(m_db, rc, {});
}

bool SqliteStatement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(m_stmt);
    throwSqliteError(m_db, rc, {});
}

void SqliteStatement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

int SqliteStatement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

QString SqliteStatement::columnName(int column) const
{
    return QString::fromUtf8(sqlite3_column_name(m_stmt, column));
}

qint64 SqliteStatement::int64(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

QVariant SqliteStatement::value(int column) const
{
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(m_stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_stmt, column));
    case SQLITE_TEXT: {
        const auto *text = static_cast<const char16_t *>(sqlite3_column_text16(m_stmt, column));
        return QVariant(QString(reinterpret_cast<const QChar *>(text), sqlite3_column_bytes16(m_stmt, column) / 2));
    }
    case SQLITE_BLOB: {
        const auto *data = static_cast<const char *>(sqlite3_column_blob(m_stmt, column));
        return QVariant(QByteArray(data, sqlite3_column_bytes(m_stmt, column)));
    }
    default:
        return QVariant();
    }
}

} // namespace pusla
