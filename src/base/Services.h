#pragma once

namespace pusla {

class Clock;
class Dialogs;
class PathMapper;
class Program;
class RegionalFormat;
class SettingsStore;

/// The services the main form works with, injected so that tests can stand
/// in for the operator, the clock, the keyboard and the end of the program.
struct Services
{
    Dialogs &dialogs;
    Program &program;
    Clock &clock;
    SettingsStore &settings;
    const PathMapper &paths;
    const RegionalFormat &formats;
};

} // namespace pusla
