#include "base/LogFormat.h"

#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>

namespace pusla {

namespace {

QString &programName()
{
    static QString name;
    return name;
}

QLatin1StringView levelName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return QLatin1StringView("debug");
    case QtInfoMsg:
        return QLatin1StringView("info");
    case QtWarningMsg:
        return QLatin1StringView("warning");
    case QtCriticalMsg:
        return QLatin1StringView("critical");
    case QtFatalMsg:
        return QLatin1StringView("fatal");
    }
    return QLatin1StringView("message");
}

void writeLine(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    const QByteArray line
        = formatLogLine(programName(), type, QDateTime::currentDateTime(), message).toLocal8Bit() + '\n';
    // One write per line, so that lines of several threads do not mix.
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
    if (type == QtFatalMsg)
        std::abort();
}

} // namespace

QString formatLogLine(const QString &program, QtMsgType type, const QDateTime &when, const QString &message)
{
    // A local time names its offset, so that lines of terminals in other
    // zones (or across a clock change) compare.
    const QDateTime stamp = when.toOffsetFromUtc(when.offsetFromUtc());
    static const QRegularExpression lineBreaks(QStringLiteral("\\s*[\r\n]+\\s*"));
    QString text = message.trimmed();
    text.replace(lineBreaks, QStringLiteral(" / "));
    return program + QStringLiteral(": ") + stamp.toString(Qt::ISODateWithMs) + QLatin1Char(' ') + levelName(type)
        + QStringLiteral(": ") + text;
}

void installLogFormat(const QString &program)
{
    programName() = program;
    qInstallMessageHandler(&writeLine);
}

} // namespace pusla
