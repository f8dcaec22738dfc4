#pragma once

#include <QDateTime>
#include <QElapsedTimer>

namespace pusla {

/// Wall clock for document times and a monotonic seconds timer for pauses.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    /// Seconds since an arbitrary start; never wraps at midnight.
    virtual double seconds() const = 0;
};

class SystemClock final : public Clock
{
public:
    SystemClock() { m_timer.start(); }
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    double seconds() const override { return static_cast<double>(m_timer.nsecsElapsed()) / 1e9; }

private:
    QElapsedTimer m_timer;
};

} // namespace pusla
