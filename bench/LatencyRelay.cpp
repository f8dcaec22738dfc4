#include "LatencyRelay.h"

#include <QFile>
#include <QStringList>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace pusla {
namespace {

/// The last value of `key` in a libpq connection string of plain
/// key=value words (the last one is the one libpq takes).
QString conninfoValue(const QString &conninfo, const QString &key)
{
    QString found;
    for (const QString &word : conninfo.split(u' ', Qt::SkipEmptyParts)) {
        if (word.startsWith(key + u'='))
            found = word.mid(key.size() + 1);
    }
    return found;
}

bool addressOf(const QString &path, sockaddr_un *address)
{
    const QByteArray name = QFile::encodeName(path);
    if (size_t(name.size()) >= sizeof(address->sun_path))
        return false;
    std::memset(address, 0, sizeof(*address));
    address->sun_family = AF_UNIX;
    std::memcpy(address->sun_path, name.constData(), size_t(name.size()));
    return true;
}

int connectTo(const QString &path)
{
    sockaddr_un address;
    if (!addressOf(path, &address))
        return -1;
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (socket >= 0 && ::connect(socket, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0)
        return socket;
    if (socket >= 0)
        ::close(socket);
    return -1;
}

} // namespace

LatencyRelay::LatencyRelay(const QString &conninfo, std::chrono::microseconds delay)
    : m_delay(delay)
{
    const QString host = conninfoValue(conninfo, QStringLiteral("host"));
    QString port = conninfoValue(conninfo, QStringLiteral("port"));
    if (port.isEmpty())
        port = QStringLiteral("5432");
    if (!host.startsWith(u'/')) {
        m_error = QStringLiteral("the relay needs a server on a unix socket (host=/folder)");
        return;
    }
    m_target = host + QStringLiteral("/.s.PGSQL.") + port;
    sockaddr_un address;
    m_listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (m_listener < 0 || !addressOf(m_folder.filePath(QStringLiteral(".s.PGSQL.") + port), &address)
        || ::bind(m_listener, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0
        || ::listen(m_listener, 16) != 0) {
        m_error = QStringLiteral("cannot listen in %1: %2").arg(m_folder.path(), QString::fromLocal8Bit(strerror(errno)));
        return;
    }
    m_acceptor = std::thread([this] { accept(); });
    m_conninfo = conninfo + QStringLiteral(" host=") + m_folder.path() + QStringLiteral(" port=") + port;
}

LatencyRelay::~LatencyRelay()
{
    m_stopping = true;
    if (m_listener >= 0) {
        ::shutdown(m_listener, SHUT_RDWR); // wakes the acceptor
        if (m_acceptor.joinable())
            m_acceptor.join();
        ::close(m_listener);
    }
    for (const int socket : m_sockets)
        ::shutdown(socket, SHUT_RDWR);
    for (std::thread &thread : m_threads)
        thread.join();
    for (const int socket : m_sockets)
        ::close(socket);
}

void LatencyRelay::accept()
{
    while (!m_stopping) {
        const int client = ::accept(m_listener, nullptr, nullptr);
        if (client < 0) {
            if (m_stopping || errno != EINTR)
                return;
            continue;
        }
        const int server = connectTo(m_target);
        if (server < 0) {
            ::close(client);
            continue;
        }
        const std::lock_guard lock(m_mutex);
        m_sockets.insert(m_sockets.end(), {client, server});
        m_threads.emplace_back([this, client, server] { forward(client, server); });
        m_threads.emplace_back([this, client, server] { forward(server, client); });
    }
}

void LatencyRelay::forward(int from, int to)
{
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t read = ::read(from, buffer.data(), buffer.size());
        if (read <= 0)
            break;
        std::this_thread::sleep_until(std::chrono::steady_clock::now() + m_delay);
        for (ssize_t sent = 0; sent < read;) {
            const ssize_t wrote = ::send(to, buffer.data() + sent, size_t(read - sent), MSG_NOSIGNAL);
            if (wrote <= 0) {
                ::shutdown(from, SHUT_RD);
                return;
            }
            sent += wrote;
        }
    }
    ::shutdown(to, SHUT_WR); // the other side learns that this one ended
}

} // namespace pusla
