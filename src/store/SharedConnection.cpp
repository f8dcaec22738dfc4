#include "store/SharedConnection.h"

#include "store/AttachedFile.h"
#include "store/DbError.h"
#include "store/jet/JetPattern.h"
#include "store/LockFile.h"
#include "store/SqliteStatement.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSysInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>

#include <atomic>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pusla {
namespace {

// Memory statistics cost a global mutex on every allocation SQLite makes,
// and text functions such as the case fold allocate for every row. Nothing
// here reads the statistics. Set before SQLite starts: at load time.
const bool g_memoryStatisticsOff = [] { return sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK; }();

constexpr int kMaxAttached = 10; // SQLite's limit on attached files
constexpr qsizetype kStatementCacheSize = 256;
// Page cache per attached file, in KiB (SQLite's negative form).
constexpr int kCacheKiB = 32768;

thread_local std::weak_ptr<SharedConnection> t_connection;
thread_local QString t_anchorFolder;
std::atomic<int> g_connectionCounter {0};

QStringView valueText(sqlite3_value *value)
{
    const auto *text = static_cast<const QChar *>(sqlite3_value_text16(value));
    return QStringView(text, sqlite3_value_bytes16(value) / 2);
}

// LIKE with the engine's wildcards, registered on the connection only: it is
// never part of a stored index, view or trigger (SQLITE_DIRECTONLY).
void jetLike(sqlite3_context *context, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    try {
        auto *pattern = static_cast<JetPattern *>(sqlite3_get_auxdata(context, 0));
        if (!pattern) {
            sqlite3_set_auxdata(
                context, 0, new JetPattern(valueText(argv[0])), [](void *p) { delete static_cast<JetPattern *>(p); });
            pattern = static_cast<JetPattern *>(sqlite3_get_auxdata(context, 0));
        }
        const bool match = pattern ? pattern->matches(valueText(argv[1]))
                                   : JetPattern(valueText(argv[0])).matches(valueText(argv[1]));
        sqlite3_result_int(context, match ? 1 : 0);
    } catch (const std::exception &e) {
        sqlite3_result_error(context, e.what(), -1);
    }
}

TableColumn::Kind kindOfDeclaredType(const QString &declared)
{
    // SQLite's own affinity rules, in its order.
    const QString type = declared.toUpper();
    if (type.contains(u"INT"))
        return TableColumn::Kind::Number;
    if (type.contains(u"CHAR") || type.contains(u"CLOB") || type.contains(u"TEXT"))
        return TableColumn::Kind::Text;
    if (type.isEmpty() || type.contains(u"BLOB"))
        return TableColumn::Kind::Other;
    return TableColumn::Kind::Number;
}

// Main files of crashed programs: nobody holds their lock any more. Their
// super-journals (name + "-mj...") are SQLite's to remove.
void removeStaleAnchors(const QString &folder)
{
    static const QRegularExpression anchorName(QStringLiteral("^\\.pusla-tx-.+-\\d+-\\d+$"));
    const QStringList names = QDir(folder).entryList({QStringLiteral(".pusla-tx-*")}, QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        if (!anchorName.match(name).hasMatch())
            continue;
        const QString path = QDir(folder).filePath(name);
        {
            LockFile stale(path); // joins and, being the last holder, removes it
        }
        // A main file's own journal holds nothing of the books.
        if (!QFileInfo::exists(path))
            QFile::remove(path + QStringLiteral("-journal"));
    }
}

QString hostTag()
{
    QString host = QSysInfo::machineHostName();
    for (QChar &c : host) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'.')
            c = u'_';
    }
    return host.isEmpty() ? QStringLiteral("host") : host;
}

} // namespace

void SharedConnection::setAnchorFolder(const QString &localFolder)
{
    t_anchorFolder = localFolder;
}

QString SharedConnection::anchorFolder() const
{
    return QFileInfo(m_anchorPath).absolutePath();
}

// --- Query

namespace {

// A cached statement while a query steps through it; reset when it goes.
class SqliteCursor : public StoreConnection::Cursor
{
public:
    SqliteCursor(SqliteStatement *statement, std::unique_ptr<SqliteStatement> owned)
        : m_statement(statement)
        , m_owned(std::move(owned))
    {
        m_statement->inUse = true;
    }
    ~SqliteCursor() override
    {
        m_statement->reset();
        m_statement->inUse = false;
    }
    SqliteCursor(const SqliteCursor &) = delete;
    SqliteCursor &operator=(const SqliteCursor &) = delete;

    bool next() override { return m_statement->step(); }
    qint64 int64(int column) const override { return m_statement->int64(column); }
    QVariant value(int column) const override { return m_statement->value(column); }
    int columnCount() const override { return m_statement->columnCount(); }
    QString columnName(int column) const override { return m_statement->columnName(column); }

private:
    SqliteStatement *m_statement;
    std::unique_ptr<SqliteStatement> m_owned;
};

} // namespace

// --- SharedConnection

std::shared_ptr<SharedConnection> SharedConnection::forThisThread(const QString &anchorFolder)
{
    if (std::shared_ptr<SharedConnection> existing = t_connection.lock())
        return existing;
    std::shared_ptr<SharedConnection> connection(new SharedConnection());
    connection->open(t_anchorFolder.isEmpty() ? anchorFolder : t_anchorFolder);
    t_connection = connection;
    return connection;
}

void SharedConnection::open(const QString &anchorFolder)
{
    // The main file must be a real file: SQLite writes the super-journal of a
    // multi-file commit beside it, and only then is the commit atomic.
    QString folder = anchorFolder;
    if (folder.isEmpty() || !QDir().mkpath(folder) || !QFileInfo(folder).isWritable())
        folder = QDir::tempPath();
    removeStaleAnchors(folder);
    const int number = ++g_connectionCounter;
    const qint64 pid = QCoreApplication::applicationPid();
    // Terminals on several machines share the folder: the host keeps their
    // process numbers apart.
    m_anchorPath = QDir(folder).filePath(QStringLiteral(".pusla-tx-%1-%2-%3").arg(hostTag()).arg(pid).arg(number));
    m_anchorLock = std::make_unique<LockFile>(m_anchorPath);

    m_connectionName = QStringLiteral("pusla-shared-%1-%2").arg(pid).arg(number);
    m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    m_database.setDatabaseName(m_anchorPath);
    m_database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!m_database.open())
        throw DbError(
            DbError::Generic, QStringLiteral("Cannot open the connection: %1").arg(m_database.lastError().text()));
    const QVariant handle = m_database.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        throw DbError(DbError::Generic, QStringLiteral("The SQLite driver gives no handle"));
    m_db = *static_cast<sqlite3 *const *>(handle.constData());

    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs); // before any ATTACH
    execute(QStringLiteral("PRAGMA main.journal_mode=DELETE"));
    execute(QStringLiteral("PRAGMA main.synchronous=FULL"));
    // The main file holds nothing, but an empty file has its first page
    // written by the first transaction that writes: it would then take part
    // in every multi-file commit and, after a crash, leave a journal of its
    // own that keeps the super-journal beside the books for ever. Its first
    // page is written now, in a commit of its own.
    execute(QStringLiteral("PRAGMA main.user_version=1"));
    const int rc = sqlite3_create_function_v2(m_db, "pusla_like", 2,
        SQLITE_UTF16 | SQLITE_DETERMINISTIC | SQLITE_DIRECTONLY, nullptr, jetLike, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throwSqliteError(m_db, rc, QStringLiteral("pusla_like"));
}

SharedConnection::~SharedConnection()
{
    m_statements.clear();
    if (m_db) {
        if (inTransaction())
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        for (PendingDetach &pending : m_pending) {
            const QByteArray sql = "DETACH DATABASE " + pending.alias.toLatin1();
            sqlite3_exec(m_db, sql.constData(), nullptr, nullptr, nullptr);
        }
    }
    m_pending.clear();
    m_database.close();
    m_database = QSqlDatabase();
    if (!m_connectionName.isEmpty())
        QSqlDatabase::removeDatabase(m_connectionName);
    m_anchorLock.reset();
}

std::shared_ptr<AttachedFile> SharedConnection::attach(const QString &localPath)
{
    const QFileInfo info(localPath);
    if (!info.exists() || !info.isFile())
        throw DbError(DbError::FileNotFound, QStringLiteral("Could not find file '%1'.").arg(localPath));
    const QString canonical = info.canonicalFilePath();
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(canonical).constData(), &st) != 0)
        throw DbError(DbError::FileNotFound, QStringLiteral("Could not find file '%1'.").arg(localPath));

    const auto found = m_files.constFind(canonical);
    if (found != m_files.cend()) {
        if (std::shared_ptr<AttachedFile> file = found->lock(); file && file->isSameFile(st.st_dev, st.st_ino))
            return file;
        // The file was replaced (copied over) since; its holders keep the old
        // one until they let go, new opens get the new one.
        m_files.remove(canonical);
    }
    detachPending();
    if (attachedCount() >= kMaxAttached)
        throw DbError(DbError::TooManyFiles,
            QStringLiteral("Too many database files open at once (%1): cannot open '%2'")
                .arg(kMaxAttached)
                .arg(localPath));

    const QString alias = QStringLiteral("f%1").arg(m_nextAlias++);
    auto lock = std::make_unique<LockFile>(LockFile::pathFor(canonical));
    const QString uri = QStringLiteral("file:") + QString::fromLatin1(QUrl::toPercentEncoding(canonical, "/"))
        + QStringLiteral("?mode=rw");
    execute(QStringLiteral("ATTACH DATABASE ? AS ") + alias, {uri});
    ++m_attached;
    m_pending.push_back({alias, nullptr}); // detached again below if it fails
    try {
        Query mode = query(QStringLiteral("PRAGMA %1.journal_mode=DELETE").arg(alias));
        if (!mode.next() || mode.value(0).toString().compare(u"delete", Qt::CaseInsensitive) != 0)
            throw DbError(DbError::Generic, QStringLiteral("'%1' cannot leave its WAL journal").arg(localPath));
    } catch (const DbError &) {
        detachPending();
        throw;
    }
    try {
        if (!inTransaction()) {
            execute(QStringLiteral("PRAGMA %1.synchronous=FULL").arg(alias));
        } else {
            // The level cannot change inside a transaction; FULL is SQLite's
            // default, and anything less would weaken the posting's commit.
            Query level = query(QStringLiteral("PRAGMA %1.synchronous").arg(alias));
            if (!level.next() || level.int64(0) < 2)
                throw DbError(
                    DbError::Generic, QStringLiteral("'%1' cannot be opened inside a transaction").arg(localPath));
        }
        execute(QStringLiteral("PRAGMA %1.cache_size=-%2").arg(alias).arg(kCacheKiB));
        Query check = query(QStringLiteral("SELECT count(*) FROM %1.sqlite_master").arg(alias));
        check.next();
    } catch (const DbError &e) {
        detachPending();
        if (e.number() == DbError::UnrecognizedFormat)
            throw DbError(
                DbError::UnrecognizedFormat, QStringLiteral("Unrecognized database format '%1'.").arg(localPath));
        throw;
    }
    m_pending.pop_back();
    auto file
        = std::make_shared<AttachedFile>(shared_from_this(), alias, canonical, std::move(lock), st.st_dev, st.st_ino);
    m_files.insert(canonical, file);
    return file;
}

int SharedConnection::attachedCount() const
{
    return m_attached;
}

SharedConnection::Query SharedConnection::query(const QString &sql, const QVariantList &params)
{
    std::unique_ptr<SqliteStatement> owned;
    SqliteStatement *statement = nullptr;
    const auto found = m_statements.constFind(sql);
    if (found == m_statements.cend()) {
        if (m_statements.size() >= kStatementCacheSize)
            clearStatements();
        auto created = std::make_shared<SqliteStatement>(m_db, sql);
        statement = created.get();
        m_statements.insert(sql, std::move(created));
    } else if ((*found)->inUse) {
        owned = std::make_unique<SqliteStatement>(m_db, sql); // the cached one is busy further up the stack
        statement = owned.get();
    } else {
        statement = found->get();
    }
    Query result(std::make_unique<SqliteCursor>(statement, std::move(owned)));
    statement->bindAll(params);
    return result;
}

int SharedConnection::execute(const QString &sql, const QVariantList &params)
{
    Query running = query(sql, params);
    while (running.next()) { }
    return sqlite3_changes(m_db);
}

TableInfo SharedConnection::tableInfo(const QString &schema, const QString &table)
{
    // Every open of a record set asks; the answer holds while the file's
    // schema stays the same and the alias names the same file.
    const QString key = schema + QLatin1Char('.') + table.toLower();
    qint64 schemaVersion = -1;
    {
        Query version = query(QStringLiteral("PRAGMA %1.schema_version").arg(schema));
        if (version.next())
            schemaVersion = version.int64(0);
    }
    const auto cached = m_tableInfo.constFind(key);
    if (cached != m_tableInfo.constEnd() && cached->schemaVersion == schemaVersion)
        return cached->info;

    TableInfo info;
    {
        Query name
            = query(QStringLiteral("SELECT name FROM %1.sqlite_master WHERE type='table' AND name=? COLLATE NOCASE")
                        .arg(schema),
                {table});
        if (!name.next())
            throw DbError(DbError::TableNotFound,
                QStringLiteral("The database engine cannot find the input table or query '%1'.").arg(table));
        info.name = name.value(0).toString();
    }
    Query columns = query(QStringLiteral("SELECT name, type FROM pragma_table_info(?, ?)"), {info.name, schema});
    while (columns.next())
        info.columns.push_back({columns.value(0).toString(), kindOfDeclaredType(columns.value(1).toString())});
    m_tableInfo.insert(key, {schemaVersion, info});
    return info;
}

quint32 SharedConnection::dataVersion(const QString &schema)
{
    unsigned int version = 0;
    sqlite3_file_control(m_db, schema.toUtf8().constData(), SQLITE_FCNTL_DATA_VERSION, &version);
    return version;
}

qint64 SharedConnection::totalChanges() const
{
    return sqlite3_total_changes64(m_db);
}

qint64 SharedConnection::insertRow(const QString &table, const QStringList &columns, const QVariantList &values)
{
    execute(insertStatement(table, columns), values);
    return sqlite3_last_insert_rowid(m_db);
}

bool SharedConnection::lockRow(const AttachedFile &, const QString &table, qint64 key)
{
    return execute(QStringLiteral("UPDATE %1 SET rowid = rowid WHERE rowid = ?").arg(table), {key}) > 0;
}

bool SharedConnection::inTransaction() const
{
    return sqlite3_get_autocommit(m_db) == 0;
}

void SharedConnection::begin(bool immediate)
{
    execute(immediate ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"));
    countTransaction();
}

void SharedConnection::commit()
{
    try {
        execute(QStringLiteral("COMMIT"));
    } catch (const DbError &) {
        // All or nothing: a commit that cannot finish is undone.
        if (inTransaction())
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        detachPending();
        throw;
    }
    detachPending();
}

void SharedConnection::rollback()
{
    if (inTransaction())
        execute(QStringLiteral("ROLLBACK"));
    detachPending();
}

void SharedConnection::release(const QString &alias, std::unique_ptr<LockFile> lock)
{
    m_pending.push_back({alias, std::move(lock)});
    for (auto it = m_files.begin(); it != m_files.end();) {
        if (it->expired())
            it = m_files.erase(it);
        else
            ++it;
    }
    detachPending();
}

void SharedConnection::detachPending()
{
    // A file cannot leave the connection inside a transaction.
    if (m_pending.empty() || inTransaction())
        return;
    clearStatements();
    m_tableInfo.clear();
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        const QByteArray sql = "DETACH DATABASE " + it->alias.toLatin1();
        if (sqlite3_exec(m_db, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK) {
            --m_attached;
            it = m_pending.erase(it); // the file is closed; now its lock file may go
        } else {
            ++it;
        }
    }
}

void SharedConnection::clearStatements()
{
    for (auto it = m_statements.begin(); it != m_statements.end();) {
        if ((*it)->inUse)
            ++it;
        else
            it = m_statements.erase(it);
    }
}

// --- AttachedFile

AttachedFile::AttachedFile(std::shared_ptr<SharedConnection> connection, QString alias, QString localPath,
    std::unique_ptr<LockFile> lock, quint64 device, quint64 inode)
    : m_connection(connection)
    , m_sqlite(std::move(connection))
    , m_alias(std::move(alias))
    , m_localPath(std::move(localPath))
    , m_lock(std::move(lock))
    , m_device(device)
    , m_inode(inode)
{ }

AttachedFile::AttachedFile(
    std::shared_ptr<StoreConnection> server, QString schema, QString serverFile, QString localPath)
    : m_connection(std::move(server))
    , m_alias(std::move(schema))
    , m_serverFile(std::move(serverFile))
    , m_localPath(std::move(localPath))
{ }

bool AttachedFile::isCurrent() const
{
    if (!m_sqlite)
        return !m_connection->isLost();
    struct stat st
    {
    };
    return ::stat(QFile::encodeName(m_localPath).constData(), &st) == 0 && isSameFile(st.st_dev, st.st_ino);
}

AttachedFile::~AttachedFile()
{
    if (!m_sqlite)
        return;
    try {
        m_sqlite->release(m_alias, std::move(m_lock));
    } catch (...) {
        // A destructor may run while an error unwinds; the file then stays
        // attached until the connection closes.
    }
}

} // namespace pusla
