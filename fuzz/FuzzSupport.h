#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace pusla::fuzz {

/// The fuzzer's bytes, not copied.
inline QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
}

/// The bytes as text, the way a file or a keyboard hands it over.
inline QString text(const uint8_t *data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
}

/// A broken rule of the code under test: the fuzzer keeps the input.
[[noreturn]] inline void fault(const char *what, const QString &detail = {})
{
    std::fprintf(stderr, "FAULT: %s\n%s\n", what, qUtf8Printable(detail));
    std::abort();
}

/// Qt's warnings would flood the fuzzer's output; a fatal message still ends the run.
inline void quietQt()
{
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type == QtFatalMsg) {
            std::fprintf(stderr, "%s\n", qUtf8Printable(message));
            std::abort();
        }
    });
}

} // namespace pusla::fuzz
