// Block transfers against the simulated controller on a real pseudo-terminal.
#include "frame.h"
#include "presets.h"
#include "sim_server.h"
#include "transfers.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Frame = std::vector<std::uint8_t>;

ConfigBlock patternBlock()
{
    ConfigBlock b;
    for (int i = 0; i < kConfigBlockSize; ++i)
        b.setByte(i, static_cast<std::uint8_t>(0x80 ^ i));
    return b;
}

class TransfersTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SimOptions options;
        options.preset = "full";
        server = std::make_unique<SimServer>(options);
        QString error;
        ASSERT_TRUE(server->start(&error)) << error.toStdString();
        const ConnectResult r = link.ConnectController({server->devicePath()});
        ASSERT_TRUE(r.connected) << link.lastError().toStdString();
        server->clearLog();
    }

    static ConfigBlock pattern() { return patternBlock(); }

    std::unique_ptr<SimServer> server;
    Link link;
};

TEST_F(TransfersTest, ReadSendsStartAndEightReadsAndIdentifyReplacesTheVersionBytes)
{
    ConfigBlock image = pattern();
    image.setByte(83, 0x01); // stale version bytes in the stored image
    image.setByte(84, 0x01);
    server->setStoredImage(image);
    server->setVersion(0x04, 0x05);

    ConfigBlock block;
    ASSERT_TRUE(ReadConfigBlock(link, block));
    ASSERT_TRUE(IdentifyController(link, block));
    image.setByte(83, 0x04);
    image.setByte(84, 0x05);
    EXPECT_EQ(block, image);

    std::vector<Frame> expected{encodeFrame(CMD_START, {})};
    for (int i = 0; i < 8; ++i)
        expected.push_back(encodeFrame(CMD_READ, {static_cast<std::uint8_t>(16 * i), 16, 0}));
    expected.push_back(encodeFrame(CMD_IDENTIFY, {}));
    EXPECT_EQ(server->receivedFrames(), expected);
    EXPECT_EQ(expected[1], (Frame{0xF2, 0x03, 0x00, 0x10, 0x00, 0x05}));
}

TEST_F(TransfersTest, WriteSendsTenChunksWithFillerAndCommits)
{
    ConfigBlock block = pattern();
    block.setByte(115, 0xAA);
    block.setByte(116, 0x55);
    int lastDone = 0;
    ASSERT_TRUE(WriteConfigBlock(link, block, static_cast<QString*>(nullptr), [&](int done, int total) {
        EXPECT_EQ(total, kWriteExchanges);
        EXPECT_EQ(done, lastDone + 1);
        lastDone = done;
    }));
    EXPECT_EQ(lastDone, kWriteExchanges);
    EXPECT_EQ(server->storedImage(), block);
    EXPECT_EQ(server->commitCount(), 1);

    const auto frames = server->receivedFrames();
    ASSERT_EQ(frames.size(), 12u);
    EXPECT_EQ(frames.front(), encodeFrame(CMD_START, {}));
    for (int i = 0; i < 10; ++i) {
        const Frame& f = frames[static_cast<std::size_t>(1 + i)];
        ASSERT_EQ(f.size(), 19u);
        EXPECT_EQ(f[0], CMD_WRITE);
        EXPECT_EQ(f[1], 16);
        EXPECT_EQ(f[2], 13 * i);
        EXPECT_EQ(f[3], i < 9 ? 13 : 11);
        EXPECT_EQ(f[4], 0);
    }
    // The last chunk ends with bytes 115 and 116, left over from the chunk before.
    const Frame& last = frames[10];
    EXPECT_EQ(last[16], 0xAA);
    EXPECT_EQ(last[17], 0x55);
    EXPECT_EQ(last[18], frameChecksum(last.data(), 18));
    EXPECT_EQ(frames.back(), encodeFrame(CMD_COMMIT, {}));
}

TEST_F(TransfersTest, WriteThatFailsAtChunk5SendsNothingMoreAndNoCommitThenARepeatSucceeds)
{
    const ConfigBlock before = server->storedImage();
    server->addFault({SimFault::NoReply, CMD_WRITE, 6}); // chunk 5 counts from 0
    QString why;
    EXPECT_FALSE(WriteConfigBlock(link, pattern(), &why));
    EXPECT_TRUE(why.startsWith("WRITE at offset 65")) << why.toStdString();
    const auto frames = server->receivedFrames();
    ASSERT_EQ(frames.size(), 7u); // start + chunks 0..5
    EXPECT_EQ(frames.back()[2], 65);
    EXPECT_EQ(server->commitCount(), 0);
    EXPECT_EQ(server->storedImage(), before);

    server->clearLog();
    ASSERT_TRUE(WriteConfigBlock(link, pattern()));
    EXPECT_EQ(server->receivedFrames().size(), 12u);
    EXPECT_EQ(server->storedImage(), pattern());
}

TEST_F(TransfersTest, ShortReadReplyFailsTheReadAndLateBytesDoNotSpoilTheNextExchange)
{
    server->addFault({SimFault::ShortReply, CMD_READ, 3});
    ConfigBlock block;
    QString why;
    EXPECT_FALSE(ReadConfigBlock(link, block, &why));
    EXPECT_TRUE(why.contains("offset 32")) << why.toStdString();
    EXPECT_EQ(block.byte(31), server->storedImage().byte(31)); // chunks before it arrived
    EXPECT_EQ(block.byte(32), 0xFF);

    // Extra bytes after a reply must not become the start of the next one.
    server->addFault({SimFault::ExtraBytes, CMD_START, 2});
    ConfigBlock again;
    ASSERT_TRUE(ReadConfigBlock(link, again));
    ASSERT_TRUE(IdentifyController(link, again));
    ConfigBlock expected = server->storedImage();
    expected.setByte(83, server->versionMajor());
    expected.setByte(84, server->versionMinor());
    EXPECT_EQ(again, expected);
}

TEST_F(TransfersTest, ControllerThatGoesAwayFailsTheExchangeQuickly)
{
    server->stop();
    ConfigBlock block;
    QString why;
    EXPECT_FALSE(ReadConfigBlock(link, block, &why));
    EXPECT_FALSE(why.isEmpty());
}

TEST(ConnectOverPty, AnAdapterPulledOutAndBackUnderItsNameIsReachedOnTheNextTransfer)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SimOptions options;
    options.linkPath = dir.filePath("ttyUSB0");
    options.faults.append({SimFault::Unplug, CMD_WRITE, 5});
    SimServer server(options);
    QString error;
    ASSERT_TRUE(server.start(&error)) << error.toStdString();
    Link link;
    ASSERT_TRUE(link.ConnectController({options.linkPath}).connected);
    const ConfigBlock before = server.storedImage();

    QString why;
    EXPECT_FALSE(WriteConfigBlock(link, patternBlock(), &why));
    EXPECT_TRUE(server.unplugged());
    // Still out: the next transfer fails at once, without a frame.
    ConfigBlock scratch;
    EXPECT_FALSE(ReadConfigBlock(link, scratch, &why));

    ASSERT_TRUE(server.replug(&error)) << error.toStdString();
    server.clearLog();
    ASSERT_TRUE(WriteConfigBlock(link, patternBlock(), &why)) << why.toStdString();
    EXPECT_EQ(server.receivedFrames().size(), static_cast<std::size_t>(kWriteExchanges));
    EXPECT_EQ(server.storedImage(), patternBlock());
    EXPECT_EQ(server.commitCount(), 1);
    EXPECT_NE(before, patternBlock());
}

TEST(ConnectOverPty, SearchFindsTheSimulatorAfterADeviceThatDoesNotAnswer)
{
    SimOptions silentOptions;
    silentOptions.faults.append({SimFault::NoReply, CMD_IDENTIFY, 1});
    SimServer silent(silentOptions);
    SimServer controller(SimOptions{});
    QString error;
    ASSERT_TRUE(silent.start(&error));
    ASSERT_TRUE(controller.start(&error));
    Link link;
    const ConnectResult r =
        link.ConnectController({"/dev/no-such-port", silent.devicePath(), controller.devicePath()});
    ASSERT_TRUE(r.connected);
    EXPECT_EQ(r.port, controller.devicePath());
    ASSERT_EQ(r.openFailures.size(), 1);
    EXPECT_EQ(r.openFailures[0].error, OpenError::NotFound);
}

} // namespace
