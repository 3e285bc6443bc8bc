// The workflow below every front end, on the simulated controller: which controllers are served,
// every way a verified write can end, and the backup policy.
#include "backup_history.h"
#include "backup_policy.h"
#include "catalogue_block.h"
#include "controller_transfer.h"
#include "frame.h"
#include "link.h"
#include "open_decision.h"
#include "presets.h"
#include "sim_server.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(OpenDecisionTest, EachPresetGetsItsVerdict)
{
    struct Case
    {
        const char* preset;
        OpenDecision::Verdict verdict;
        int message;
        bool legacy;
    };
    const Case cases[] = {
        {"full", OpenDecision::Verdict::Served, 0, false},
        {"basic", OpenDecision::Verdict::Served, 0, false},
        {"pdr", OpenDecision::Verdict::Served, 0, false},
        {"legacy", OpenDecision::Verdict::Served, 0, true},
        {"unsupported", OpenDecision::Verdict::UnsupportedSeries, 107, false},
        {"special", OpenDecision::Verdict::SpecialVersion, 111, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.preset);
        const OpenDecision d = decideOpen(catalogueBlock(c.preset));
        EXPECT_EQ(d.verdict, c.verdict);
        EXPECT_EQ(d.refusalMessage(), c.message);
        EXPECT_EQ(d.legacyControlMode, c.legacy);
    }
}

TEST(OpenDecisionTest, LegacyControlModeBecomesTorqueModeOnlyWhenBothCopiesHoldIt)
{
    ConfigBlock block = catalogueBlock("legacy");
    block.set(Field::SpeedMode, 2);
    ConfigBlock oneCopy = block;
    oneCopy.set(Field::ControlModeCopy, 3);
    EXPECT_FALSE(convertLegacyControlMode(oneCopy));
    ASSERT_TRUE(convertLegacyControlMode(block));
    EXPECT_EQ(block.get(Field::ControlMode), 3u);
    EXPECT_EQ(block.get(Field::ControlModeCopy), 3u);
    EXPECT_EQ(block.get(Field::SpeedMode), 0u);
    EXPECT_FALSE(convertLegacyControlMode(block));
}

class VerifiedWriteTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sim = std::make_unique<SimServer>(SimOptions{});
        QString error;
        ASSERT_TRUE(sim->start(&error)) << error.toStdString();
        ASSERT_TRUE(link.ConnectController({sim->devicePath()}).connected);
        const ReadOutcome read = readController(link);
        ASSERT_TRUE(read.ok) << read.failure.text().toStdString();
        before = read.block;
        next = before;
        next.set(Field::MaxMotorCurrent, before.get(Field::MaxMotorCurrent) == 60 ? 70 : 60);
    }

    std::unique_ptr<SimServer> sim;
    Link link;
    ConfigBlock before;
    ConfigBlock next;
};

TEST_F(VerifiedWriteTest, ReadReportsTheExchangeThatFailed)
{
    sim->addFault({SimFault::NoReply, CMD_READ, 8 + 3}); // the third chunk of the second read
    const ReadOutcome read = readController(link);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.failure.command, CMD_READ);
    EXPECT_EQ(read.failure.offset, 32);
    sim->addFault({SimFault::NoReply, CMD_IDENTIFY, 3});
    EXPECT_EQ(readController(link).failure.command, CMD_IDENTIFY);
}

// Each way a write can end: what the outcome says and what the controller then holds.
TEST_F(VerifiedWriteTest, EveryOutcomeSaysWhatTheControllerHolds)
{
    using Kind = WriteOutcome::Kind;
    using Held = WriteOutcome::Held;
    struct Case
    {
        const char* name;
        std::vector<SimFault> faults; // frame counts start after the set-up's read
        Kind kind;
        Held held;
        std::uint8_t failedCommand;
        int failedOffset;
        bool stored; // the controller holds `next` afterwards
    };
    const Case cases[] = {
        {"verified", {}, Kind::Verified, Held::OldBlock, 0, -1, true},
        {"no reply to a WRITE",
         {{SimFault::NoReply, CMD_WRITE, 3}},
         Kind::LinkFailed,
         Held::OldBlock,
         CMD_WRITE,
         26,
         false},
        {"no reply to the START",
         {{SimFault::NoReply, CMD_START, 2}},
         Kind::LinkFailed,
         Held::OldBlock,
         CMD_START,
         -1,
         false},
        {"commit lost inside the controller",
         {{SimFault::LostCommit, CMD_COMMIT, 1}},
         Kind::NotStored,
         Held::OldBlock,
         0,
         -1,
         false},
        {"commit stored, its reply lost",
         {{SimFault::NoReply, CMD_COMMIT, 1}},
         Kind::LinkFailed,
         Held::NewBlock,
         CMD_COMMIT,
         -1,
         true},
        {"commit neither stored nor answered",
         {{SimFault::LostCommit, CMD_COMMIT, 1}, {SimFault::NoReply, CMD_COMMIT, 1}},
         Kind::LinkFailed,
         Held::OldBlock,
         CMD_COMMIT,
         -1,
         false},
        {"commit unanswered, read-back too",
         {{SimFault::NoReply, CMD_COMMIT, 1}, {SimFault::NoReply, CMD_READ, 8 + 1}},
         Kind::LinkFailed,
         Held::Unknown,
         CMD_COMMIT,
         -1,
         true},
        {"read-back unanswered after the commit",
         {{SimFault::NoReply, CMD_READ, 8 + 4}},
         Kind::LinkFailed,
         Held::NewBlock,
         CMD_READ,
         48,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp(); // a fresh controller with fresh frame counts
        for (const SimFault& f : c.faults)
            sim->addFault(f);
        const WriteOutcome outcome = writeVerified(link, next, before);
        EXPECT_EQ(outcome.kind, c.kind);
        if (c.kind == Kind::LinkFailed) {
            EXPECT_EQ(outcome.held, c.held);
            EXPECT_EQ(outcome.failure.command, c.failedCommand);
            EXPECT_EQ(outcome.failure.offset, c.failedOffset);
        }
        if (c.kind == Kind::NotStored) {
            EXPECT_EQ(outcome.field, Field::MaxMotorCurrent);
            EXPECT_EQ(outcome.offset, fieldDef(Field::MaxMotorCurrent).offset);
            EXPECT_EQ(outcome.readBlock.get(Field::MaxMotorCurrent),
                      before.get(Field::MaxMotorCurrent));
        }
        EXPECT_EQ(sim->storedImage().get(Field::MaxMotorCurrent),
                  (c.stored ? next : before).get(Field::MaxMotorCurrent));
    }
}

TEST_F(VerifiedWriteTest, WithoutVerificationNothingIsReadBackUnlessTheCommitGoesUnanswered)
{
    VerifiedWriteOptions options;
    options.verify = false;
    EXPECT_EQ(writeVerified(link, next, before, options).kind, WriteOutcome::Kind::Committed);
    EXPECT_EQ(sim->frameCount(CMD_READ), 8);

    options.readBackAfterLostCommit = false; // the wizard's Retry writes the whole block again
    sim->addFault({SimFault::NoReply, CMD_COMMIT, 2});
    const WriteOutcome lost = writeVerified(link, before, next, options);
    EXPECT_EQ(lost.held, WriteOutcome::Held::Unknown);
    EXPECT_EQ(sim->frameCount(CMD_READ), 8);
}

TEST(BackupPolicyTest, KeepsBothImagesOrSaysWhichFolderFailedAndWhy)
{
    QTemporaryDir dir;
    const ConfigBlock image = catalogueBlock("full");
    const QString folder = QDir(dir.path()).filePath("new/backups");
    const BackupOutcome kept = keepBackups(folder, image);
    ASSERT_TRUE(kept.kept) << kept.reason.toStdString();
    EXPECT_TRUE(kept.historyPath.startsWith(folder));
    EXPECT_EQ(BackupHistory(folder).list().size(), 2); // first-connection image and history

    QFile plain(QDir(dir.path()).filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    for (const QString& bad : {plain.fileName(), plain.fileName() + "/below", QString()}) {
        const BackupOutcome refused = keepBackups(bad, image);
        EXPECT_FALSE(refused.kept) << bad.toStdString();
        EXPECT_EQ(refused.folder, bad);
        EXPECT_FALSE(refused.reason.isEmpty());
    }
}

} // namespace
