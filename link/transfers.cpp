// Block transfers between the controller and the in-memory configuration block.
#include "transfers.h"

namespace {

bool exchange(Link& link, int waitMs, std::uint8_t command, int offset, TransferFailure* failure)
{
    link.SendFrame(); // a frame that did not go out shows as a missing reply
    if (waitMs > 0)
        link.pause(waitMs);
    if (link.ReceiveFrame())
        return true;
    if (failure)
        *failure = {command, offset, link.lastError()};
    return false;
}

bool start(Link& link, TransferFailure* failure)
{
    link.setRequest(CMD_START, 0);
    return exchange(link, kWaitAfterStartMs, CMD_START, -1, failure);
}

// The text form of a failure for the callers that print it.
template <typename Transfer> bool asText(QString* failure, Transfer transfer)
{
    TransferFailure detail;
    const bool ok = transfer(&detail);
    if (!ok && failure)
        *failure = detail.text();
    return ok;
}

} // namespace

QString TransferFailure::commandName() const
{
    switch (command) {
    case CMD_START:
        return QStringLiteral("START");
    case CMD_READ:
        return QStringLiteral("READ");
    case CMD_WRITE:
        return QStringLiteral("WRITE");
    case CMD_COMMIT:
        return QStringLiteral("COMMIT");
    case CMD_IDENTIFY:
        return QStringLiteral("IDENTIFY");
    default:
        return QStringLiteral("0x") + QString::number(command, 16).toUpper();
    }
}

QString TransferFailure::exchange() const
{
    return offset >= 0 ? QStringLiteral("%1 at offset %2").arg(commandName()).arg(offset)
                       : commandName();
}

bool ReadConfigBlock(Link& link, ConfigBlock& block, TransferFailure* failure,
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
        if (!exchange(link, 0, CMD_READ, offset, failure))
            return false;
        // A reply of another length would leave stale bytes in the chunk.
        if (link.replyLength() != kReadChunk) {
            if (failure)
                *failure = {CMD_READ, offset,
                            QStringLiteral("reply carries %1 bytes instead of %2")
                                .arg(link.replyLength())
                                .arg(kReadChunk)};
            return false;
        }
        for (int j = 0; j < kReadChunk; ++j)
            block.setByte(offset + j, link.replyData(j));
        if (progress)
            progress(2 + i, kReadExchanges);
    }
    return true;
}

bool IdentifyController(Link& link, ConfigBlock& block, TransferFailure* failure)
{
    link.setRequest(CMD_IDENTIFY, 0);
    if (!exchange(link, kWaitAfterIdentifyMs, CMD_IDENTIFY, -1, failure))
        return false;
    if (link.replyLength() < 3) {
        if (failure)
            *failure = {
                CMD_IDENTIFY, -1,
                QStringLiteral("reply carries %1 bytes instead of 3").arg(link.replyLength())};
        return false;
    }
    block.setSoftwareVersion(link.replyData(0), link.replyData(1));
    return true;
}

bool WriteConfigBlock(Link& link, const ConfigBlock& block, TransferFailure* failure,
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
        if (!exchange(link, 0, CMD_WRITE, offset, failure))
            return false;
        if (progress)
            progress(++done, kWriteExchanges);
    }
    link.setRequest(CMD_COMMIT, 0);
    if (!exchange(link, kWaitAfterCommitMs, CMD_COMMIT, -1, failure))
        return false;
    if (progress)
        progress(++done, kWriteExchanges);
    return true;
}

bool ReadConfigBlock(Link& link, ConfigBlock& block, QString* failure,
                     const TransferProgress& progress)
{
    return asText(failure,
                  [&](TransferFailure* f) { return ReadConfigBlock(link, block, f, progress); });
}

bool IdentifyController(Link& link, ConfigBlock& block, QString* failure)
{
    return asText(failure, [&](TransferFailure* f) { return IdentifyController(link, block, f); });
}

bool WriteConfigBlock(Link& link, const ConfigBlock& block, QString* failure,
                      const TransferProgress& progress)
{
    return asText(failure,
                  [&](TransferFailure* f) { return WriteConfigBlock(link, block, f, progress); });
}
