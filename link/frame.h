// Frame format of the controller protocol: command codes, checksum and the receive assembler.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

enum Command : std::uint8_t
{
    CMD_IDENTIFY = 0x11,
    CMD_START = 0xF1,
    CMD_READ = 0xF2,
    CMD_WRITE = 0xF3,
    CMD_COMMIT = 0xF4,
};

constexpr int kMaxFrameData = 16;
constexpr int kFrameOverhead = 3; // command, length, checksum
constexpr int kMaxFrameSize = kMaxFrameData + kFrameOverhead;

// Fixed waits between sending a request and reading its reply.
constexpr int kWaitAfterStartMs = 50;
constexpr int kWaitAfterIdentifyMs = 100; // in the identification after a block read
constexpr int kWaitAfterCommitMs = 200;

using FrameBytes = std::array<std::uint8_t, kMaxFrameSize>;

// Low 8 bits of the unsigned sum of the bytes.
std::uint8_t frameChecksum(const std::uint8_t* bytes, std::size_t count);

// The one frame encoder of the tool and the simulator: sets the checksum after a frame laid out
// as command, length, data (a length above 16 counts as 16) and returns the frame's size.
int sealFrame(FrameBytes& frame);
// A complete frame: command, length (clamped to 16), data and checksum.
std::vector<std::uint8_t> encodeFrame(std::uint8_t command, const std::vector<std::uint8_t>& data);

const char* commandName(std::uint8_t command);

// Byte-by-byte assembly of one received frame. The first byte after a reset is taken as the
// command byte; a length above 16 counts as 16; the frame completes once length + 3 bytes are
// in, and no frame completes before its third byte.
class FrameAssembler
{
public:
    enum class Status
    {
        Incomplete,
        Complete,
        BadChecksum
    };

    void reset();
    Status feed(std::uint8_t byte);

    const FrameBytes& frame() const { return m_frame; }
    int count() const { return m_count; }
    bool active() const { return m_active; }
    std::uint8_t length() const { return m_frame[1]; }
    std::uint8_t data(int i) const { return m_frame[static_cast<std::size_t>(2 + i)]; }

private:
    FrameBytes m_frame{};
    int m_count = 0;
    bool m_active = false;
};
