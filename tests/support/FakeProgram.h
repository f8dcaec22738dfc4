#pragma once

#include "base/Clock.h"
#include "base/Program.h"

#include <QCoreApplication>
#include <QStringList>
#include <functional>

namespace pusla::test {

/// The program as a test sees it: the Ctrl key is set by the test and an
/// end at once is recorded instead of leaving the process.
class FakeProgram final : public Program
{
public:
    explicit FakeProgram(QString folder)
        : m_folder(std::move(folder))
    {
    }

    QString folder() const override { return m_folder; }
    QString exeName() const override { return QStringLiteral("pusla"); }
    QSize screenSize() const override { return screen; }
    void endAtOnce() override { ++endCount; }
    bool hasEnded() const override { return endCount > 0; }
    void doEvents() override
    {
        ++doEventsCount;
        QCoreApplication::processEvents();
        if (onDoEvents)
            onDoEvents();
    }
    bool isCtrlDown() const override { return ctrlDown; }

    QSize screen{1024, 768};
    bool ctrlDown = false;
    int endCount = 0;
    int doEventsCount = 0;
    /// Runs after each pass of pending events, e.g. to let a fake clock advance.
    std::function<void()> onDoEvents;

private:
    QString m_folder;
};

/// A clock the test sets; the seconds timer advances only when told to.
class FakeClock final : public Clock
{
public:
    QDateTime now() const override { return moment; }
    double seconds() const override { return elapsed; }

    QDateTime moment{QDate(2017, 1, 17), QTime(15, 54, 43)};
    double elapsed = 0;
};

} // namespace pusla::test
