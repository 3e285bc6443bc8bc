// Frame format of the controller protocol: command codes, checksum and the receive assembler.
#include "frame.h"

#include <algorithm>

std::uint8_t frameChecksum(const std::uint8_t* bytes, std::size_t count)
{
    unsigned sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += bytes[i];
    return static_cast<std::uint8_t>(sum & 0xFF);
}

int sealFrame(FrameBytes& frame)
{
    const int length = std::min<int>(frame[1], kMaxFrameData);
    frame[static_cast<std::size_t>(length + 2)] =
        frameChecksum(frame.data(), static_cast<std::size_t>(length + 2));
    return length + kFrameOverhead;
}

std::vector<std::uint8_t> encodeFrame(std::uint8_t command, const std::vector<std::uint8_t>& data)
{
    const std::size_t length = std::min<std::size_t>(data.size(), kMaxFrameData);
    FrameBytes frame{};
    frame[0] = command;
    frame[1] = static_cast<std::uint8_t>(length);
    std::copy_n(data.begin(), length, frame.begin() + 2);
    const int size = sealFrame(frame);
    return {frame.begin(), frame.begin() + size};
}

const char* commandName(std::uint8_t command)
{
    switch (command) {
    case CMD_IDENTIFY:
        return "IDENTIFY";
    case CMD_START:
        return "START";
    case CMD_READ:
        return "READ";
    case CMD_WRITE:
        return "WRITE";
    case CMD_COMMIT:
        return "COMMIT";
    default:
        return "?";
    }
}

void FrameAssembler::reset()
{
    m_active = false;
    m_count = 0;
    m_frame[1] = 0;
}

FrameAssembler::Status FrameAssembler::feed(std::uint8_t byte)
{
    if (!m_active) {
        m_active = true;
        m_count = 0;
        m_frame[1] = 0;
        m_frame[0] = byte;
        m_count = 1;
    } else if (m_count < kMaxFrameSize) {
        m_frame[static_cast<std::size_t>(m_count)] = byte;
        ++m_count;
    }
    if (m_frame[1] > kMaxFrameData)
        m_frame[1] = kMaxFrameData;
    const int length = m_frame[1];
    if (m_count < length + kFrameOverhead)
        return Status::Incomplete;
    m_active = false;
    const auto sum = frameChecksum(m_frame.data(), static_cast<std::size_t>(length + 2));
    return sum == m_frame[static_cast<std::size_t>(length + 2)] ? Status::Complete
                                                                : Status::BadChecksum;
}
