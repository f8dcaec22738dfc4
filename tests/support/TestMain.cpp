#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

// Every test runs headless, whether started by ctest or by hand.
int main(int argc, char **argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pusla"));
    return RUN_ALL_TESTS();
}
