// Tests of request assembly from arbitrary chunks, and of resynchronisation after bad frames.
#include "request_assembler.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Event = RequestAssembler::Event;

std::vector<Event> feed(RequestAssembler& a, const Bytes& bytes, std::int64_t at)
{
    return a.feed(bytes.data(), bytes.size(), at);
}

const Bytes kRead = {0xF2, 0x03, 0x00, 0x10, 0x00, 0x05};
const Bytes kStart = {0xF1, 0x00, 0xF1};

} // namespace

TEST(RequestAssembler, AssemblesFramesFromAnyChunking)
{
    RequestAssembler a;
    for (std::size_t i = 0; i + 1 < kRead.size(); ++i)
        EXPECT_TRUE(feed(a, {kRead[i]}, 10 * static_cast<std::int64_t>(i)).empty()) << i;
    auto events = feed(a, {kRead.back()}, 60);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, Event::Frame);
    EXPECT_EQ(events[0].bytes, kRead);

    // Two frames and the start of a third in one chunk, the rest in the next.
    Bytes chunk = kStart;
    chunk.insert(chunk.end(), kRead.begin(), kRead.end());
    chunk.insert(chunk.end(), kStart.begin(), kStart.begin() + 2);
    events = feed(a, chunk, 100);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].bytes, kStart);
    EXPECT_EQ(events[1].bytes, kRead);
    EXPECT_TRUE(a.partial());
    events = feed(a, {0xF1}, 105);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].bytes, kStart);
}

TEST(RequestAssembler, LengthAboveSixteenCountsAsSixteen)
{
    RequestAssembler a;
    Bytes frame = {0xF3, 0x20};
    frame.resize(18, 0x01);
    EXPECT_TRUE(feed(a, frame, 0).empty());
    const auto events = feed(a, {0x00}, 1); // the 19th byte ends it
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, Event::BadFrame);
    EXPECT_EQ(events[0].bytes.size(), 19u);
}

TEST(RequestAssembler, DiscardsInputUntilTheLineIsQuietAfterABadFrame)
{
    RequestAssembler a;
    const Bytes bad = {0xF1, 0x00, 0x00}; // START with a wrong checksum
    Bytes chunk = bad;
    chunk.insert(chunk.end(), kStart.begin(), kStart.end()); // follows at once: dropped
    auto events = feed(a, chunk, 1000);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, Event::BadFrame);
    EXPECT_EQ(events[0].bytes, bad);
    EXPECT_EQ(events[1].kind, Event::Discarded);
    EXPECT_EQ(events[1].bytes, kStart);

    // Each discarded byte restarts the quiet wait.
    events = feed(a, kRead, 1000 + RequestAssembler::kResyncQuietMs - 1);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, Event::Discarded);
    EXPECT_TRUE(a.discarding(1000 + 2 * RequestAssembler::kResyncQuietMs - 2));

    // After a quiet gap, the next frame is taken from its first byte.
    events = feed(a, kRead, 1000 + 3 * RequestAssembler::kResyncQuietMs);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, Event::Frame);
    EXPECT_EQ(events[0].bytes, kRead);
}

TEST(RequestAssembler, DropsAnUnfinishedFrameAfterALongSilence)
{
    RequestAssembler a;
    EXPECT_TRUE(feed(a, {0xF2, 0x03, 0x00}, 0).empty());
    // Continued in time: still one frame.
    auto events = feed(a, {0x10, 0x00, 0x05}, RequestAssembler::kStaleFrameMs - 1);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, Event::Frame);

    // A client that gave up half-way, then sends a fresh frame much later.
    EXPECT_TRUE(feed(a, {0xF2, 0x03}, 5000).empty());
    events = feed(a, kStart, 5000 + RequestAssembler::kStaleFrameMs + 1);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, Event::StaleDropped);
    EXPECT_EQ(events[0].bytes, (Bytes{0xF2, 0x03}));
    EXPECT_EQ(events[1].kind, Event::Frame);
    EXPECT_EQ(events[1].bytes, kStart);
}
