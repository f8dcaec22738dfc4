#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

namespace pusla {

/// The programs' log on standard error, one line per message in one form:
///   pusla: 2026-03-14T09:26:53.589+03:00 warning: the count report ... was not written
/// the program, the local time with its offset from UTC, the level (debug,
/// info, warning, critical, fatal) and the text, its line breaks joined by " / ".
QString formatLogLine(const QString &program, QtMsgType type, const QDateTime &when, const QString &message);

/// Writes every Qt message of this process to standard error in that form.
void installLogFormat(const QString &program);

} // namespace pusla
