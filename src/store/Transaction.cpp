#include "store/Transaction.h"

#include "store/AttachedFile.h"
#include "store/Database.h"
#include "base/PathMapper.h"
#include "store/SharedConnection.h"
#include "store/pg/PgStore.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <sqlite3.h>

namespace pusla {
namespace {

using namespace std::chrono_literals;
using std::chrono::duration_cast;
using std::chrono::microseconds;
using std::chrono::nanoseconds;

std::atomic<qint64> g_patienceMs {20000};
thread_local Patience *t_patience = nullptr;

// One attempt of Patience::retry() waits this long for a busy file.
constexpr auto kAttempt = 100ms;

void sleepFor(nanoseconds time)
{
    if (time > 0ns)
        QThread::usleep(static_cast<unsigned long>(duration_cast<microseconds>(time).count()));
}

} // namespace

// --- Transaction

Transaction::Transaction(const PathMapper &mapper)
    : m_connection(SharedConnection::forThisThread(mapper.paths().programFolder))
    , m_server(PgStore::openOnThisThread())
{ }

Transaction::~Transaction()
{
    if (!m_active)
        return;
    try {
        rollback();
    } catch (const DbError &) {
        // Closing the connection undoes what was not committed.
    }
}

std::chrono::milliseconds Transaction::patience()
{
    return std::chrono::milliseconds(g_patienceMs.load());
}

void Transaction::setPatience(std::chrono::milliseconds patience)
{
    g_patienceMs = patience.count();
}

void Transaction::begin()
{
    if (m_active || m_connection->inTransaction() || (m_server && m_server->inTransaction()))
        throw DbError(DbError::Generic, QStringLiteral("A transaction or a record edit is already open."));
    // The server waits for its locks up to its lock timeout, which is the
    // patience's default; a lock it cannot get fails the begin at once.
    if (m_server)
        m_server->begin(true);
    // BEGIN IMMEDIATE locks the attached files one after the other and waits
    // for each while holding the ones before. Two programs that attached the
    // same files in another order would each hold what the other waits for,
    // so every attempt waits only briefly and a failed one lets go of
    // everything.
    try {
        Patience patience(m_connection, Transaction::patience());
        patience.retry([this] { m_connection->begin(true); });
    } catch (const DbError &) {
        if (m_server)
            m_server->rollback();
        throw;
    }
    m_connection->setUserTransaction(true);
    if (m_server)
        m_server->setUserTransaction(true);
    m_active = true;
}

void Transaction::commit()
{
    if (!m_active)
        throw DbError(DbError::Generic, QStringLiteral("Commit without a transaction."));
    m_active = false;
    m_connection->setUserTransaction(false);
    if (m_server) {
        m_server->setUserTransaction(false);
        try {
            m_server->commit();
        } catch (const DbError &) {
            m_connection->rollback();
            throw;
        }
    }
    m_connection->commit();
}

void Transaction::rollback()
{
    if (!m_active)
        throw DbError(DbError::Generic, QStringLiteral("Rollback without a transaction."));
    m_active = false;
    m_connection->setUserTransaction(false);
    std::optional<DbError> lost;
    if (m_server) {
        m_server->setUserTransaction(false);
        try {
            m_server->rollback();
        } catch (const DbError &error) {
            lost = error; // a lost session rolled back on its own
        }
    }
    m_connection->rollback();
    if (lost)
        throw *lost;
}

std::optional<DbError> Transaction::check(const Database &file, bool everyPage)
{
    const std::shared_ptr<AttachedFile> &attached = file.file();
    if (!attached)
        return std::nullopt;
    if (attached->isOnServer())
        return std::nullopt; // the server names what failed itself
    if (!QFileInfo::exists(attached->localPath()))
        return DbError(DbError::FileNotFound, QStringLiteral("Could not find file '%1'.").arg(attached->localPath()));
    SharedConnection &connection = *attached->sqlite();
    if (connection.inTransaction())
        return std::nullopt;
    const Patience none(connection.shared_from_this(), 0ms);
    const QString alias = attached->alias();
    try {
        qint64 version = 0;
        {
            SharedConnection::Query header = connection.query(QStringLiteral("PRAGMA %1.user_version").arg(alias));
            if (header.next())
                version = header.int64(0);
        }
        if (sqlite3_db_readonly(connection.handle(), alias.toUtf8().constData()) == 1)
            return DbError(DbError::ReadOnly, QStringLiteral("The file could be opened for reading only."));
        // Writing back the value the header holds takes the file's write
        // lock and makes its journal, and changes nothing.
        connection.begin(false);
        try {
            connection.execute(QStringLiteral("PRAGMA %1.user_version=%2").arg(alias).arg(version));
        } catch (const DbError &) {
            connection.rollback();
            throw;
        }
        connection.rollback();
        if (everyPage) {
            SharedConnection::Query pages = connection.query(QStringLiteral("PRAGMA %1.quick_check(1)").arg(alias));
            if (pages.next() && pages.value(0).toString() != QLatin1String("ok"))
                return DbError(DbError::Corrupt, pages.value(0).toString());
        }
    } catch (const DbError &error) {
        return error;
    }
    return std::nullopt;
}

// --- Patience

Patience::Patience(const PathMapper &mapper, std::chrono::milliseconds allowance)
    : Patience(SharedConnection::forThisThread(mapper.paths().programFolder), allowance)
{ }

Patience::Patience(std::shared_ptr<SharedConnection> connection, std::chrono::milliseconds allowance)
    : m_connection(std::move(connection))
    , m_deadline(allowance, Qt::PreciseTimer)
    , m_outer(t_patience)
{
    if (m_outer && m_outer->m_deadline < m_deadline)
        m_deadline = m_outer->m_deadline;
    t_patience = this;
    sqlite3_busy_handler(m_connection->handle(), &Patience::onBusy, this);
}

Patience::~Patience()
{
    t_patience = m_outer;
    if (m_outer && m_outer->m_connection == m_connection)
        sqlite3_busy_handler(m_connection->handle(), &Patience::onBusy, m_outer);
    else
        sqlite3_busy_timeout(m_connection->handle(), SharedConnection::kBusyTimeoutMs);
}

int Patience::onBusy(void *patience, int count)
{
    // Short naps: the files are taken soon after the other program lets go.
    static constexpr nanoseconds kNaps[] = {1ms, 2ms, 5ms, 10ms, 15ms, 20ms, 25ms};
    const auto *self = static_cast<const Patience *>(patience);
    const nanoseconds left
        = std::min(self->m_deadline.remainingTimeAsDuration(), self->m_share.remainingTimeAsDuration());
    if (left <= 0ns)
        return 0;
    sleepFor(std::min(kNaps[std::min<size_t>(size_t(count), std::size(kNaps) - 1)], left));
    return 1;
}

void Patience::retry(const std::function<void()> &attempt)
{
    for (;;) {
        m_share = QDeadlineTimer(kAttempt, Qt::PreciseTimer);
        try {
            attempt();
            m_share = QDeadlineTimer(QDeadlineTimer::Forever);
            return;
        } catch (const DbError &error) {
            if (error.number() != DbError::Locked || m_deadline.hasExpired()) {
                m_share = QDeadlineTimer(QDeadlineTimer::Forever);
                throw;
            }
        }
        pause();
    }
}

void Patience::pause()
{
    // Whatever runs from here waits for no file: a paint or a timer that
    // finds one busy fails at once instead of waiting inside this wait.
    m_share = QDeadlineTimer(0);
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    const nanoseconds rest = std::chrono::milliseconds(5 + QRandomGenerator::global()->bounded(50));
    sleepFor(std::min(rest, m_deadline.remainingTimeAsDuration()));
}

} // namespace pusla
