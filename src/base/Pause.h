#pragma once

#include "base/Clock.h"
#include "base/Program.h"
#include "base/Services.h"

namespace pusla {

/// Waits while pending events run, on the monotonic timer so that a pause
/// over midnight still ends; it ends early when the program does.
inline void pauseWithEvents(const Services &services, double seconds)
{
    const double until = services.clock.seconds() + seconds;
    while (services.clock.seconds() < until && !services.program.hasEnded())
        services.program.doEvents();
}

} // namespace pusla
