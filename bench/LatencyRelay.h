#pragma once

#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace pusla {

/// A relay between the benchmarks and their server that holds back what
/// passes each way for a while, as a tablet's Wi-Fi does: it listens on a
/// unix socket of its own and forwards each connection to the server's
/// socket. Every piece of data it reads is written on `delay` after it was
/// read, so a round trip takes twice the delay longer.
class LatencyRelay
{
public:
    /// `conninfo` names the server by its socket folder (host=/path) and
    /// port; connectionInfo() is then the same server through the relay.
    LatencyRelay(const QString &conninfo, std::chrono::microseconds delay);
    ~LatencyRelay();
    LatencyRelay(const LatencyRelay &) = delete;
    LatencyRelay &operator=(const LatencyRelay &) = delete;

    /// Empty when the relay could not be set up (error() says why).
    QString connectionInfo() const { return m_conninfo; }
    QString error() const { return m_error; }

private:
    void accept();
    void forward(int from, int to);

    std::chrono::microseconds m_delay;
    QTemporaryDir m_folder;
    QString m_target;
    QString m_conninfo;
    QString m_error;
    int m_listener = -1;
    std::atomic<bool> m_stopping = false;
    std::mutex m_mutex;
    std::vector<int> m_sockets;
    std::vector<std::thread> m_threads;
    std::thread m_acceptor;
};

} // namespace pusla
