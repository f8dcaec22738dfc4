#include "store/pg/PgConnection.h"

#include "store/DbError.h"

#include <QLocale>

#include <libpq-fe.h>

#include <algorithm>
#include <charconv>
#include <memory>
#include <optional>
#include <utility>

namespace pusla {

namespace {

// The type identifiers of pg_type that values are read and bound as.
constexpr Oid kBool = 16;
constexpr Oid kInt8 = 20;
constexpr Oid kInt2 = 21;
constexpr Oid kInt4 = 23;
constexpr Oid kFloat4 = 700;
constexpr Oid kFloat8 = 701;
constexpr Oid kNumeric = 1700;

// Statements kept prepared per session; beyond them, statements go unprepared.
constexpr qsizetype kMaxPrepared = 512;

struct ResultDeleter
{
    void operator()(PGresult *result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

/// The engine's error class (SQLSTATE) as the numbers the forms know.
int errorNumber(const char *state)
{
    const QLatin1StringView code(state ? state : "");
    if (code == "55P03" || code == "40P01" || code == "40001" || code == "57014")
        return DbError::Locked; // no lock in time, a deadlock, a conflict, a cancelled wait
    if (code.startsWith(QLatin1StringView("08")) || code == "57P01" || code == "25P03")
        return DbError::ConnectionLost;
    if (code == "23505")
        return DbError::DuplicateKey;
    if (code == "23502")
        return DbError::NullNotAllowed;
    if (code == "42P01")
        return DbError::TableNotFound;
    if (code == "42883")
        return DbError::UndefinedFunction;
    if (code == "42601")
        return DbError::SyntaxError;
    if (code == "53100")
        return DbError::DiskFull;
    return DbError::Generic;
}

QVariant valueOf(const PGresult *result, int row, int column)
{
    if (PQgetisnull(result, row, column))
        return {};
    const char *text = PQgetvalue(result, row, column);
    const char *end = text + PQgetlength(result, row, column);
    switch (PQftype(result, column)) {
    case kInt2:
    case kInt4:
    case kInt8: {
        qint64 number = 0;
        std::from_chars(text, end, number);
        return number;
    }
    case kFloat4:
    case kFloat8:
    case kNumeric:
        return QByteArrayView(text, end).toDouble();
    case kBool:
        return text[0] == 't';
    default:
        return QString::fromUtf8(text);
    }
}

/// A parameter's text and the type it is bound as (0: the server infers it).
std::pair<QByteArray, Oid> parameter(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return {value.toBool() ? "-1" : "0", kInt8}; // Yes/No fields hold -1 and 0
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
        return {QByteArray::number(value.toLongLong()), kInt8};
    case QMetaType::Double:
    case QMetaType::Float:
        return {QByteArray::number(value.toDouble(), 'g', QLocale::FloatingPointShortest), kFloat8};
    default:
        return {value.toString().toUtf8(), 0};
    }
}

/// Throws the failure a statement or a step of the session ended in.
void check(PGconn *conn, const Result &result)
{
    if (!result)
        throw DbError(PQstatus(conn) == CONNECTION_OK ? DbError::Generic : DbError::ConnectionLost,
            QString::fromUtf8(PQerrorMessage(conn)).trimmed());
    const ExecStatusType status = PQresultStatus(result.get());
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
        return;
    const int number = PQstatus(conn) == CONNECTION_OK ? errorNumber(PQresultErrorField(result.get(), PG_DIAG_SQLSTATE))
                                                       : DbError::ConnectionLost;
    throw DbError(number, QString::fromUtf8(PQresultErrorMessage(result.get())).trimmed());
}

} // namespace

PgConnection::PgConnection(const QString &conninfo, const Timeouts &timeouts)
{
    // The defaults first: the connection string may override any of them.
    // A terminal's statements are mostly finds of a row by an indexed key,
    // prepared once and run thousands of times: planning each run anew (as
    // the server does while a custom plan looks cheaper than the generic
    // one) would cost more than the find itself.
    const QByteArray connectTimeout = QByteArray::number(timeouts.connectSeconds);
    const QByteArray options = QStringLiteral("-c lock_timeout=%1 -c idle_in_transaction_session_timeout=%2 "
                                              "-c plan_cache_mode=force_generic_plan")
                                   .arg(timeouts.lockMilliseconds)
                                   .arg(timeouts.idleInTransactionMilliseconds)
                                   .toUtf8();
    const QByteArray database = conninfo.toUtf8();
    const char *keywords[] = {"connect_timeout", "keepalives", "keepalives_idle", "keepalives_interval",
        "keepalives_count", "client_encoding", "options", "application_name", "dbname", nullptr};
    const char *values[] = {connectTimeout.constData(), "1", "30", "10", "3", "UTF8", options.constData(), "pusla",
        database.constData(), nullptr};
    m_conn = PQconnectdbParams(keywords, values, 1);
    if (PQstatus(m_conn) != CONNECTION_OK) {
        const QString text = QString::fromUtf8(PQerrorMessage(m_conn)).trimmed();
        PQfinish(m_conn);
        m_conn = nullptr;
        throw DbError(DbError::CannotOpen, text);
    }
    // The server's notices ("schema ... does not exist, skipping") are not
    // the program's to print.
    PQsetNoticeProcessor(
        m_conn, [](void *, const char *) {}, nullptr);
}

PgConnection::~PgConnection()
{
    PQfinish(m_conn);
}

TableInfo PgConnection::tableInfo(const QString &schema, const QString &table)
{
    const PgRows columns = exec(QStringLiteral("SELECT column_name, data_type, is_generated = 'ALWAYS' OR "
                                               "is_identity = 'YES', table_name FROM information_schema.columns "
                                               "WHERE table_schema = $1 AND lower(table_name) = lower($2) "
                                               "ORDER BY ordinal_position"),
        {schema, table});
    if (columns.rows.empty())
        throw DbError(DbError::TableNotFound,
            QStringLiteral("The Microsoft Jet database engine cannot find the input table or query '%1'.").arg(table));
    TableInfo info {columns.rows.front()[3].toString(), {}};
    for (const QVariantList &column : columns.rows) {
        const QString type = column[1].toString();
        TableColumn::Kind kind = TableColumn::Kind::Other;
        if (type == QLatin1StringView("text") || type.startsWith(QLatin1StringView("character")))
            kind = TableColumn::Kind::Text;
        else if (type == QLatin1StringView("double precision") || type == QLatin1StringView("integer")
            || type == QLatin1StringView("bigint") || type == QLatin1StringView("smallint")
            || type == QLatin1StringView("real") || type == QLatin1StringView("numeric"))
            kind = TableColumn::Kind::Number;
        info.columns.push_back({column[0].toString(), kind, column[2].toBool()});
    }
    return info;
}

int PgConnection::backendPid() const
{
    return PQbackendPID(m_conn);
}

bool PgConnection::isLost() const
{
    return PQstatus(m_conn) != CONNECTION_OK;
}

bool PgConnection::inTransaction() const
{
    const PGTransactionStatusType status = PQtransactionStatus(m_conn);
    return status == PQTRANS_INTRANS || status == PQTRANS_INERROR || status == PQTRANS_ACTIVE;
}

bool PgConnection::transactionFailed() const
{
    return PQtransactionStatus(m_conn) == PQTRANS_INERROR;
}

QStringList PgConnection::takeNotifications()
{
    QStringList payloads;
    if (!PQconsumeInput(m_conn))
        return payloads; // a lost connection shows at the next statement
    while (PGnotify *notify = PQnotifies(m_conn)) {
        payloads.append(QString::fromUtf8(notify->extra));
        PQfreemem(notify);
    }
    return payloads;
}

namespace {

/// A statement's values as libpq takes them.
struct Bound
{
    explicit Bound(const QVariantList &params)
    {
        texts.reserve(size_t(params.size()));
        for (const QVariant &param : params) {
            if (param.isNull()) {
                texts.emplace_back();
                values.push_back(nullptr);
                types.push_back(0);
                continue;
            }
            auto [text, type] = parameter(param);
            texts.push_back(std::move(text));
            values.push_back(texts.back().constData());
            types.push_back(type);
        }
    }

    std::vector<QByteArray> texts;
    std::vector<const char *> values;
    std::vector<Oid> types;
};

PgRows rowsOf(const PGresult *result)
{
    PgRows rows;
    const int columns = PQnfields(result);
    for (int column = 0; column < columns; ++column)
        rows.columns << QString::fromUtf8(PQfname(result, column));
    const int count = PQntuples(result);
    rows.rows.reserve(size_t(count));
    for (int row = 0; row < count; ++row) {
        QVariantList fields;
        fields.reserve(columns);
        for (int column = 0; column < columns; ++column)
            fields.append(valueOf(result, row, column));
        rows.rows.push_back(std::move(fields));
    }
    rows.affected = QByteArray(PQcmdTuples(const_cast<PGresult *>(result))).toLongLong();
    return rows;
}

} // namespace

namespace {

/// Reads and writes are worth keeping prepared; the one-off statements that
/// lay down a schema or load a set are not.
bool worthPreparing(QByteArrayView sql)
{
    const QByteArrayView head = sql.trimmed().first(std::min<qsizetype>(6, sql.trimmed().size()));
    for (const char *verb : {"SELECT", "INSERT", "UPDATE", "DELETE"}) {
        if (head.compare(QByteArrayView(verb), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

/// Whether a prepared statement failed because the server no longer has it
/// as it was prepared (a table changed under it, or it was let go).
bool stale(const PGresult *result)
{
    const QLatin1StringView code(PQresultErrorField(result, PG_DIAG_SQLSTATE));
    return code == "0A000" || code == "26000";
}

/// A whole number of 2, 4 or 8 bytes in network order.
qint64 wholeNumber(const unsigned char *bytes, int length)
{
    quint64 value = 0;
    for (int i = 0; i < length; ++i)
        value = (value << 8) | bytes[i];
    // Sign-extend the shorter kinds.
    if (length > 0 && length < 8 && (bytes[0] & 0x80))
        value |= ~quint64(0) << (8 * length);
    return qint64(value);
}

/// The keys of a list, which came as one binary array of whole numbers: a
/// header of three 4-byte fields (the dimensions, a null flag, the element
/// type) and, for a list that is not empty, two more (its length and lower
/// bound), then each element's length and bytes.
PgRows keysOf(const PGresult *result)
{
    PgRows rows;
    if (PQntuples(result) != 1 || PQnfields(result) != 1 || PQgetisnull(result, 0, 0))
        return rows;
    const auto *bytes = reinterpret_cast<const unsigned char *>(PQgetvalue(result, 0, 0));
    const int size = PQgetlength(result, 0, 0);
    constexpr int kHeader = 20;
    if (size < kHeader || wholeNumber(bytes, 4) != 1)
        return rows;
    const qint64 count = wholeNumber(bytes + 12, 4);
    rows.keys.reserve(size_t(std::clamp<qint64>(count, 0, size / 4)));
    for (int at = kHeader; at + 4 <= size;) {
        const int length = int(wholeNumber(bytes + at, 4));
        at += 4;
        if (length < 0 || length > 8 || at + length > size)
            throw DbError(DbError::Generic, QStringLiteral("The server sent a list of keys that is not one."));
        rows.keys.push_back(wholeNumber(bytes + at, length));
        at += length;
    }
    return rows;
}

} // namespace

void PgConnection::send(const QString &sql, const QVariantList &params, bool keys)
{
    if (PQpipelineStatus(m_conn) == PQ_PIPELINE_OFF && !PQenterPipelineMode(m_conn))
        throw DbError(DbError::Generic, QString::fromUtf8(PQerrorMessage(m_conn)).trimmed());
    const Bound bound(params);
    const QByteArray text = sql.toUtf8();
    const int count = int(bound.values.size());
    Pending pending;
    QByteArray name;
    if (worthPreparing(text)) {
        pending.key = text + '\0'
            + QByteArray(reinterpret_cast<const char *>(bound.types.data()), qsizetype(count * sizeof(Oid)));
        name = m_prepared.value(pending.key);
        if (name.isEmpty() && m_prepared.size() < kMaxPrepared) {
            name = "pusla_" + QByteArray::number(++m_namesGiven);
            pending.preparing = true;
            if (!PQsendPrepare(m_conn, name.constData(), text.constData(), count, bound.types.data()))
                name.clear();
            else
                m_prepared.insert(pending.key, name);
        }
    }
    const int format = keys ? 1 : 0; // binary or text
    const bool sent = name.isEmpty() ? PQsendQueryParams(m_conn, text.constData(), count, bound.types.data(),
                                           bound.values.data(), nullptr, nullptr, format)
                                     : PQsendQueryPrepared(
                                           m_conn, name.constData(), count, bound.values.data(), nullptr, nullptr, format);
    if (!sent) {
        m_prepared.remove(pending.key);
        throw DbError(
            isLost() ? DbError::ConnectionLost : DbError::Generic, QString::fromUtf8(PQerrorMessage(m_conn)).trimmed());
    }
    if (name.isEmpty())
        pending = {};
    pending.keys = keys;
    m_pending.push_back(std::move(pending));
}

void PgConnection::queue(const QString &sql, const QVariantList &params)
{
    send(sql, params);
}

PgRows PgConnection::exec(const QString &sql, const QVariantList &params)
{
    const bool alone = m_pending.empty() && !inTransaction();
    ++m_roundTrips;
    send(sql, params);
    try {
        return std::move(collect(1).front());
    } catch (const DbError &) {
        // A statement prepared before its table changed is prepared anew;
        // outside a transaction its failure undid nothing.
        if (!alone || !m_sawStale)
            throw;
    }
    ++m_roundTrips;
    send(sql, params);
    return std::move(collect(1).front());
}

std::vector<qint64> PgConnection::execKeys(const QString &sql, const QVariantList &params)
{
    ++m_roundTrips;
    // One array instead of a row per key: a list of 100,000 keys would
    // otherwise cost the server and libpq more than reading them. An array
    // made of a subquery holds its rows in the subquery's order.
    send(QStringLiteral("SELECT ARRAY(") + sql + u')', params, true);
    return std::move(collect(1).front().keys);
}

std::vector<PgRows> PgConnection::execAll(const std::vector<SqlText> &statements)
{
    if (statements.empty())
        return {};
    ++m_roundTrips;
    for (const SqlText &statement : statements)
        send(statement.sql, statement.params);
    return collect(statements.size());
}

std::vector<PgRows> PgConnection::collect(size_t keep)
{
    // The statements sent go in one round trip, and their answers come back
    // together, in order: a prepare's first, then its statement's.
    const std::vector<Pending> pending = std::exchange(m_pending, {});
    if (!PQpipelineSync(m_conn))
        throw DbError(DbError::ConnectionLost, QString::fromUtf8(PQerrorMessage(m_conn)).trimmed());
    std::optional<DbError> failure;
    m_sawStale = false;
    std::vector<PgRows> kept(keep);
    const size_t firstKept = pending.size() - keep;
    const auto answer = [&](const Pending &statement, bool prepare, PgRows *rows) {
        while (PGresult *next = PQgetResult(m_conn)) {
            const Result result(next);
            if (PQresultStatus(next) == PGRES_PIPELINE_ABORTED) {
                // After the failure, which is said already.
                if (prepare)
                    m_prepared.remove(statement.key);
                continue;
            }
            try {
                check(m_conn, result);
            } catch (const DbError &error) {
                if (!prepare && stale(next))
                    m_sawStale = true;
                if (prepare || stale(next))
                    m_prepared.remove(statement.key);
                if (!failure)
                    failure = error;
                continue;
            }
            if (rows)
                *rows = statement.keys ? keysOf(next) : rowsOf(next);
        }
    };
    for (size_t i = 0; i < pending.size() && !isLost(); ++i) {
        if (pending[i].preparing)
            answer(pending[i], true, nullptr);
        answer(pending[i], false, i >= firstKept ? &kept[i - firstKept] : nullptr);
    }
    while (PGresult *next = PQgetResult(m_conn)) {
        const Result result(next);
        if (PQresultStatus(next) == PGRES_PIPELINE_SYNC)
            break;
    }
    PQexitPipelineMode(m_conn);
    if (isLost())
        throw DbError(DbError::ConnectionLost, QString::fromUtf8(PQerrorMessage(m_conn)).trimmed());
    if (failure)
        throw *failure;
    return kept;
}

} // namespace pusla
