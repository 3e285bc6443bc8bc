// Tests of the norvel-sim program: argument checks, device path on stdout, state file, clean exit.
#include "config_block.h"
#include "frame.h"
#include "pty_client.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Outcome
{
    int exitCode = -1;
    QString stdErr;
};

// Runs the program with arguments that must make it stop by itself.
Outcome runToEnd(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(NORVEL_SIM_PROGRAM), arguments);
    Outcome outcome;
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(1000);
        outcome.stdErr = QStringLiteral("did not stop");
        return outcome;
    }
    outcome.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    outcome.stdErr = QString::fromLocal8Bit(process.readAllStandardError());
    return outcome;
}

QString writeFile(const QTemporaryDir& dir, const char* name, const QByteArray& data)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(data);
    return path;
}

// Starts the program and returns the device path from its first line of output.
QString startServing(QProcess& process, const QStringList& arguments)
{
    process.start(QStringLiteral(NORVEL_SIM_PROGRAM), arguments);
    if (!process.waitForStarted(5000))
        return {};
    while (!process.canReadLine())
        if (!process.waitForReadyRead(5000))
            return {};
    return QString::fromLocal8Bit(process.readLine()).trimmed();
}

} // namespace

TEST(SimProgram, RefusesAnImageThatIsNotExactly128Bytes)
{
    QTemporaryDir dir;
    for (int size : {0, 100, 127, 129, 4096}) {
        SCOPED_TRACE(size);
        const QString path = writeFile(dir, "image.bin", QByteArray(size, '\x01'));
        const Outcome out = runToEnd({QStringLiteral("--image"), path});
        EXPECT_NE(out.exitCode, 0);
        EXPECT_NE(out.exitCode, -1) << "exits, not crashes";
        EXPECT_TRUE(out.stdErr.contains(QStringLiteral("128 bytes"))) << out.stdErr.toStdString();
        EXPECT_TRUE(out.stdErr.contains(path)) << out.stdErr.toStdString();
    }
    const Outcome missing = runToEnd({QStringLiteral("--image"), dir.filePath("absent.bin")});
    EXPECT_NE(missing.exitCode, 0);
    EXPECT_TRUE(missing.stdErr.contains(QStringLiteral("absent.bin")))
        << missing.stdErr.toStdString();
}

TEST(SimProgram, RefusesBadFaultVersionAndPresetTexts)
{
    struct Case
    {
        QStringList arguments;
        const char* mention;
    };
    const Case cases[] = {
        {{QStringLiteral("--fault"), QStringLiteral("lost:read:1")}, "lost"},
        {{QStringLiteral("--fault"), QStringLiteral("no-reply:read")}, "KIND:COMMAND:N"},
        {{QStringLiteral("--fault"), QStringLiteral("no-reply:erase:1")}, "erase"},
        {{QStringLiteral("--fault"), QStringLiteral("no-reply:read:0")}, "N must be"},
        {{QStringLiteral("--fault"), QStringLiteral("no-reply:read:1"), QStringLiteral("--fault"),
          QStringLiteral("late-reply:commit:x")},
         "late-reply:commit:x"},
        {{QStringLiteral("--software-version"), QStringLiteral("405")}, "4 hex digits"},
        {{QStringLiteral("--software-version"), QStringLiteral("04G5")}, "4 hex digits"},
        {{QStringLiteral("--preset"), QStringLiteral("turbo")}, "turbo"},
        {{QStringLiteral("--colour")}, "colour"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        const Outcome out = runToEnd(c.arguments);
        EXPECT_GT(out.exitCode, 0);
        EXPECT_TRUE(out.stdErr.contains(QLatin1String(c.mention))) << out.stdErr.toStdString();
    }
}

TEST(SimProgram, ServesPrintsTheDeviceWritesStateAfterCommitAndEndsCleanlyOnTerm)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString state = dir.filePath(QStringLiteral("state.bin"));
    const QString link = dir.filePath(QStringLiteral("ttySIM"));

    QProcess process;
    const QString device =
        startServing(process, {QStringLiteral("--preset"), QStringLiteral("pdr"),
                               QStringLiteral("--software-version"), QStringLiteral("0a0B"),
                               QStringLiteral("--state"), state, QStringLiteral("--link"), link});
    ASSERT_TRUE(device.startsWith(QStringLiteral("/dev/"))) << device.toStdString();
    EXPECT_EQ(QFile::symLinkTarget(link), device);

    PtyClient client(link);
    ASSERT_TRUE(client.isOpen());
    EXPECT_EQ(client.exchange({0x11, 0x00, 0x11}, 6), encodeFrame(CMD_IDENTIFY, {0x0A, 0x0B, 1}));
    ASSERT_EQ(client.exchange({0xF1, 0x00, 0xF1}, 3), (Bytes{0xF1, 0x00, 0xF1}));
    ASSERT_EQ(client.exchange(encodeFrame(CMD_WRITE, {0, 2, 0, 0x12, 0x34}), 3),
              (Bytes{0xF3, 0x00, 0xF3}));
    EXPECT_FALSE(QFile::exists(state));
    ASSERT_EQ(client.exchange({0xF4, 0x00, 0xF4}, 3), (Bytes{0xF4, 0x00, 0xF4}));

    // The state file is complete once the commit has been answered.
    QFile file(state);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    ASSERT_EQ(saved.size(), kConfigBlockSize);
    EXPECT_EQ(static_cast<std::uint8_t>(saved[0]), 0x12);
    EXPECT_EQ(static_cast<std::uint8_t>(saved[1]), 0x34);
    EXPECT_EQ(saved.mid(64, 3), QByteArray("PDR"));
    client.close();

    process.terminate();
    ASSERT_TRUE(process.waitForFinished(5000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink()) << "link removed at exit";
    EXPECT_TRUE(process.readAllStandardOutput().trimmed().isEmpty()) << "only the path on stdout";
}

TEST(SimProgram, LostCommitFaultLeavesTheStateFileAlone)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString state = dir.filePath(QStringLiteral("state.bin"));

    QProcess process;
    const QString device =
        startServing(process, {QStringLiteral("--fault"), QStringLiteral("lost-commit:commit:1"),
                               QStringLiteral("--state"), state, QStringLiteral("--trace")});
    ASSERT_FALSE(device.isEmpty());
    PtyClient client(device);
    const Bytes before = client.exchange(encodeFrame(CMD_READ, {0, 16, 0}), 19);
    ASSERT_EQ(before.size(), 19u);

    ASSERT_EQ(client.exchange(encodeFrame(CMD_WRITE, {0, 2, 0, 0x12, 0x34}), 3),
              (Bytes{0xF3, 0x00, 0xF3}));
    EXPECT_EQ(client.exchange({0xF4, 0x00, 0xF4}, 3), (Bytes{0xF4, 0x00, 0xF4}));
    EXPECT_EQ(client.exchange(encodeFrame(CMD_READ, {0, 16, 0}), 19), before);
    EXPECT_FALSE(QFile::exists(state));

    ASSERT_EQ(client.exchange(encodeFrame(CMD_WRITE, {0, 2, 0, 0x56, 0x78}), 3),
              (Bytes{0xF3, 0x00, 0xF3}));
    ASSERT_EQ(client.exchange({0xF4, 0x00, 0xF4}, 3), (Bytes{0xF4, 0x00, 0xF4}));
    QFile file(state);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().left(2), QByteArray("\x56\x78"));
    client.close();

    process.terminate();
    ASSERT_TRUE(process.waitForFinished(5000));
    const QString trace = QString::fromLocal8Bit(process.readAllStandardError());
    EXPECT_TRUE(trace.contains(QStringLiteral("fault lost-commit:commit:1")))
        << trace.toStdString();
}

TEST(SimProgram, ServesAnImageFileAndTracesFrames)
{
    QTemporaryDir dir;
    QByteArray image(kConfigBlockSize, '\0');
    for (int i = 0; i < kConfigBlockSize; ++i)
        image[i] = static_cast<char>(i);
    const QString path = writeFile(dir, "image.bin", image);

    QProcess process;
    const QString device =
        startServing(process, {QStringLiteral("--image"), path, QStringLiteral("--trace")});
    ASSERT_FALSE(device.isEmpty());
    PtyClient client(device);
    Bytes expected;
    for (int i = 96; i < 112; ++i)
        expected.push_back(static_cast<std::uint8_t>(i));
    EXPECT_EQ(client.exchange(encodeFrame(CMD_READ, {96, 16, 0}), 19),
              encodeFrame(CMD_READ, expected));
    // The version comes from the image's version bytes (83 and 84 hold 0x53 0x54).
    EXPECT_EQ(client.exchange({0x11, 0x00, 0x11}, 6), encodeFrame(CMD_IDENTIFY, {0x53, 0x54, 1}));
    client.close();

    process.terminate();
    ASSERT_TRUE(process.waitForFinished(5000));
    EXPECT_EQ(process.exitCode(), 0);
    const QString trace = QString::fromLocal8Bit(process.readAllStandardError());
    EXPECT_TRUE(trace.contains(QStringLiteral("<- F2 03 60 10 00 65"))) << trace.toStdString();
    EXPECT_TRUE(trace.contains(QStringLiteral("-> 11 03 53 54 01 BC"))) << trace.toStdString();
}
