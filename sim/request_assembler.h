// Splits the byte stream from the tool into request frames, with the controller's resync rule.
#pragma once

#include "frame.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The controller has no start marker to hunt for: the first byte after a complete frame is
// the next frame's command byte. Two rules keep it from staying out of step for ever:
// - after a frame with a bad checksum it discards input until the line has been quiet for
//   kResyncQuietMs (every discarded byte restarts that wait), so the rest of a garbled
//   transmission is dropped and the next request after a pause starts cleanly;
// - a partial frame whose next byte does not come within kStaleFrameMs is dropped, so a tool
//   that gave up half-way through a frame (and closed the port) does not shift the next one.
// Pure: the caller passes the time at which the bytes arrived.
class RequestAssembler
{
public:
    static constexpr std::int64_t kResyncQuietMs = 50;
    static constexpr std::int64_t kStaleFrameMs = 1000;

    struct Event
    {
        enum Kind
        {
            Frame,
            BadFrame,
            Discarded,
            StaleDropped
        } kind;
        std::vector<std::uint8_t> bytes; // the frame, or the bytes dropped
    };

    // Feeds bytes that arrived at nowMs; returns what they completed or dropped, in order.
    std::vector<Event> feed(const std::uint8_t* bytes, std::size_t count, std::int64_t nowMs);

    bool discarding(std::int64_t nowMs) const { return nowMs < m_discardUntilMs; }
    bool partial() const { return m_assembler.active(); }

private:
    FrameAssembler m_assembler;
    std::int64_t m_discardUntilMs = 0;
    std::int64_t m_lastByteMs = 0;
};
