// Block transfers between the controller and the in-memory configuration block.
#pragma once

#include "config_block.h"
#include "link.h"

#include <functional>

// Called after each exchange with the number done and the number in all.
using TransferProgress = std::function<void(int done, int total)>;

constexpr int kReadChunk = 16;
constexpr int kReadExchanges = 1 + kConfigBlockSize / kReadChunk; // start + 8 reads
constexpr int kWriteChunk = 13;
constexpr int kWriteChunks = 10;
constexpr int kWriteExchanges = 1 + kWriteChunks + 1; // start + 10 writes + commit

// Which exchange of a transfer failed, and why, for callers that act on it rather than print it.
struct TransferFailure
{
    std::uint8_t command = 0; // CMD_START, CMD_READ, CMD_WRITE, CMD_COMMIT or CMD_IDENTIFY
    int offset = -1;          // READ and WRITE: the block offset of the chunk
    QString reason;           // the link's words: "no reply", "bad checksum"...

    // "WRITE", "COMMIT": the command's name on the wire.
    QString commandName() const;
    // "WRITE at offset 26", "COMMIT".
    QString exchange() const;
    // "WRITE at offset 26: no reply".
    QString text() const { return exchange() + QStringLiteral(": ") + reason; }
};

// Reads all 128 bytes. Stops at the first failed exchange; the chunks read so far stay in the
// block. *failure names the exchange that failed.
bool ReadConfigBlock(Link& link, ConfigBlock& block, QString* failure = nullptr,
                     const TransferProgress& progress = {});
// Stores the controller's software version into the version bytes of the block.
bool IdentifyController(Link& link, ConfigBlock& block, QString* failure = nullptr);
// Sends all 128 bytes in ten chunks and commits them. True only once the commit was answered.
bool WriteConfigBlock(Link& link, const ConfigBlock& block, QString* failure = nullptr,
                      const TransferProgress& progress = {});

// The same, with the failed exchange as a value.
bool ReadConfigBlock(Link& link, ConfigBlock& block, TransferFailure* failure,
                     const TransferProgress& progress = {});
bool IdentifyController(Link& link, ConfigBlock& block, TransferFailure* failure);
bool WriteConfigBlock(Link& link, const ConfigBlock& block, TransferFailure* failure,
                      const TransferProgress& progress = {});
