#include "forms/QtProgram.h"

#include <gtest/gtest.h>

using namespace pusla;

TEST(QtProgramTest, KnowsTheProgram)
{
    QtProgram program(QStringLiteral("/opt/pusla"));
    EXPECT_EQ(program.folder(), QStringLiteral("/opt/pusla"));
    EXPECT_EQ(program.exeName(), QStringLiteral("pusla_tests"));
    EXPECT_TRUE(program.screenSize().isValid());
    EXPECT_FALSE(program.isCtrlDown());
    EXPECT_FALSE(program.hasEnded());
}
