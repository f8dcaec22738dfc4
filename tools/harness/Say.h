#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>

namespace pusla::harness {

/// Writes one line to standard output at once: a parent reading a terminal
/// process sees it even when the process is killed right after.
inline void say(const QString &line)
{
    const QByteArray bytes = (line + u'\n').toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

} // namespace pusla::harness
