// Reading a controller and the verified write, with their outcomes as values.
#include "controller_transfer.h"

#include "config_document.h"
#include "link.h"

namespace {

void report(const TransferObserver& observer, TransferStep step)
{
    if (observer.step)
        observer.step(step);
}

void report(const TransferObserver& observer, int done, int total)
{
    if (observer.progress)
        observer.progress(done, total);
}

// What the controller holds, version bytes as the block written carries them: the controller
// reports its version through identification, not through the stored bytes.
ConfigBlock withVersionOf(const ConfigBlock& back, const ConfigBlock& written)
{
    const FieldDef& version = fieldDef(Field::SoftwareVersion);
    ConfigBlock held = back;
    for (int i = 0; i < version.width; ++i)
        held.setByte(version.offset + i, written.byte(version.offset + i));
    return held;
}

} // namespace

ReadOutcome readController(Link& link, const ConfigBlock& start, const TransferObserver& observer)
{
    ReadOutcome outcome;
    outcome.block = start;
    const int total = kReadExchanges + 1;
    report(observer, TransferStep::Reading);
    if (!ReadConfigBlock(link, outcome.block, &outcome.failure,
                         [&observer, total](int done, int) { report(observer, done, total); }))
        return outcome;
    report(observer, TransferStep::Identifying);
    outcome.ok = IdentifyController(link, outcome.block, &outcome.failure);
    report(observer, total, total);
    return outcome;
}

WriteOutcome writeVerified(Link& link, const ConfigBlock& next, const ConfigBlock& previous,
                           const VerifiedWriteOptions& options, const TransferObserver& observer)
{
    WriteOutcome outcome;
    const int total = kWriteExchanges + (options.verify ? kReadExchanges : 0);
    report(observer, TransferStep::Writing);
    const bool committed =
        WriteConfigBlock(link, next, &outcome.failure,
                         [&observer, total](int done, int) { report(observer, done, total); });
    const bool commitLost = !committed && outcome.failure.command == CMD_COMMIT;
    if (!committed && !(commitLost && options.readBackAfterLostCommit)) {
        outcome.held = commitLost ? WriteOutcome::Held::Unknown : WriteOutcome::Held::OldBlock;
        return outcome;
    }
    if (committed && !options.verify) {
        outcome.kind = WriteOutcome::Kind::Committed;
        return outcome;
    }

    report(observer, TransferStep::Verifying);
    ConfigBlock back;
    TransferFailure readFailure;
    const bool read = ReadConfigBlock(link, back, &readFailure, [&observer, total](int done, int) {
        report(observer, kWriteExchanges + done, total);
    });
    if (read) {
        outcome.readBack = true;
        outcome.readBlock = withVersionOf(back, next);
    }
    if (!committed) {
        // The COMMIT went out but its reply did not come back: the read-back tells which block
        // the controller holds, where it can.
        outcome.readFailure = readFailure;
        outcome.held = WriteOutcome::Held::Unknown;
        if (read && readBackDifference(next, back) < 0)
            outcome.held = WriteOutcome::Held::NewBlock;
        else if (read && readBackDifference(previous, back) < 0)
            outcome.held = WriteOutcome::Held::OldBlock;
        return outcome;
    }
    if (!read) {
        // The commit was answered, so the controller holds the new block; it is not verified.
        outcome.failure = readFailure;
        outcome.held = WriteOutcome::Held::NewBlock;
        return outcome;
    }
    outcome.offset = readBackDifference(next, back, &outcome.field);
    outcome.kind =
        outcome.offset < 0 ? WriteOutcome::Kind::Verified : WriteOutcome::Kind::NotStored;
    return outcome;
}
