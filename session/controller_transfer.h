// Reading a controller and the verified write: the exchanges every front end runs, with their
// outcomes as values. They run on whichever thread owns the link; observers report the steps.
#pragma once

#include "config_block.h"
#include "config_fields.h"
#include "transfers.h"

#include <functional>

class Link;

// The steps a front end may show while a transfer runs.
enum class TransferStep
{
    Reading,
    Identifying,
    Writing,
    Verifying,
};

struct TransferObserver
{
    std::function<void(TransferStep)> step;
    // Exchanges done of all of this transfer (read and identify, or write and read-back).
    std::function<void(int done, int total)> progress;
};

struct ReadOutcome
{
    bool ok = false;
    // Every byte that arrived; on failure the rest stay as they were in the block passed in.
    ConfigBlock block;
    TransferFailure failure; // which exchange failed
};

// Reads the whole block and identifies the controller (software version into bytes 83, 84).
ReadOutcome readController(Link& link, const ConfigBlock& start = ConfigBlock(),
                           const TransferObserver& observer = {});

struct VerifiedWriteOptions
{
    // Read the block back after the commit and compare it with what was written.
    bool verify = true;
    // After a COMMIT that got no reply, read back to tell which block the controller holds.
    bool readBackAfterLostCommit = true;
};

struct WriteOutcome
{
    enum class Kind
    {
        Verified,   // committed, read back and equal
        Committed,  // committed; not read back, as asked
        LinkFailed, // an exchange failed: see failure and held
        NotStored,  // committed, but the block read back differs: see field, offset
    };
    // What the controller holds after a link failure.
    enum class Held
    {
        OldBlock, // the failure came before the commit: nothing was stored
        // The commit was answered but the read-back failed (not verified); or, after a COMMIT
        // without reply, the read-back shows the new block stored.
        NewBlock,
        Unknown, // the commit was sent and nothing tells whether it took
    };

    Kind kind = Kind::LinkFailed;
    Held held = Held::OldBlock;
    TransferFailure failure;     // LinkFailed: the exchange that failed first
    TransferFailure readFailure; // LinkFailed after a lost COMMIT: why the read-back failed
    bool readBack = false;       // *readBlock holds what the controller returned
    ConfigBlock readBlock;       // version bytes as written
    Field field = Field::Count_; // NotStored: the first field that differs
    int offset = -1;             // NotStored: its byte

    bool succeeded() const { return kind == Kind::Verified || kind == Kind::Committed; }
};

// Writes `next` (START, ten WRITEs, COMMIT), then reads it back and compares. `previous` is the
// block the controller held before, to tell after a lost COMMIT which one it holds now.
WriteOutcome writeVerified(Link& link, const ConfigBlock& next, const ConfigBlock& previous,
                           const VerifiedWriteOptions& options = {},
                           const TransferObserver& observer = {});
