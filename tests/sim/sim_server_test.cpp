// Tests of the simulator served on a real pseudo-terminal, driven by plain POSIX reads and writes.
#include "frame.h"
#include "presets.h"
#include "pty_client.h"
#include "sim_server.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

const Bytes kIdentify = {0x11, 0x00, 0x11};
const Bytes kStart = {0xF1, 0x00, 0xF1};
const Bytes kCommit = {0xF4, 0x00, 0xF4};
const Bytes kAck = {0xF3, 0x00, 0xF3};

Bytes readRequest(int offset)
{
    return encodeFrame(CMD_READ, {static_cast<std::uint8_t>(offset), 16, 0});
}

Bytes blockBytes(const ConfigBlock& block, int offset, int count)
{
    return Bytes(block.bytes().begin() + offset, block.bytes().begin() + offset + count);
}

long long msSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

ConfigBlock preset(const char* name)
{
    ConfigBlock block;
    presetImage(QString::fromLatin1(name), &block, nullptr, nullptr);
    return block;
}

class SimServerTest : public ::testing::Test
{
protected:
    void startServer(SimOptions options = {})
    {
        server = std::make_unique<SimServer>(options);
        QString error;
        ASSERT_TRUE(server->start(&error)) << error.toStdString();
        ASSERT_TRUE(client.open(server->devicePath())) << server->devicePath().toStdString();
    }

    std::unique_ptr<SimServer> server;
    PtyClient client;
};

} // namespace

TEST_F(SimServerTest, SlaveIsRawWithoutEchoFromTheStart)
{
    startServer();
    termios tio{};
    ASSERT_EQ(tcgetattr(client.fd(), &tio), 0);
    EXPECT_EQ(tio.c_lflag & (ECHO | ICANON | ISIG), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_iflag & (ICRNL | IXON), 0u);
    // Bytes that a cooked line would change pass untouched: 0x0D, 0x03, 0x11 (XON), 0x7F.
    ConfigBlock image = preset("full");
    image.setByte(0, 0x0D);
    image.setByte(1, 0x03);
    image.setByte(2, 0x11);
    image.setByte(3, 0x7F);
    server->setStoredImage(image);
    EXPECT_EQ(client.exchange(readRequest(0), 19), encodeFrame(CMD_READ, blockBytes(image, 0, 16)));
    // Nothing of the request came back as an echo.
    EXPECT_TRUE(client.readFor(50).empty());
}

TEST_F(SimServerTest, AnswersRequestsSplitAcrossWrites)
{
    startServer();
    const Bytes request = readRequest(64);
    ASSERT_TRUE(client.write({request[0]}));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(client.write({request[1], request[2], request[3]}));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(client.write({request[4], request[5]}));
    EXPECT_EQ(client.read(19, 1000), encodeFrame(CMD_READ, blockBytes(preset("full"), 64, 16)));

    // Two requests in one write get two replies.
    Bytes both = kIdentify;
    both.insert(both.end(), kStart.begin(), kStart.end());
    Bytes expected = encodeFrame(CMD_IDENTIFY, {0x04, 0x05, 0x01});
    expected.insert(expected.end(), kStart.begin(), kStart.end());
    EXPECT_EQ(client.exchange(both, expected.size()), expected);

    const auto frames = server->receivedFrames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0], request);
    EXPECT_EQ(frames[1], kIdentify);
    EXPECT_EQ(frames[2], kStart);
    server->clearLog();
    EXPECT_TRUE(server->receivedFrames().empty());
}

TEST_F(SimServerTest, ReadAndWriteSessionAsTheToolRunsIt)
{
    startServer();
    const ConfigBlock original = preset("full");
    ASSERT_EQ(client.exchange(kStart, 3), kStart);
    ConfigBlock read;
    for (int offset = 0; offset < kConfigBlockSize; offset += 16) {
        const Bytes reply = client.exchange(readRequest(offset), 19);
        ASSERT_EQ(reply.size(), 19u) << offset;
        for (int i = 0; i < 16; ++i)
            read.setByte(offset + i, reply[2 + i]);
    }
    EXPECT_EQ(read, original);

    ConfigBlock changed = original;
    changed.set(Field::MaxMotorCurrent, 55);
    changed.set(Field::Reserved122, 0x01020304);
    ASSERT_EQ(client.exchange(kStart, 3), kStart);
    for (int offset = 0; offset < kConfigBlockSize; offset += 13) {
        const int count = std::min(13, kConfigBlockSize - offset);
        Bytes data = {static_cast<std::uint8_t>(offset), static_cast<std::uint8_t>(count), 0};
        const Bytes bytes = blockBytes(changed, offset, count);
        data.insert(data.end(), bytes.begin(), bytes.end());
        data.resize(16, 0xEE);
        ASSERT_EQ(client.exchange(encodeFrame(CMD_WRITE, data), 3), kAck) << offset;
    }
    EXPECT_EQ(server->storedImage(), original) << "nothing stored before the commit";
    EXPECT_EQ(server->stagedImage(), changed);
    ASSERT_EQ(client.exchange(kCommit, 3), kCommit);
    EXPECT_EQ(server->storedImage(), changed);
    EXPECT_EQ(server->commitCount(), 1);
    EXPECT_EQ(server->receivedFrames().size(), 1u + 8u + 1u + 10u + 1u);
}

TEST_F(SimServerTest, KeepsServingWhenTheClientClosesAndReopens)
{
    startServer();
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(client.open(server->devicePath()));
        tcflush(client.fd(), TCIFLUSH); // the tool purges its input when it opens the port
        EXPECT_EQ(client.exchange(kIdentify, 6), encodeFrame(CMD_IDENTIFY, {4, 5, 1}));
        // Leave a reply unread on some rounds, as a probe that gives up would.
        if (round % 2 == 1) {
            ASSERT_TRUE(client.write(kStart));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        client.close();
    }
    ASSERT_TRUE(client.open(server->devicePath()));
    tcflush(client.fd(), TCIFLUSH); // the tool purges its input when it opens the port
    EXPECT_EQ(client.exchange(kStart, 3), kStart);
    EXPECT_EQ(server->frameCount(CMD_IDENTIFY), 4);
}

TEST_F(SimServerTest, QtSerialPortCanOpenCloseAndReopenThePort)
{
    int argc = 1;
    char name[] = "sim_tests";
    char* argv[] = {name, nullptr};
    std::unique_ptr<QCoreApplication> app;
    if (!QCoreApplication::instance())
        app = std::make_unique<QCoreApplication>(argc, argv);

    startServer();
    client.close();
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        QSerialPort port(server->devicePath());
        ASSERT_TRUE(port.open(QIODevice::ReadWrite)) << port.errorString().toStdString();
        ASSERT_TRUE(port.setBaudRate(QSerialPort::Baud19200));
        port.clear();
        ASSERT_EQ(port.write(reinterpret_cast<const char*>(kIdentify.data()), 3), 3);
        ASSERT_TRUE(port.waitForBytesWritten(1000));
        QByteArray reply;
        while (reply.size() < 6 && port.waitForReadyRead(1000))
            reply += port.readAll();
        EXPECT_EQ(reply, QByteArray::fromHex("11030405011E"));
        port.close();
    }
}

TEST_F(SimServerTest, BadFrameGetsNoReplyAndInputIsDiscardedUntilTheLineIsQuiet)
{
    startServer();
    Bytes bad = readRequest(0);
    bad.back() ^= 0x40;
    Bytes chunk = bad;
    chunk.insert(chunk.end(), kIdentify.begin(), kIdentify.end());
    ASSERT_TRUE(client.write(chunk));
    EXPECT_TRUE(client.readFor(300).empty());
    // After a pause the controller is back in step.
    EXPECT_EQ(client.exchange(kIdentify, 6), encodeFrame(CMD_IDENTIFY, {4, 5, 1}));
    const auto frames = server->receivedFrames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], bad);
    EXPECT_EQ(frames[1], kIdentify);
}

TEST_F(SimServerTest, FaultsReachTheWire)
{
    SimOptions options;
    options.faults = {{SimFault::ExtraBytes, CMD_READ, 1}, {SimFault::NoReply, CMD_START, 1}};
    startServer(options);
    EXPECT_TRUE(client.exchange(kStart, 3, 300).empty());
    Bytes expected = encodeFrame(CMD_READ, blockBytes(preset("full"), 0, 16));
    expected.insert(expected.end(), ControllerModel::extraBytes().begin(),
                    ControllerModel::extraBytes().end());
    EXPECT_EQ(client.exchange(readRequest(0), expected.size()), expected);

    server->addFault({SimFault::ShortReply, CMD_READ, server->frameCount(CMD_READ) + 1});
    EXPECT_EQ(client.exchange(readRequest(0), 11),
              encodeFrame(CMD_READ, blockBytes(preset("full"), 0, 8)));
}

TEST_F(SimServerTest, LostCommitIsAnsweredButKeepsTheStoredImageAndTheStateFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SimOptions options;
    options.statePath = dir.filePath(QStringLiteral("state.bin"));
    options.faults = {{SimFault::LostCommit, CMD_COMMIT, 2}};
    startServer(options);
    const ConfigBlock original = preset("full");

    ASSERT_EQ(client.exchange(kStart, 3), kStart);
    ASSERT_EQ(client.exchange(encodeFrame(CMD_WRITE, {0, 1, 0, 0x42}), 3), kAck);
    ASSERT_EQ(client.exchange(kCommit, 3), kCommit);
    QFile state(options.statePath);
    ASSERT_TRUE(state.open(QIODevice::ReadOnly));
    const QByteArray first = state.readAll();
    state.close();
    ASSERT_EQ(first.size(), kConfigBlockSize);
    EXPECT_EQ(static_cast<std::uint8_t>(first[0]), 0x42);

    // The second commit is answered normally but does not stick.
    ASSERT_EQ(client.exchange(kStart, 3), kStart);
    ASSERT_EQ(client.exchange(encodeFrame(CMD_WRITE, {1, 1, 0, 0x43}), 3), kAck);
    EXPECT_EQ(client.exchange(kCommit, 3), kCommit);
    Bytes expected = blockBytes(original, 0, 16);
    expected[0] = 0x42;
    EXPECT_EQ(client.exchange(readRequest(0), 19), encodeFrame(CMD_READ, expected));
    ASSERT_TRUE(state.open(QIODevice::ReadOnly));
    EXPECT_EQ(state.readAll(), first) << "state file keeps the last stored image";
    state.close();
    EXPECT_EQ(server->commitCount(), 1);
    EXPECT_EQ(server->stagedImage(), server->storedImage());

    // The third commit stores again.
    ASSERT_EQ(client.exchange(encodeFrame(CMD_WRITE, {2, 1, 0, 0x44}), 3), kAck);
    ASSERT_EQ(client.exchange(kCommit, 3), kCommit);
    ASSERT_TRUE(state.open(QIODevice::ReadOnly));
    const ConfigBlock saved = ConfigBlock::fromByteArray(state.readAll());
    EXPECT_EQ(saved, server->storedImage());
    EXPECT_EQ(saved.byte(0), 0x42);
    EXPECT_EQ(saved.byte(1), original.byte(1)) << "the lost write is not carried along";
    EXPECT_EQ(saved.byte(2), 0x44);
}

TEST_F(SimServerTest, LateReplyComesAfterTheClientsBoundAndStopDoesNotWaitForIt)
{
    SimOptions options;
    options.faults = {{SimFault::LateReply, CMD_IDENTIFY, 1}};
    startServer(options);
    const auto sent = Clock::now();
    ASSERT_TRUE(client.write(kIdentify));
    EXPECT_TRUE(client.read(1, 1500).empty()) << "nothing within the client's receive bound";
    EXPECT_EQ(client.read(6, 2000), encodeFrame(CMD_IDENTIFY, {4, 5, 1}));
    EXPECT_GE(msSince(sent), 1900);

    server->addFault({SimFault::LateReply, CMD_START, 1});
    ASSERT_TRUE(client.write(kStart));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto stopping = Clock::now();
    server->stop();
    EXPECT_LT(msSince(stopping), 1000);
    EXPECT_FALSE(server->running());
}

TEST_F(SimServerTest, StopWhileIdleReturnsPromptly)
{
    startServer();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto stopping = Clock::now();
    server->stop();
    EXPECT_LT(msSince(stopping), 500);
    server->stop(); // twice is harmless
    EXPECT_FALSE(server->running());
}

TEST_F(SimServerTest, PacedRepliesTakeTheTimeOf19200Baud)
{
    SimOptions options;
    options.pace = true;
    startServer(options);
    const auto sent = Clock::now();
    ASSERT_TRUE(client.write(readRequest(0)));
    const Bytes reply = client.read(19, 1000);
    // The 6-byte request's wire time (over 3 ms) before the answer, then 18 characters of ten
    // bits after the first one: at least 12 ms. Measured from the request, not from the first
    // byte's arrival, since the pty may hand over the first byte late and the rest in a rush.
    EXPECT_GE(std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - sent).count(),
              12000);
    EXPECT_EQ(reply, encodeFrame(CMD_READ, blockBytes(preset("full"), 0, 16)));
}

TEST_F(SimServerTest, ImageVersionAndStateFileOptions)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SimOptions options;
    options.image = preset("basic");
    options.image.set(Field::SerialNumber, 0xCAFE0001);
    options.hasImage = true;
    options.statePath = dir.filePath(QStringLiteral("state.bin"));
    startServer(options);
    // With an image, the reported version is the image's own.
    EXPECT_EQ(client.exchange(kIdentify, 6), encodeFrame(CMD_IDENTIFY, {2, 3, 1}));
    EXPECT_EQ(client.exchange(readRequest(64), 19),
              encodeFrame(CMD_READ, blockBytes(options.image, 64, 16)));
    EXPECT_FALSE(QFile::exists(options.statePath)) << "written on commit only";

    ASSERT_EQ(client.exchange(encodeFrame(CMD_WRITE, {14, 1, 0, 42}), 3), kAck);
    ASSERT_EQ(client.exchange(kCommit, 3), kCommit);
    QFile state(options.statePath);
    ASSERT_TRUE(state.open(QIODevice::ReadOnly));
    const ConfigBlock saved = ConfigBlock::fromByteArray(state.readAll());
    EXPECT_EQ(state.size(), kConfigBlockSize);
    EXPECT_EQ(saved, server->storedImage());
    EXPECT_EQ(saved.get(Field::MaxMotorCurrent), 42u);

    client.close();
    server->stop();
    options.versionOverride = 0x0302;
    startServer(options);
    EXPECT_EQ(client.exchange(kIdentify, 6), encodeFrame(CMD_IDENTIFY, {3, 2, 1}));

    client.close();
    server->stop();
    SimOptions unknown;
    unknown.preset = QStringLiteral("turbo");
    SimServer refused(unknown);
    QString error;
    EXPECT_FALSE(refused.start(&error));
    EXPECT_TRUE(error.contains(QStringLiteral("turbo"))) << error.toStdString();
}

TEST_F(SimServerTest, LinkIsMadeReplacedAndRemoved)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("ttyNORVEL"));
    ASSERT_EQ(::symlink("/dev/null", QFile::encodeName(link).constData()), 0);

    SimOptions options;
    options.linkPath = link;
    startServer(options);
    EXPECT_EQ(QFile::symLinkTarget(link), server->devicePath());
    PtyClient viaLink(link);
    ASSERT_TRUE(viaLink.isOpen());
    EXPECT_EQ(viaLink.exchange(kStart, 3), kStart);
    viaLink.close();
    server->stop();
    EXPECT_FALSE(QFileInfo(link).isSymLink()) << "removed at stop";

    // A real file in the link's place is left alone, and the server does not start.
    QFile file(link);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("keep me");
    file.close();
    SimServer second(options);
    QString error;
    EXPECT_FALSE(second.start(&error));
    EXPECT_FALSE(error.isEmpty());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("keep me"));
}

TEST_F(SimServerTest, UnplugTakesTheDeviceAwayAndReplugServesTheSameControllerAtTheLink)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("ttyUSB0"));
    SimOptions options;
    options.linkPath = link;
    options.faults = {{SimFault::Unplug, CMD_WRITE, 2}};
    startServer(options);
    client.close();
    const ConfigBlock before = server->storedImage();

    PtyClient viaLink(link);
    ASSERT_TRUE(viaLink.isOpen());
    ASSERT_EQ(viaLink.exchange(kStart, 3), kStart);
    // Chunks of 13 bytes as the tool writes them: offset, count, 0, then the data.
    const auto chunk = [](int offset) {
        Bytes data{static_cast<std::uint8_t>(offset), 13, 0};
        data.insert(data.end(), 13, 0x5A);
        return encodeFrame(CMD_WRITE, data);
    };
    ASSERT_EQ(viaLink.exchange(chunk(0), 3), kAck);
    EXPECT_TRUE(viaLink.exchange(chunk(13), 3, 300).empty());
    EXPECT_TRUE(server->unplugged());
    // The client's descriptor reports the device gone, and the link is no more.
    EXPECT_FALSE(viaLink.write(kStart));
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    viaLink.close();

    QString error;
    ASSERT_TRUE(server->replug(&error)) << error.toStdString();
    EXPECT_FALSE(server->unplugged());
    EXPECT_EQ(QFile::symLinkTarget(link), server->devicePath());
    ASSERT_TRUE(viaLink.open(link));
    tcflush(viaLink.fd(), TCIFLUSH);
    // The first chunk is still staged; the next START drops it, so a COMMIT keeps the old block.
    EXPECT_EQ(server->stagedImage().byte(0), 0x5A);
    ASSERT_EQ(viaLink.exchange(kStart, 3), kStart);
    ASSERT_EQ(viaLink.exchange(kCommit, 3), kCommit);
    EXPECT_EQ(server->storedImage(), before);
    EXPECT_EQ(server->frameCount(CMD_WRITE), 2);
    EXPECT_EQ(server->commitCount(), 1);
}
