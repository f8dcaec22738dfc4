#pragma once

#include <QSize>
#include <QString>

namespace pusla {

/// The running program as the forms see it. The real one sits on
/// QApplication; tests use a double that records an end instead of exiting.
class Program
{
public:
    virtual ~Program() = default;

    /// The folder of the executable as the system's paths use it (no trailing separator).
    virtual QString folder() const = 0;
    /// The executable's file name without extension; names the per-application settings.
    virtual QString exeName() const = 0;
    /// Screen size in pixels.
    virtual QSize screenSize() const = 0;
    /// Ends the program at once: no query-unload, no unload.
    virtual void endAtOnce() = 0;
    virtual bool hasEnded() const = 0;
    /// Lets pending events run.
    virtual void doEvents() = 0;
    /// True while the Ctrl key is held down.
    virtual bool isCtrlDown() const = 0;
};

} // namespace pusla
