// Frame encoding and the byte-by-byte receive assembler.
#include "frame.h"

#include <gtest/gtest.h>

namespace {

using Status = FrameAssembler::Status;

std::vector<Status> feedAll(FrameAssembler& a, const std::vector<std::uint8_t>& bytes)
{
    std::vector<Status> out;
    for (auto b : bytes)
        out.push_back(a.feed(b));
    return out;
}

TEST(Frame, EncodesRequestsWithAdditiveChecksum)
{
    EXPECT_EQ(encodeFrame(CMD_START, {}), (std::vector<std::uint8_t>{0xF1, 0x00, 0xF1}));
    EXPECT_EQ(encodeFrame(CMD_READ, {0x00, 0x10, 0x00}),
              (std::vector<std::uint8_t>{0xF2, 0x03, 0x00, 0x10, 0x00, 0x05}));
    EXPECT_EQ(encodeFrame(CMD_READ, {0x10, 0x10, 0x00}),
              (std::vector<std::uint8_t>{0xF2, 0x03, 0x10, 0x10, 0x00, 0x15}));
    // More than 16 data bytes are cut to a full frame of 19 bytes.
    EXPECT_EQ(encodeFrame(CMD_WRITE, std::vector<std::uint8_t>(20, 1)).size(), 19u);
}

TEST(FrameAssembler, ThreeByteReplyCompletesOnItsThirdByte)
{
    FrameAssembler a;
    a.reset();
    EXPECT_EQ(feedAll(a, {0xF1, 0x00, 0xF1}),
              (std::vector<Status>{Status::Incomplete, Status::Incomplete, Status::Complete}));
    EXPECT_FALSE(a.active());
}

TEST(FrameAssembler, NothingCompletesBeforeTheThirdByteEvenWithZeroLength)
{
    FrameAssembler a;
    a.reset();
    EXPECT_EQ(a.feed(0x00), Status::Incomplete);
    EXPECT_EQ(a.count(), 1);
    EXPECT_EQ(a.feed(0x00), Status::Incomplete);
    EXPECT_EQ(a.feed(0x00), Status::Complete);
}

TEST(FrameAssembler, WrongLastByteFailsAtOnceAndOtherCommandsAreAccepted)
{
    FrameAssembler a;
    a.reset();
    EXPECT_EQ(feedAll(a, {0x11, 0x03, 0x02, 0x09, 0x01, 0x21}).back(), Status::BadChecksum);
    a.reset();
    // A reply whose command byte is not the request's still counts when its sum is right.
    auto ok = encodeFrame(0x55, {1, 2, 3});
    EXPECT_EQ(feedAll(a, ok).back(), Status::Complete);
    EXPECT_EQ(a.data(2), 3);
}

TEST(FrameAssembler, LengthAbove16CountsAs16AndIsCheckedOverTheReplacedByte)
{
    FrameAssembler a;
    a.reset();
    std::vector<std::uint8_t> bytes{0xF2, 0x20};
    for (int i = 0; i < 16; ++i)
        bytes.push_back(static_cast<std::uint8_t>(i));
    // Checksum over F2, 10 (the replaced length) and the data.
    bytes.push_back(frameChecksum(std::vector<std::uint8_t>{0xF2, 0x10}.data(), 2) + 120);
    const auto st = feedAll(a, bytes);
    for (std::size_t i = 0; i + 1 < st.size(); ++i)
        EXPECT_EQ(st[i], Status::Incomplete) << i;
    EXPECT_EQ(st.back(), Status::Complete);
    EXPECT_EQ(a.length(), 16);
    EXPECT_EQ(a.count(), 19);

    a.reset();
    bytes.back() = static_cast<std::uint8_t>(0xF2 + 0x20 + 120); // sum over the original length
    EXPECT_EQ(feedAll(a, bytes).back(), Status::BadChecksum);
}

TEST(FrameAssembler, ResetStartsANewFrameWithTheNextByte)
{
    FrameAssembler a;
    a.reset();
    a.feed(0xF2);
    a.feed(0x10);
    a.reset();
    EXPECT_EQ(feedAll(a, {0xF4, 0x00, 0xF4}).back(), Status::Complete);
    EXPECT_EQ(a.frame()[0], 0xF4);
}

} // namespace
