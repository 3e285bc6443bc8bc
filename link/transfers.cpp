// Block transfers between the controller and the in-memory configuration block.
#include "transfers.h"

namespace {

bool exchange(Link& link, int waitMs, const QString& what, QString* failure)
{
    link.SendFrame(); // a frame that did not go out shows as a missing reply
    if (waitMs > 0)
        link.pause(waitMs);
    if (link.ReceiveFrame())
        return true;
    if (failure)
        *failure = QStringLiteral("%1: %2").arg(what, link.lastError());
    return false;
}

bool start(Link& link, QString* failure)
{
    link.setRequest(CMD_START, 0);
    return exchange(link, kWaitAfterStartMs, QStringLiteral("START"), failure);
}

} // namespace

bool ReadConfigBlock(Link& link, ConfigBlock& block, QString* failure,
                     const TransferProgress& progress)
{
    if (!start(link, failure))
        return false;
    if (progress)
        progress(1, kReadExchanges);
    for (int i = 0; i < kConfigBlockSize / kReadChunk; ++i) {
        const int offset = kReadChunk * i;
        link.setRequest(CMD_READ, 3);
        link.setRequestData(0, static_cast<std::uint8_t>(offset));
        link.setRequestData(1, kReadChunk);
        link.setRequestData(2, 0);
        const QString what = QStringLiteral("READ at offset %1").arg(offset);
        if (!exchange(link, 0, what, failure))
            return false;
        // A reply of another length would leave stale bytes in the chunk.
        if (link.replyLength() != kReadChunk) {
            if (failure)
                *failure = QStringLiteral("%1: reply carries %2 bytes instead of %3")
                               .arg(what)
                               .arg(link.replyLength())
                               .arg(kReadChunk);
            return false;
        }
        for (int j = 0; j < kReadChunk; ++j)
            block.setByte(offset + j, link.replyData(j));
        if (progress)
            progress(2 + i, kReadExchanges);
    }
    return true;
}

bool IdentifyController(Link& link, ConfigBlock& block, QString* failure)
{
    link.setRequest(CMD_IDENTIFY, 0);
    if (!exchange(link, kWaitAfterIdentifyMs, QStringLiteral("IDENTIFY"), failure))
        return false;
    if (link.replyLength() < 3) {
        if (failure)
            *failure = QStringLiteral("IDENTIFY: reply carries %1 bytes instead of 3")
                           .arg(link.replyLength());
        return false;
    }
    const int offset = fieldDef(Field::SoftwareVersion).offset;
    block.setByte(offset, link.replyData(0));
    block.setByte(offset + 1, link.replyData(1));
    return true;
}

bool WriteConfigBlock(Link& link, const ConfigBlock& block, QString* failure,
                      const TransferProgress& progress)
{
    if (!start(link, failure))
        return false;
    int done = 1;
    if (progress)
        progress(done, kWriteExchanges);
    for (int i = 0; i < kWriteChunks; ++i) {
        const int offset = kWriteChunk * i;
        // The last chunk holds the remaining 11 bytes; the two data bytes after them are not
        // rewritten and go out as they stand from the chunk before.
        const int count = std::min(kWriteChunk, kConfigBlockSize - offset);
        link.setRequest(CMD_WRITE, kMaxFrameData);
        link.setRequestData(0, static_cast<std::uint8_t>(offset));
        link.setRequestData(1, static_cast<std::uint8_t>(count));
        link.setRequestData(2, 0);
        for (int j = 0; j < count; ++j)
            link.setRequestData(3 + j, block.byte(offset + j));
        if (!exchange(link, 0, QStringLiteral("WRITE at offset %1").arg(offset), failure))
            return false;
        if (progress)
            progress(++done, kWriteExchanges);
    }
    link.setRequest(CMD_COMMIT, 0);
    if (!exchange(link, kWaitAfterCommitMs, QStringLiteral("COMMIT"), failure))
        return false;
    if (progress)
        progress(++done, kWriteExchanges);
    return true;
}
