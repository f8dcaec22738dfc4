#include <QCoreApplication>
#include <gtest/gtest.h>

// The tests of the layers below the forms: no widget, no display.
int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pusla"));
    return RUN_ALL_TESTS();
}
