#include "capture/ScannerBurst.h"

namespace pusla {

bool ScannerBurst::continuesRun(qint64 timeMs) const
{
    return !m_run.isEmpty() && timeMs != 0 && timeMs >= m_lastMs && timeMs - m_lastMs < kMaxGapMs;
}

bool ScannerBurst::typed(QChar character, qint64 timeMs)
{
    const bool starts = !continuesRun(timeMs);
    if (starts)
        m_run.clear();
    if (timeMs == 0) {
        m_lastMs = 0;
        return starts;
    }
    m_run.append(character);
    m_lastMs = timeMs;
    return starts;
}

std::optional<QString> ScannerBurst::enter(qint64 timeMs)
{
    std::optional<QString> code;
    if (m_run.size() >= kMinLength && continuesRun(timeMs))
        code = m_run;
    reset();
    return code;
}

void ScannerBurst::reset()
{
    m_run.clear();
    m_lastMs = 0;
}

} // namespace pusla
