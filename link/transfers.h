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

// Reads all 128 bytes. Stops at the first failed exchange; the chunks read so far stay in the
// block. *failure names the exchange that failed.
bool ReadConfigBlock(Link& link, ConfigBlock& block, QString* failure = nullptr,
                     const TransferProgress& progress = {});
// Stores the controller's software version into the version bytes of the block.
bool IdentifyController(Link& link, ConfigBlock& block, QString* failure = nullptr);
// Sends all 128 bytes in ten chunks and commits them. True only once the commit was answered.
bool WriteConfigBlock(Link& link, const ConfigBlock& block, QString* failure = nullptr,
                      const TransferProgress& progress = {});

