#pragma once

#include <QString>

#include <optional>

namespace pusla {

/// Tells a keyboard-wedge scanner from a person at the keyboard. A scanner
/// types its code and Enter at machine speed: a few milliseconds between
/// characters over USB, rarely more than 15 over Bluetooth. A person's fastest
/// keystrokes, rolled over two keys, come 40 ms or more apart, and never eight
/// of them in a row. So a run of at least `kMinLength` characters in which
/// every gap, the one before Enter included, is under `kMaxGapMs` is a scan.
///
/// Times are the key events' own timestamps (milliseconds, from the window
/// system), not the time the program got round to the event: a person's keys
/// queued behind a slow lookup arrive together but keep the times they were
/// pressed at. A key without a timestamp (0, made by the program itself)
/// cannot be timed and never counts as a scanner's.
class ScannerBurst
{
public:
    static constexpr qint64 kMaxGapMs = 30;
    static constexpr int kMinLength = 8;

    /// A character typed at `timeMs`. Returns true when it starts a new run,
    /// so that the caller can keep what the box held before it.
    bool typed(QChar character, qint64 timeMs);

    /// Enter at `timeMs`: the scanned code when the run was a scanner's, else
    /// nothing. The run ends either way.
    std::optional<QString> enter(qint64 timeMs);

    /// A key that no scanner sends (Backspace, an arrow, a repeated key) or the
    /// focus leaving: the run ends.
    void reset();

private:
    bool continuesRun(qint64 timeMs) const;

    QString m_run;
    qint64 m_lastMs = 0;
};

} // namespace pusla
