// Two norvelctl processes on one pseudo-terminal: while one holds the device, the other is
// refused as busy, whatever name it gives the device by.
#include "child_process.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(PortLock, ASecondProgramOnTheSameDeviceIsBusyUnderEverySpelling)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Child sim;
    std::string device;
    ASSERT_TRUE(sim.start({NORVEL_SIM_PROGRAM}) && sim.readLine(0, &device, 10000));
    ASSERT_EQ(device.rfind("/dev/", 0), 0u) << device;
    const QString link = dir.filePath("port");
    ASSERT_TRUE(QFile::link(QString::fromStdString(device), link));

    // The first one has read the controller and waits for its question to be answered.
    Child first;
    ASSERT_TRUE(first.start({NORVELCTL_PROGRAM, "--port", device, "--backup-dir",
                             dir.path().toStdString(), "set", "MaxMotorCurrent=61"},
                            true));
    std::string line;
    bool asked = false;
    while (!asked && first.readLine(1, &line, 20000))
        asked = line.rfind("Warning:", 0) == 0;
    ASSERT_TRUE(asked) << "the first norvelctl never got to its question: " << line;

    const std::string name = device.substr(5); // pts/N
    for (const std::string& spelling :
         {device, "/dev//" + name, "/dev/./" + name, link.toStdString(),
          QDir::current().relativeFilePath(QString::fromStdString(device)).toStdString()}) {
        SCOPED_TRACE(spelling);
        Child second;
        ASSERT_TRUE(second.start({NORVELCTL_PROGRAM, "--port", spelling, "probe"}));
        std::string err;
        while (second.readLine(1, &line, 20000))
            err += line + '\n';
        const int status = second.wait();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << err;
        EXPECT_NE(err.find("busy"), std::string::npos) << err;
    }

    ASSERT_TRUE(first.writeInput("n\n"));
    const int status = first.wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << "nothing written, as asked";
}

} // namespace
