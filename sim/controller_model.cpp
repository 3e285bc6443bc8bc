// The simulated controller without any transport: one request frame in, one reply out.
#include "controller_model.h"

#include "frame.h"

namespace {

// Data byte 2 of the identification reply: the tool takes 1 or 2 as a controller answering.
constexpr std::uint8_t kIdentifyMark = 1;
// A READ or WRITE request carries offset, count and a zero byte before any block data.
constexpr int kTransferHeader = 3;

bool checksumOk(const std::vector<std::uint8_t>& frame)
{
    if (frame.size() < static_cast<std::size_t>(kFrameOverhead))
        return false;
    return frameChecksum(frame.data(), frame.size() - 1) == frame.back();
}

} // namespace

const std::vector<std::uint8_t>& ControllerModel::extraBytes()
{
    static const std::vector<std::uint8_t> bytes = {0x55, 0xAA, 0x0F};
    return bytes;
}

ControllerModel::ControllerModel(const ConfigBlock& stored, std::uint8_t major, std::uint8_t minor)
    : m_stored(stored), m_staged(stored), m_major(major), m_minor(minor)
{
}

void ControllerModel::setStored(const ConfigBlock& image)
{
    m_stored = image;
    m_staged = image;
}

void ControllerModel::setVersion(std::uint8_t major, std::uint8_t minor)
{
    m_major = major;
    m_minor = minor;
}

int ControllerModel::frameCount(std::uint8_t command) const
{
    const auto it = m_frameCounts.find(command);
    return it == m_frameCounts.end() ? 0 : it->second;
}

std::vector<std::uint8_t> ControllerModel::processRequest(const std::vector<std::uint8_t>& request)
{
    return handleRequest(request).bytes;
}

ControllerModel::Reply ControllerModel::handleRequest(const std::vector<std::uint8_t>& request)
{
    if (!checksumOk(request))
        return {};
    const std::uint8_t command = request[0];
    // The frame's own length byte decides how much data there is; a request whose length
    // byte disagrees with its size is malformed and left unanswered.
    const int length = request[1];
    if (length > kMaxFrameData ||
        request.size() != static_cast<std::size_t>(length + kFrameOverhead))
        return {};

    const int nth = ++m_frameCounts[command];
    bool lost = false;
    const SimFault* replyFault = nullptr;
    for (const SimFault& fault : m_faults) {
        if (fault.command != command || fault.nth != nth)
            continue;
        if (fault.kind == SimFault::LostCommit) {
            if (!lost)
                m_fired.append(fault);
            lost = true;
        } else if (!replyFault) {
            m_fired.append(fault);
            replyFault = &fault;
        }
    }

    // A frame that goes out as the adapter is pulled never reaches the controller.
    if (replyFault && replyFault->kind == SimFault::Unplug)
        lost = true;
    std::vector<std::uint8_t> reply = answer(command, request.data() + 2, length, !lost);
    if (replyFault)
        return applyFault(*replyFault, std::move(reply));
    return {std::move(reply), 0};
}

std::vector<std::uint8_t> ControllerModel::answer(std::uint8_t command, const std::uint8_t* data,
                                                  int length, bool takeEffect)
{
    switch (command) {
    case CMD_IDENTIFY:
        return encodeFrame(CMD_IDENTIFY, {m_major, m_minor, kIdentifyMark});
    case CMD_START:
        if (takeEffect)
            m_staged = m_stored;
        return encodeFrame(CMD_START, {});
    case CMD_READ: {
        if (length < kTransferHeader)
            return {};
        const int offset = data[0];
        const int count = data[1];
        if (count < 1 || count > kMaxFrameData || offset + count > kConfigBlockSize)
            return {};
        std::vector<std::uint8_t> bytes;
        bytes.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            bytes.push_back(m_stored.byte(offset + i));
        return encodeFrame(CMD_READ, bytes);
    }
    case CMD_WRITE: {
        if (length < kTransferHeader)
            return {};
        const int offset = data[0];
        const int count = data[1];
        // Bytes after the counted ones are filler (the last chunk of a block write carries
        // two) and are ignored.
        if (count > length - kTransferHeader || offset + count > kConfigBlockSize)
            return {};
        if (takeEffect)
            for (int i = 0; i < count; ++i)
                m_staged.setByte(offset + i, data[kTransferHeader + i]);
        return encodeFrame(CMD_WRITE, {});
    }
    case CMD_COMMIT:
        if (takeEffect) {
            m_stored = m_staged;
            ++m_commitCount;
        } else {
            // The write did not stick: what was staged is gone and the stored image stays.
            m_staged = m_stored;
        }
        return encodeFrame(CMD_COMMIT, {});
    default:
        return {};
    }
}

ControllerModel::Reply ControllerModel::applyFault(const SimFault& fault,
                                                   std::vector<std::uint8_t> reply) const
{
    // A request the controller does not answer stays unanswered whatever the fault.
    if (reply.empty())
        return {};
    switch (fault.kind) {
    case SimFault::NoReply:
    case SimFault::Unplug:
        return {};
    case SimFault::BadChecksum:
        reply.back() = static_cast<std::uint8_t>(reply.back() ^ 0xFF);
        return {std::move(reply), 0};
    case SimFault::ShortReply: {
        const int length = reply[1];
        if (length == 0) {
            // Nothing to shorten in the data: the frame stops before its checksum.
            reply.pop_back();
            return {std::move(reply), 0};
        }
        // Half the data under a length byte that says so, with a correct checksum.
        const std::vector<std::uint8_t> data(reply.begin() + 2, reply.begin() + 2 + length / 2);
        return {encodeFrame(reply[0], data), 0};
    }
    case SimFault::ExtraBytes:
        reply.insert(reply.end(), extraBytes().begin(), extraBytes().end());
        return {std::move(reply), 0};
    case SimFault::LateReply:
        return {std::move(reply), kLateReplyMs};
    case SimFault::LostCommit: // takes the effect away, not the reply
        break;
    }
    return {std::move(reply), 0};
}
