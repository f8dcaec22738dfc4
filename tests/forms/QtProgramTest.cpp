#include "forms/QtProgram.h"

#include <QWidget>
#include <gtest/gtest.h>

using namespace pusla;

TEST(QtProgramTest, KnowsTheProgramAndItsLoadedForms)
{
    QtProgram program(QStringLiteral("/opt/pusla"));
    EXPECT_EQ(program.folder(), QStringLiteral("/opt/pusla"));
    EXPECT_EQ(program.exeName(), QStringLiteral("pusla_tests"));
    EXPECT_TRUE(program.screenSize().isValid());
    EXPECT_FALSE(program.isCtrlDown());
    EXPECT_FALSE(program.isFormLoaded(QStringLiteral("Form1")));
    {
        QWidget keyboard;
        keyboard.setObjectName(QStringLiteral("Form1"));
        keyboard.show();
        EXPECT_TRUE(program.isFormLoaded(QStringLiteral("Form1")));
        keyboard.close();
        EXPECT_FALSE(program.isFormLoaded(QStringLiteral("Form1")));
    }
    EXPECT_FALSE(program.hasEnded());
}
