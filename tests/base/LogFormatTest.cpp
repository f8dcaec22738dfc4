#include "base/LogFormat.h"

#include <QRegularExpression>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace pusla {
namespace {

const QDateTime kIstanbulMorning(QDate(2026, 3, 14), QTime(9, 26, 53, 589), QTimeZone(3 * 3600));

TEST(LogFormat, OneLineWithProgramTimeLevelAndText)
{
    EXPECT_EQ(formatLogLine(QStringLiteral("pusla"), QtWarningMsg, kIstanbulMorning,
                  QStringLiteral("the grid layout /tmp/x was not saved")),
        QStringLiteral("pusla: 2026-03-14T09:26:53.589+03:00 warning: the grid layout /tmp/x was not saved"));
}

TEST(LogFormat, EveryLevelHasItsName)
{
    const auto level = [](QtMsgType type) {
        return formatLogLine(QStringLiteral("pusla-seed"), type, kIstanbulMorning, QStringLiteral("x"));
    };
    EXPECT_EQ(level(QtDebugMsg), QStringLiteral("pusla-seed: 2026-03-14T09:26:53.589+03:00 debug: x"));
    EXPECT_EQ(level(QtInfoMsg), QStringLiteral("pusla-seed: 2026-03-14T09:26:53.589+03:00 info: x"));
    EXPECT_EQ(level(QtCriticalMsg), QStringLiteral("pusla-seed: 2026-03-14T09:26:53.589+03:00 critical: x"));
    EXPECT_EQ(level(QtFatalMsg), QStringLiteral("pusla-seed: 2026-03-14T09:26:53.589+03:00 fatal: x"));
}

TEST(LogFormat, LineBreaksOfAMessageStayOnItsLine)
{
    const QString line = formatLogLine(QStringLiteral("pusla"), QtWarningMsg, kIstanbulMorning,
        QStringLiteral("Belge kaydedilemedi.\r\nDisk dolu\n\n  Tekrar deneyin.\n"));
    EXPECT_EQ(line,
        QStringLiteral("pusla: 2026-03-14T09:26:53.589+03:00 warning: Belge kaydedilemedi. / Disk dolu / Tekrar deneyin."));
}

TEST(LogFormat, LocalTimeNamesItsOffset)
{
    const QString line = formatLogLine(
        QStringLiteral("pusla"), QtInfoMsg, QDateTime(QDate(2026, 7, 1), QTime(12, 0)), QStringLiteral("x"));
    static const QRegularExpression form(
        QStringLiteral("^pusla: 2026-07-01T12:00:00\\.000([+-]\\d\\d:\\d\\d|Z) info: x$"));
    EXPECT_TRUE(form.match(line).hasMatch()) << line.toStdString();
}

} // namespace
} // namespace pusla
