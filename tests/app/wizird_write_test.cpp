// The wizard frame's Finish: the write, its read-back, the history image and closing.
#include "wizird_fixture.h"

#include <gtest/gtest.h>

namespace {

TEST_F(WizirdTest, FinishStoresTheShownPageThenWritesAndAsksToClose)
{
    auto h = harness("basic");
    ASSERT_TRUE(h->open());
    pages[0]->edit = 0x42;
    h->prompter.script(106, {Answer::No});
    h->frame->OnFinish();
    EXPECT_EQ(h->sim->storedImage().byte(ProbePage::kScratch), 0x42);
    EXPECT_EQ(h->sim->commitCount(), 1);
    EXPECT_EQ(h->frame->currentPage(), 4);
    EXPECT_NE(h->frame->result(), QDialog::Accepted);

    // A failed write, then Retry: one completion question.
    h->sim->addFault({SimFault::NoReply, CMD_WRITE, 15});
    h->prompter.script(105, {Answer::Retry});
    h->frame->OnFinish();
    EXPECT_EQ(h->prompter.count(105), 1);
    EXPECT_EQ(h->prompter.count(106), 2);
    EXPECT_EQ(h->sim->commitCount(), 2);
    EXPECT_EQ(h->frame->result(), QDialog::Accepted);

    // Cancel after a failure leaves the frame open and nothing committed.
    auto c = harness("basic");
    ASSERT_TRUE(c->open());
    c->sim->addFault({SimFault::NoReply, CMD_WRITE, 3});
    c->prompter.script(105, {Answer::Cancel});
    c->frame->OnFinish();
    EXPECT_EQ(c->prompter.count(106), 0);
    EXPECT_EQ(c->sim->commitCount(), 0);
    EXPECT_EQ(c->frame->currentPage(), 4);
}

// The command bytes of the frames the controller received since its log was last cleared.
std::vector<std::uint8_t> commands(const SimServer& sim)
{
    std::vector<std::uint8_t> out;
    for (const auto& frame : sim.receivedFrames())
        out.push_back(frame.at(0));
    return out;
}

// A whole Finish as the controller sees it: the write, then the read-back of the block.
std::vector<std::uint8_t> verifiedWrite()
{
    std::vector<std::uint8_t> out{CMD_START};
    out.insert(out.end(), kWriteChunks, CMD_WRITE);
    out.push_back(CMD_COMMIT);
    out.push_back(CMD_START);
    out.insert(out.end(), kConfigBlockSize / kReadChunk, CMD_READ);
    return out;
}

TEST_F(WizirdTest, FinishReadsTheWrittenBlockBackBeforeItAsksToClose)
{
    auto h = harness("basic");
    ASSERT_TRUE(h->open());
    pages[0]->edit = 0x42;
    h->prompter.script(106, {Answer::No});
    h->sim->clearLog();
    h->frame->OnFinish();
    EXPECT_EQ(commands(*h->sim), verifiedWrite());
    // The reads after the commit cover the block in order.
    const auto frames = h->sim->receivedFrames();
    ASSERT_EQ(frames.size(), verifiedWrite().size());
    for (int i = 0; i < kConfigBlockSize / kReadChunk; ++i) {
        const auto& read = frames[static_cast<std::size_t>(kWriteExchanges + 1 + i)];
        ASSERT_GE(read.size(), 4u);
        EXPECT_EQ(read[2], i * kReadChunk) << i;
        EXPECT_EQ(read[3], kReadChunk) << i;
    }
    EXPECT_EQ(h->sim->storedImage(), h->block) << blockDiff(h->sim->storedImage(), h->block);
    EXPECT_EQ(h->sim->commitCount(), 1);
    EXPECT_TRUE(h->prompter.told.isEmpty());
    EXPECT_EQ(h->prompter.asked, (QList<int>{110, 106}));
}

TEST_F(WizirdTest, AWriteThatDoesNotStickNamesTheFieldAndRetryWritesItAgain)
{
    auto h = harness("basic");
    ASSERT_TRUE(h->open());
    // The frame clears the regeneration bit of a controller without that page: the first byte
    // the lost commit leaves as it was.
    ASSERT_TRUE(h->sim->storedImage().flag(Field::Regeneration));
    ASSERT_FALSE(h->block.flag(Field::Regeneration));
    const ConfigBlock before = h->sim->storedImage();
    pages[0]->edit = 0x42;
    h->sim->addFault({SimFault::LostCommit, CMD_COMMIT, 1});
    h->prompter.scriptTell({Answer::Retry});
    h->prompter.script(106, {Answer::No});
    int completedBeforeRetry = -1;
    h->prompter.onTell = [&](const QString&) {
        completedBeforeRetry = h->prompter.count(106);
        EXPECT_EQ(h->sim->storedImage(), before);
        h->sim->clearLog();
    };
    h->frame->OnFinish();

    ASSERT_EQ(h->prompter.told.size(), 1);
    EXPECT_EQ(h->prompter.told[0], "The configuration did not stick: Regeneration (byte 1) reads "
                                   "back as true, written false.\nWrite it again?");
    EXPECT_EQ(h->prompter.toldIcons[0], Prompter::Icon::Warning);
    EXPECT_EQ(completedBeforeRetry, 0);
    EXPECT_EQ(h->prompter.count(105), 0);
    // Retry: the whole write and its read-back once more, then the completion question.
    EXPECT_EQ(commands(*h->sim), verifiedWrite());
    EXPECT_EQ(h->sim->frameCount(CMD_COMMIT), 2);
    EXPECT_EQ(h->sim->commitCount(), 1);
    EXPECT_EQ(h->sim->storedImage(), h->block) << blockDiff(h->sim->storedImage(), h->block);
    EXPECT_EQ(h->prompter.count(106), 1);
    // The retry is part of the same Finish: one history image besides the first one.
    EXPECT_EQ(BackupHistory(h->backupDir.path()).list().size(), 2);
}

TEST_F(WizirdTest, CancelAfterAWriteThatDidNotStickWritesNothingMore)
{
    auto h = harness("basic");
    ASSERT_TRUE(h->open());
    const ConfigBlock before = h->sim->storedImage();
    pages[0]->edit = 0x42;
    h->sim->addFault({SimFault::LostCommit, CMD_COMMIT, 1});
    h->prompter.scriptTell({Answer::Cancel});
    h->prompter.onTell = [&](const QString&) { h->sim->clearLog(); };
    h->frame->OnFinish();
    EXPECT_EQ(h->prompter.told.size(), 1);
    EXPECT_TRUE(h->sim->receivedFrames().empty());
    EXPECT_EQ(h->sim->storedImage(), before);
    EXPECT_EQ(h->prompter.count(106), 0);
    EXPECT_EQ(h->frame->currentPage(), 4);
    EXPECT_NE(h->frame->result(), QDialog::Accepted);

    // The frame stays usable; the next Finish keeps in the history what the controller really
    // held (its regeneration bit still set), not what the failed write sent.
    h->prompter.onTell = nullptr;
    h->prompter.script(106, {Answer::No});
    h->frame->OnFinish();
    EXPECT_EQ(h->prompter.told.size(), 1);
    EXPECT_EQ(h->prompter.count(106), 1);
    EXPECT_EQ(h->sim->storedImage(), h->block);
    const QList<BackupEntry> entries = BackupHistory(h->backupDir.path()).list();
    ASSERT_EQ(entries.size(), 3);
    QFile second(entries[2].path);
    ASSERT_TRUE(second.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ConfigBlock::fromByteArray(second.readAll()).flag(Field::Regeneration));
}

TEST_F(WizirdTest, AReadBackWithoutAnswerIsAFailedWrite)
{
    { // Retry writes and verifies again.
        auto h = harness("basic");
        ASSERT_TRUE(h->open());
        h->sim->addFault({SimFault::NoReply, CMD_READ, h->sim->frameCount(CMD_READ) + 3});
        h->prompter.script(105, {Answer::Retry});
        h->prompter.script(106, {Answer::No});
        int completedBeforeRetry = -1;
        h->prompter.onAsk = [&](int id) {
            if (id == 105)
                completedBeforeRetry = h->prompter.count(106);
        };
        h->frame->OnFinish();
        EXPECT_EQ(h->prompter.count(105), 1);
        EXPECT_EQ(completedBeforeRetry, 0);
        EXPECT_TRUE(h->prompter.told.isEmpty());
        EXPECT_EQ(h->sim->commitCount(), 2);
        EXPECT_EQ(h->prompter.count(106), 1);
        EXPECT_EQ(h->sim->storedImage(), h->block);
    }
    { // Cancel leaves the frame open and asks nothing more.
        auto h = harness("basic");
        ASSERT_TRUE(h->open());
        h->sim->addFault({SimFault::NoReply, CMD_READ, h->sim->frameCount(CMD_READ) + 8});
        h->prompter.script(105, {Answer::Cancel});
        h->frame->OnFinish();
        EXPECT_EQ(h->prompter.asked, (QList<int>{110, 105}));
        EXPECT_TRUE(h->prompter.told.isEmpty());
        EXPECT_EQ(h->sim->commitCount(), 1);
        EXPECT_EQ(h->frame->currentPage(), 4);
        EXPECT_NE(h->frame->result(), QDialog::Accepted);
    }
}

TEST_F(WizirdTest, EveryFinishFirstKeepsTheControllersImageInTheHistory)
{
    auto h = harness("basic");
    ASSERT_TRUE(h->open());
    // What the controller holds, as the read saw it (the frame has since changed its copy).
    ConfigBlock asRead = h->sim->storedImage();
    asRead.setByte(83, h->sim->versionMajor());
    asRead.setByte(84, h->sim->versionMinor());
    ASSERT_NE(asRead, h->block);
    pages[0]->edit = 0x42;
    h->prompter.script(106, {Answer::No, Answer::No});
    h->frame->OnFinish();
    const ConfigBlock firstWrite = h->sim->storedImage();
    pages[0]->edit = 0x43;
    // A failed write and its retry are one Finish: one history image.
    h->sim->addFault({SimFault::NoReply, CMD_WRITE, 15});
    h->prompter.script(105, {Answer::Retry});
    h->frame->OnFinish();
    ASSERT_EQ(h->sim->commitCount(), 2);

    const QList<BackupEntry> entries = BackupHistory(h->backupDir.path()).list();
    ASSERT_EQ(entries.size(), 3); // the first-connection image and two history images
    EXPECT_TRUE(entries[0].first);
    QFile before1(entries[1].path), before2(entries[2].path);
    ASSERT_TRUE(before1.open(QIODevice::ReadOnly));
    ASSERT_TRUE(before2.open(QIODevice::ReadOnly));
    EXPECT_EQ(before1.readAll(), asRead.toByteArray());
    // The controller held the first write when the second began (version bytes as identified).
    EXPECT_EQ(ConfigBlock::fromByteArray(before2.readAll()).byte(ProbePage::kScratch), 0x42);
    EXPECT_EQ(firstWrite.byte(ProbePage::kScratch), 0x42);
}

TEST_F(WizirdTest, ClosingDuringAWriteIsIgnoredUntilTheWriteHasEnded)
{
    auto h = harness("basic");
    ASSERT_TRUE(h->open());
    h->frame->show();
    int finished = 0;
    QObject::connect(h->frame.get(), &QDialog::finished, [&](int) { ++finished; });
    h->prompter.script(106, {Answer::No});
    // The write takes at least the commit's 200 ms; the close request comes in the middle.
    QTimer::singleShot(50, h->frame.get(), [&] { h->frame->close(); });
    h->frame->OnFinish();
    EXPECT_EQ(finished, 0);
    EXPECT_EQ(h->sim->commitCount(), 1);
    EXPECT_EQ(h->prompter.count(106), 1);
    h->frame->close(); // afterwards the close box works again
    EXPECT_EQ(finished, 1);
}

TEST_F(WizirdTest, LegacyControlModeIsConvertedInMemoryOnly)
{
    auto h = harness("legacy");
    ASSERT_TRUE(h->open());
    EXPECT_EQ(h->prompter.asked, (QList<int>{110, 108}));
    EXPECT_EQ(h->block.get(Field::ControlMode), 3u);
    EXPECT_EQ(h->block.get(Field::ControlModeCopy), 3u);
    EXPECT_EQ(h->block.get(Field::SpeedMode), 0u);
    EXPECT_EQ(h->sim->storedImage().get(Field::ControlMode), 2u);
    EXPECT_EQ(h->sim->commitCount(), 0);
}

} // namespace
