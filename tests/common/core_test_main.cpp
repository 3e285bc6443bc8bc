// GoogleTest main for tests without widgets: a QCoreApplication, as the command-line tool has,
// so that serial ports used on the main thread get their socket notifiers.
#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
