// Tests of the simulated controller's command handling, staging and fault injection.
#include "controller_model.h"
#include "frame.h"
#include "presets.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

ConfigBlock patternImage()
{
    ConfigBlock block;
    for (int i = 0; i < kConfigBlockSize; ++i)
        block.setByte(i, static_cast<std::uint8_t>(i * 3 + 1));
    return block;
}

Bytes readRequest(int offset, int count = 16)
{
    return encodeFrame(CMD_READ,
                       {static_cast<std::uint8_t>(offset), static_cast<std::uint8_t>(count), 0});
}

// A write request as the tool sends it: 16 data bytes, the counted block bytes after the
// three header bytes, filler after them.
Bytes writeRequest(int offset, const Bytes& bytes, std::uint8_t filler = 0xEE)
{
    Bytes data = {static_cast<std::uint8_t>(offset), static_cast<std::uint8_t>(bytes.size()), 0};
    data.insert(data.end(), bytes.begin(), bytes.end());
    while (data.size() < static_cast<std::size_t>(kMaxFrameData))
        data.push_back(filler);
    return encodeFrame(CMD_WRITE, data);
}

Bytes blockBytes(const ConfigBlock& block, int offset, int count)
{
    return Bytes(block.bytes().begin() + offset, block.bytes().begin() + offset + count);
}

const Bytes kStart = {0xF1, 0x00, 0xF1};
const Bytes kCommit = {0xF4, 0x00, 0xF4};
const Bytes kIdentify = {0x11, 0x00, 0x11};

} // namespace

TEST(ControllerModel, IdentifyReportsItsOwnVersionNotTheImageBytes)
{
    ConfigBlock image = patternImage();
    image.setSoftwareVersion(0x01, 0x07);
    ControllerModel model(image, 0x04, 0x02);

    EXPECT_EQ(model.processRequest(kIdentify), (Bytes{0x11, 0x03, 0x04, 0x02, 0x01, 0x1B}));
    // READ serves what the image holds in the version bytes.
    const Bytes reply = model.processRequest(readRequest(80));
    ASSERT_EQ(reply.size(), 19u);
    EXPECT_EQ(reply[2 + 3], 0x01);
    EXPECT_EQ(reply[2 + 4], 0x07);

    model.setVersion(0x02, 0x09);
    EXPECT_EQ(model.processRequest(kIdentify), encodeFrame(CMD_IDENTIFY, {0x02, 0x09, 0x01}));
}

TEST(ControllerModel, ReadServesSixteenStoredBytesAtEveryOffset)
{
    const ConfigBlock image = patternImage();
    ControllerModel model(image, 4, 5);
    // The tool's first request, byte for byte.
    EXPECT_EQ(model.processRequest({0xF2, 0x03, 0x00, 0x10, 0x00, 0x05}),
              encodeFrame(CMD_READ, blockBytes(image, 0, 16)));
    for (int offset = 0; offset < kConfigBlockSize; offset += 16) {
        const Bytes reply = model.processRequest(readRequest(offset));
        EXPECT_EQ(reply, encodeFrame(CMD_READ, blockBytes(image, offset, 16))) << offset;
    }
    // A shorter count is served as asked.
    EXPECT_EQ(model.processRequest(readRequest(120, 8)),
              encodeFrame(CMD_READ, blockBytes(image, 120, 8)));
}

TEST(ControllerModel, RequestsOutsideTheBlockOrMalformedGetNoReply)
{
    const ConfigBlock image = patternImage();
    ControllerModel model(image, 4, 5);
    EXPECT_TRUE(model.processRequest(readRequest(113)).empty()); // would pass byte 127
    EXPECT_TRUE(model.processRequest(readRequest(0, 0)).empty());
    EXPECT_TRUE(model.processRequest(encodeFrame(CMD_READ, {0x00, 0x10})).empty()); // no 3rd byte
    EXPECT_TRUE(model.processRequest(writeRequest(120, Bytes(13, 0x11))).empty());
    // A count larger than the data carried.
    EXPECT_TRUE(model.processRequest(encodeFrame(CMD_WRITE, {0, 5, 0, 1, 2})).empty());
    // A frame whose size disagrees with its length byte.
    EXPECT_TRUE(model.processRequest({0xF1, 0x01, 0xF2}).empty());
    EXPECT_TRUE(model.processRequest({0xF1}).empty());
    EXPECT_EQ(model.staged(), image);
    EXPECT_EQ(model.stored(), image);
}

TEST(ControllerModel, WritesStageUntilCommitAndStartDropsThem)
{
    const ConfigBlock image = patternImage();
    ControllerModel model(image, 4, 5);
    ASSERT_EQ(model.processRequest(kStart), kStart);
    EXPECT_EQ(model.processRequest(writeRequest(13, Bytes(13, 0x5A))), (Bytes{0xF3, 0x00, 0xF3}));
    EXPECT_EQ(model.staged().byte(13), 0x5A);
    EXPECT_EQ(model.staged().byte(25), 0x5A);
    EXPECT_EQ(model.staged().byte(26), image.byte(26));
    // Reads still serve the stored image.
    EXPECT_EQ(model.processRequest(readRequest(0)),
              encodeFrame(CMD_READ, blockBytes(image, 0, 16)));
    EXPECT_EQ(model.stored(), image);

    // START throws the uncommitted write away; COMMIT then keeps the image as it was.
    EXPECT_EQ(model.processRequest(kStart), kStart);
    EXPECT_EQ(model.staged(), image);
    EXPECT_EQ(model.processRequest(kCommit), kCommit);
    EXPECT_EQ(model.stored(), image);
    EXPECT_EQ(model.commitCount(), 1);

    model.processRequest(writeRequest(0, Bytes(13, 0x77)));
    EXPECT_EQ(model.processRequest(kCommit), kCommit);
    EXPECT_EQ(model.stored().byte(12), 0x77);
    EXPECT_EQ(model.commitCount(), 2);
}

TEST(ControllerModel, WholeBlockWriteInTheToolsChunksIsStoredExactly)
{
    ControllerModel model(patternImage(), 4, 5);
    ConfigBlock wanted;
    for (int i = 0; i < kConfigBlockSize; ++i)
        wanted.setByte(i, static_cast<std::uint8_t>(0xFF - i));

    ASSERT_EQ(model.processRequest(kStart), kStart);
    for (int chunk = 0; chunk < 9; ++chunk)
        ASSERT_FALSE(
            model.processRequest(writeRequest(13 * chunk, blockBytes(wanted, 13 * chunk, 13)))
                .empty());
    // The last chunk carries 11 block bytes and two stale filler bytes, which must not land.
    ASSERT_FALSE(
        model.processRequest(writeRequest(117, blockBytes(wanted, 117, 11), 0x00)).empty());
    ASSERT_EQ(model.processRequest(kCommit), kCommit);
    EXPECT_EQ(model.stored(), wanted);
}

TEST(ControllerModel, HalfSentWriteIsDroppedByTheNextStart)
{
    const ConfigBlock image = patternImage();
    ControllerModel model(image, 4, 5);
    // A session that sent three chunks and gave up before its COMMIT.
    ASSERT_EQ(model.processRequest(kStart), kStart);
    for (int chunk = 0; chunk < 3; ++chunk)
        ASSERT_FALSE(model.processRequest(writeRequest(13 * chunk, Bytes(13, 0xA5))).empty());

    // The next session writes other chunks only; its COMMIT must not carry the old ones.
    ASSERT_EQ(model.processRequest(kStart), kStart);
    ASSERT_FALSE(model.processRequest(writeRequest(26, Bytes(13, 0x3C))).empty());
    ASSERT_FALSE(model.processRequest(writeRequest(39, Bytes(13, 0x3C))).empty());
    ASSERT_EQ(model.processRequest(kCommit), kCommit);

    ConfigBlock expected = image;
    for (int i = 26; i < 52; ++i)
        expected.setByte(i, 0x3C);
    EXPECT_EQ(model.stored(), expected);
}

TEST(ControllerModel, BadChecksumAndUnknownCommandsGetNoReplyAndDoNotCount)
{
    ControllerModel model(patternImage(), 4, 5);
    Bytes bad = kCommit;
    bad.back() ^= 0x01;
    EXPECT_TRUE(model.processRequest(bad).empty());
    EXPECT_EQ(model.commitCount(), 0);
    EXPECT_EQ(model.frameCount(CMD_COMMIT), 0);
    EXPECT_TRUE(model.processRequest(encodeFrame(0x42, {1, 2})).empty());
    EXPECT_EQ(model.frameCount(0x42), 1);
}

TEST(ControllerModel, FaultsChangeOnlyTheReplyOfTheirFrame)
{
    const ConfigBlock image = patternImage();
    const Bytes normalRead = encodeFrame(CMD_READ, blockBytes(image, 16, 16));

    {
        ControllerModel model(image, 4, 5);
        model.addFault({SimFault::NoReply, CMD_COMMIT, 1});
        model.processRequest(writeRequest(0, Bytes(13, 0x01)));
        EXPECT_TRUE(model.processRequest(kCommit).empty());
        // The commit itself happened: only its answer was lost.
        EXPECT_EQ(model.commitCount(), 1);
        EXPECT_EQ(model.stored().byte(0), 0x01);
    }
    {
        ControllerModel model(image, 4, 5);
        model.addFault({SimFault::BadChecksum, CMD_READ, 1});
        const Bytes reply = model.processRequest(readRequest(16));
        ASSERT_EQ(reply.size(), normalRead.size());
        EXPECT_TRUE(std::equal(reply.begin(), reply.end() - 1, normalRead.begin()));
        EXPECT_NE(reply.back(), normalRead.back());
    }
    {
        ControllerModel model(image, 4, 5);
        model.addFault({SimFault::ShortReply, CMD_READ, 1});
        model.addFault({SimFault::ShortReply, CMD_START, 1});
        model.addFault({SimFault::ShortReply, CMD_IDENTIFY, 1});
        // Fewer data bytes under a length byte that says so, with a correct checksum.
        EXPECT_EQ(model.processRequest(readRequest(16)),
                  encodeFrame(CMD_READ, blockBytes(image, 16, 8)));
        EXPECT_EQ(model.processRequest(kIdentify), encodeFrame(CMD_IDENTIFY, {4}));
        // No data to drop: the frame ends before its checksum.
        EXPECT_EQ(model.processRequest(kStart), (Bytes{0xF1, 0x00}));
    }
    {
        ControllerModel model(image, 4, 5);
        model.addFault({SimFault::ExtraBytes, CMD_READ, 1});
        Bytes expected = normalRead;
        expected.insert(expected.end(), ControllerModel::extraBytes().begin(),
                        ControllerModel::extraBytes().end());
        EXPECT_EQ(model.processRequest(readRequest(16)), expected);
        EXPECT_FALSE(ControllerModel::extraBytes().empty());
    }
    {
        ControllerModel model(image, 4, 5);
        model.addFault({SimFault::LateReply, CMD_READ, 1});
        const ControllerModel::Reply reply = model.handleRequest(readRequest(16));
        EXPECT_EQ(reply.bytes, normalRead);
        EXPECT_GT(reply.delayMs, 1500);
        EXPECT_EQ(model.handleRequest(readRequest(16)).delayMs, 0);
    }
}

TEST(ControllerModel, LostCommitIsAcknowledgedButStoresNothing)
{
    const ConfigBlock image = patternImage();
    ControllerModel model(image, 4, 5);
    model.addFault({SimFault::LostCommit, CMD_COMMIT, 1});

    ASSERT_EQ(model.processRequest(kStart), kStart);
    ASSERT_FALSE(model.processRequest(writeRequest(0, Bytes(13, 0x11))).empty());
    EXPECT_EQ(model.processRequest(kCommit), kCommit);
    EXPECT_EQ(model.stored(), image);
    EXPECT_EQ(model.staged(), image) << "the staged write is dropped with the commit";
    EXPECT_EQ(model.commitCount(), 0);
    ASSERT_EQ(model.firedFaults().size(), 1);
    EXPECT_EQ(model.firedFaults().first().kind, SimFault::LostCommit);
    // Reading back shows the old image.
    for (int offset = 0; offset < kConfigBlockSize; offset += 16)
        EXPECT_EQ(model.processRequest(readRequest(offset)),
                  encodeFrame(CMD_READ, blockBytes(image, offset, 16)))
            << offset;

    // The next COMMIT stores what was staged since, and nothing of the lost write.
    ASSERT_FALSE(model.processRequest(writeRequest(13, Bytes(13, 0x22))).empty());
    EXPECT_EQ(model.processRequest(kCommit), kCommit);
    EXPECT_EQ(model.commitCount(), 1);
    ConfigBlock expected = image;
    for (int i = 13; i < 26; ++i)
        expected.setByte(i, 0x22);
    EXPECT_EQ(model.stored(), expected);
}

TEST(ControllerModel, LostWriteAndStartAreAcknowledgedWithoutEffect)
{
    const ConfigBlock image = patternImage();
    {
        // The second chunk is acknowledged but never staged.
        ControllerModel model(image, 4, 5);
        model.addFault({SimFault::LostCommit, CMD_WRITE, 2});
        EXPECT_EQ(model.processRequest(writeRequest(0, Bytes(13, 0x01))),
                  (Bytes{0xF3, 0x00, 0xF3}));
        EXPECT_EQ(model.processRequest(writeRequest(13, Bytes(13, 0x02))),
                  (Bytes{0xF3, 0x00, 0xF3}));
        EXPECT_EQ(model.processRequest(writeRequest(26, Bytes(13, 0x03))),
                  (Bytes{0xF3, 0x00, 0xF3}));
        ASSERT_EQ(model.processRequest(kCommit), kCommit);
        EXPECT_EQ(model.stored().byte(12), 0x01);
        EXPECT_EQ(model.stored().byte(13), image.byte(13));
        EXPECT_EQ(model.stored().byte(25), image.byte(25));
        EXPECT_EQ(model.stored().byte(26), 0x03);
    }
    {
        // A lost START keeps what an earlier session staged.
        ControllerModel model(image, 4, 5);
        model.addFault({SimFault::LostCommit, CMD_START, 1});
        ASSERT_FALSE(model.processRequest(writeRequest(0, Bytes(13, 0x44))).empty());
        EXPECT_EQ(model.processRequest(kStart), kStart);
        EXPECT_EQ(model.staged().byte(0), 0x44);
        EXPECT_EQ(model.processRequest(kStart), kStart); // START 2 works
        EXPECT_EQ(model.staged(), image);
    }
    {
        // Nothing to lose on IDENTIFY or READ: the reply is the normal one.
        ControllerModel model(image, 4, 5);
        model.addFault({SimFault::LostCommit, CMD_IDENTIFY, 1});
        model.addFault({SimFault::LostCommit, CMD_READ, 1});
        EXPECT_EQ(model.processRequest(kIdentify), encodeFrame(CMD_IDENTIFY, {4, 5, 1}));
        EXPECT_EQ(model.processRequest(readRequest(32)),
                  encodeFrame(CMD_READ, blockBytes(image, 32, 16)));
    }
    {
        // Together with a reply fault on the same frame: no answer and nothing stored.
        ControllerModel model(image, 4, 5);
        model.addFault({SimFault::LostCommit, CMD_COMMIT, 1});
        model.addFault({SimFault::NoReply, CMD_COMMIT, 1});
        ASSERT_FALSE(model.processRequest(writeRequest(0, Bytes(13, 0x55))).empty());
        EXPECT_TRUE(model.processRequest(kCommit).empty());
        EXPECT_EQ(model.stored(), image);
        EXPECT_EQ(model.firedFaults().size(), 2);
    }
}

TEST(ControllerModel, UnpluggedFrameHasNeitherReplyNorEffect)
{
    const ConfigBlock image = patternImage();
    ControllerModel model(image, 4, 5);
    model.addFault({SimFault::Unplug, CMD_WRITE, 2});
    model.addFault({SimFault::Unplug, CMD_COMMIT, 1});
    ASSERT_EQ(model.processRequest(kStart), kStart);
    EXPECT_EQ(model.processRequest(writeRequest(0, Bytes(13, 0x01))), (Bytes{0xF3, 0x00, 0xF3}));
    EXPECT_TRUE(model.processRequest(writeRequest(13, Bytes(13, 0x02))).empty());
    EXPECT_EQ(model.staged().byte(13), image.byte(13));
    EXPECT_TRUE(model.processRequest(kCommit).empty());
    EXPECT_EQ(model.stored(), image);
    EXPECT_EQ(model.commitCount(), 0);
    ASSERT_EQ(model.firedFaults().size(), 2);
    EXPECT_EQ(model.firedFaults()[0].kind, SimFault::Unplug);
    // Counted all the same: the next COMMIT is the second, and it stores what was staged.
    ASSERT_EQ(model.processRequest(kCommit), kCommit);
    EXPECT_EQ(model.frameCount(CMD_COMMIT), 2);
    EXPECT_EQ(model.stored().byte(0), 0x01);
}

TEST(ControllerModel, FaultHitsTheNthFrameOfItsCommandOverTheWholeSession)
{
    const ConfigBlock image = patternImage();
    ControllerModel model(image, 4, 5);
    model.addFault({SimFault::NoReply, CMD_READ, 2});
    model.addFault({SimFault::BadChecksum, CMD_READ, 4});
    model.addFault({SimFault::NoReply, CMD_START, 2});

    EXPECT_FALSE(model.processRequest(kStart).empty());
    EXPECT_FALSE(model.processRequest(readRequest(0)).empty()); // READ 1
    EXPECT_FALSE(model.processRequest(kIdentify).empty());      // other commands do not count
    Bytes corrupt = readRequest(0);
    corrupt.back() ^= 0xFF;
    EXPECT_TRUE(model.processRequest(corrupt).empty());        // nor do corrupt frames
    EXPECT_TRUE(model.processRequest(readRequest(0)).empty()); // READ 2
    EXPECT_TRUE(model.processRequest(kStart).empty());         // START 2
    EXPECT_EQ(model.processRequest(readRequest(0)),
              encodeFrame(CMD_READ, blockBytes(image, 0, 16))); // READ 3
    Bytes fourth = model.processRequest(readRequest(0));        // READ 4
    ASSERT_EQ(fourth.size(), 19u);
    EXPECT_NE(fourth.back(), frameChecksum(fourth.data(), 18));
    EXPECT_FALSE(model.processRequest(readRequest(0)).empty()); // READ 5
    EXPECT_EQ(model.frameCount(CMD_READ), 5);
    EXPECT_EQ(model.firedFaults().size(), 3);
}

TEST(SimFaultText, ParsesNamesAndHexCodes)
{
    SimFault fault{};
    QString error;
    ASSERT_TRUE(parseFault(QStringLiteral("late-reply:read:2"), &fault, &error))
        << error.toStdString();
    EXPECT_EQ(fault.kind, SimFault::LateReply);
    EXPECT_EQ(fault.command, CMD_READ);
    EXPECT_EQ(fault.nth, 2);

    ASSERT_TRUE(parseFault(QStringLiteral("No-Reply:COMMIT:1"), &fault, &error))
        << error.toStdString();
    EXPECT_EQ(fault.kind, SimFault::NoReply);
    EXPECT_EQ(fault.command, CMD_COMMIT);

    ASSERT_TRUE(parseFault(QStringLiteral("short-reply:0x11:3"), &fault, &error))
        << error.toStdString();
    EXPECT_EQ(fault.command, CMD_IDENTIFY);
    ASSERT_TRUE(parseFault(QStringLiteral("extra-bytes:f3:10"), &fault, &error))
        << error.toStdString();
    EXPECT_EQ(fault.command, CMD_WRITE);
    EXPECT_EQ(fault.nth, 10);
    ASSERT_TRUE(parseFault(QStringLiteral("unplug:write:3"), &fault, &error))
        << error.toStdString();
    EXPECT_EQ(fault.kind, SimFault::Unplug);
    EXPECT_EQ(faultText(fault), QStringLiteral("unplug:write:3"));
    ASSERT_TRUE(parseFault(QStringLiteral("bad-checksum:start:1"), &fault, &error))
        << error.toStdString();
    EXPECT_EQ(fault.kind, SimFault::BadChecksum);

    // Text form round-trips.
    SimFault again{};
    ASSERT_TRUE(parseFault(faultText(fault), &again, &error)) << faultText(fault).toStdString();
    EXPECT_EQ(again.kind, fault.kind);
    EXPECT_EQ(again.command, fault.command);
    EXPECT_EQ(again.nth, fault.nth);
    ASSERT_TRUE(parseFault(faultText({SimFault::NoReply, 0x42, 7}), &again, &error));
    EXPECT_EQ(again.command, 0x42);

    ASSERT_TRUE(parseFault(QStringLiteral("lost-commit:commit:1"), &fault, &error))
        << error.toStdString();
    EXPECT_EQ(fault.kind, SimFault::LostCommit);
    EXPECT_EQ(fault.command, CMD_COMMIT);
    EXPECT_EQ(fault.nth, 1);
    EXPECT_EQ(faultText(fault), QStringLiteral("lost-commit:commit:1"));
    ASSERT_TRUE(parseFault(faultText({SimFault::LostCommit, CMD_WRITE, 3}), &again, &error));
    EXPECT_EQ(again.kind, SimFault::LostCommit);
    EXPECT_EQ(again.command, CMD_WRITE);
    EXPECT_EQ(again.nth, 3);

    // Every kind has a word that parses back to it.
    for (int kind = SimFault::NoReply; kind <= SimFault::LostCommit; ++kind) {
        const SimFault each{static_cast<SimFault::Kind>(kind), CMD_READ, 2};
        ASSERT_TRUE(parseFault(faultText(each), &again, &error)) << faultText(each).toStdString();
        EXPECT_EQ(again.kind, each.kind);
    }
}

TEST(SimFaultText, RejectsMalformedTextWithAReason)
{
    const char* bad[] = {"no-reply:read",    "no-reply:read:1:2", "lost:read:1",
                         "no-reply:erase:1", "no-reply:0x123:1",  "no-reply:read:0",
                         "no-reply:read:-1", "no-reply:read:two", "",
                         "no-reply::1"};
    for (const char* text : bad) {
        SimFault fault{SimFault::LateReply, 0x99, 99};
        QString error;
        EXPECT_FALSE(parseFault(QString::fromLatin1(text), &fault, &error)) << text;
        EXPECT_FALSE(error.isEmpty()) << text;
        EXPECT_EQ(fault.nth, 99) << "output untouched on failure: " << text;
    }
    QString error;
    parseFault(QStringLiteral("lost:read:1"), nullptr, &error);
    EXPECT_TRUE(error.contains(QStringLiteral("lost"))) << error.toStdString();
}
