// The wizard frame end to end on the simulated controller: opening flow, navigation, Finish,
// Default.
#include "backup_file.h"
#include "backup_history.h"
#include "frame_harness.h"
#include "page.h"
#include "page_harness.h"
#include "system_serial_port.h"
#include "transfers.h"

#include <QFile>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using Answer = Prompter::Answer;

// A page that records what the frame asks of it, edits one byte of its own on store and can be
// told to refuse.
class ProbePage : public Page
{
public:
    ProbePage(PageKind kind, ConfigBlock& block, Prompter* prompter, QStringList* log)
        : Page(block, prompter), kind(kind), m_log(log)
    {
    }
    void load() override
    {
        m_log->append(QStringLiteral("load %1").arg(static_cast<int>(kind)));
        loaded = block().byte(kScratch);
    }
    bool store() override
    {
        m_log->append(QStringLiteral("store %1").arg(static_cast<int>(kind)));
        if (refuse)
            return false;
        if (edit >= 0)
            block().setByte(kScratch, static_cast<std::uint8_t>(edit));
        return true;
    }
    static constexpr int kScratch = 6; // a reserved byte, free for this test page
    PageKind kind;
    bool refuse = false;
    int edit = -1;
    int loaded = -1;

private:
    QStringList* m_log;
};

class WizirdTest : public ::testing::Test
{
protected:
    // A frame on `preset`, with probe pages instead of the program's page classes.
    std::unique_ptr<FrameHarness> harness(const QString& preset = "full",
                                          const std::function<void(ConfigBlock&)>& edit = {})
    {
        auto h = std::make_unique<FrameHarness>(preset, edit);
        useProbePages(*h);
        return h;
    }
    void useProbePages(FrameHarness& h)
    {
        WizirdOptions o;
        o.ports = QStringList{h.sim->devicePath()};
        o.backupDir = h.backupDir.path();
        o.openUrl = [&h](const QUrl& url) { h.openedUrls.append(url); };
        o.pageFactory = [this](PageKind kind, ConfigBlock& block,
                               Prompter* prompter) -> std::unique_ptr<Page> {
            auto p = std::make_unique<ProbePage>(kind, block, prompter, &log);
            pages.append(p.get());
            return p;
        };
        h.frame.reset();
        pages.clear();
        h.frame = std::make_unique<Wizird>(testModule(), h.block, h.link, h.prompter, o);
    }
    QList<PageKind> kinds() const
    {
        QList<PageKind> out;
        for (ProbePage* p : pages)
            out.append(p->kind);
        return out;
    }
    static bool enabled(FrameHarness& h, int id) { return h.frame->button(id)->isEnabled(); }

    QStringList log;
    QList<ProbePage*> pages;
};

TEST_F(WizirdTest, PageSetFollowsVersionRegenerationAndVariant)
{
    // 0203 without regeneration or J1939: four pages, and the regeneration bit is cleared.
    auto basic = harness("basic", [](ConfigBlock& b) { b.setFlag(Field::Regeneration, true); });
    ASSERT_TRUE(basic->open());
    EXPECT_EQ(kinds(), (QList<PageKind>{PageKind::CStep2, PageKind::CStep3, PageKind::CStep4,
                                        PageKind::CStep6}));
    EXPECT_FALSE(basic->block.flag(Field::Regeneration));
    EXPECT_EQ(basic->frame->pageCount(), 4);

    // 0204 with regeneration and J1939: seven pages, J1939 as page 6.
    auto full = harness("full", [](ConfigBlock& b) {
        b.setByte(fieldDef(Field::SoftwareVersion).offset, 2);
        b.setByte(fieldDef(Field::SoftwareVersion).offset + 1, 4);
        b.setByte(fieldDef(Field::ModelNumber).offset + 4, '1');
        b.setByte(fieldDef(Field::ModelVariant).offset, 'J');
        b.setFlag(Field::Regeneration, true);
    });
    ASSERT_TRUE(full->open());
    EXPECT_EQ(full->frame->pageCount(), 7);
    EXPECT_EQ(pages[5]->kind, PageKind::CStep7);
    EXPECT_EQ(pages[6]->kind, PageKind::CStep6);
    EXPECT_TRUE(full->block.flag(Field::Regeneration));
    EXPECT_EQ(full->block.get(Field::SoftwareVersion), 0x0204u);
}

TEST_F(WizirdTest, OpeningAsksReadsIdentifiesSavesTheBackupAndShowsPageOne)
{
    auto h = harness();
    ASSERT_TRUE(h->open());
    EXPECT_EQ(h->prompter.asked, (QList<int>{110}));
    ConfigBlock expected = h->sim->storedImage();
    expected.setByte(83, h->sim->versionMajor());
    expected.setByte(84, h->sim->versionMinor());
    EXPECT_EQ(h->block, expected);
    QFile backup(h->frame->backupPath());
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
    EXPECT_EQ(backup.readAll(), expected.toByteArray());
    EXPECT_EQ(QFileInfo(h->frame->backupPath()).fileName(), ControllerKey(expected) + "N.n");
    EXPECT_EQ(h->frame->currentPage(), 1);
    EXPECT_TRUE(h->frame->isPageShown(1));
    EXPECT_TRUE(h->frame->windowTitle().startsWith("Step 1 - "));
    EXPECT_EQ(log.first(), "load 0");
}

TEST_F(WizirdTest, RefusalsAndFailuresOfTheOpeningEndTheFrame)
{
    { // No to the motor question: no port is opened.
        auto h = harness();
        h->prompter.script(110, {Answer::No});
        EXPECT_FALSE(h->open());
        EXPECT_TRUE(h->frame->endedEarly());
        EXPECT_EQ(h->frame->result(), QDialog::Accepted);
        EXPECT_TRUE(h->sim->receivedFrames().empty());
    }
    { // Unsupported series: message 107, but the backup file and the pages exist.
        auto h = harness("unsupported");
        EXPECT_FALSE(h->open());
        EXPECT_EQ(h->prompter.asked, (QList<int>{110, 107}));
        EXPECT_TRUE(QFile::exists(h->frame->backupPath()));
        EXPECT_GT(h->frame->pageCount(), 0);
        EXPECT_TRUE(log.isEmpty()) << "no page is shown";
    }
    { // Special version.
        auto h = harness("special");
        EXPECT_FALSE(h->open());
        EXPECT_EQ(h->prompter.asked, (QList<int>{110, 111}));
    }
    { // A read that fails: message 104.
        auto h = harness();
        h->sim->addFault({SimFault::NoReply, CMD_READ, 4});
        EXPECT_FALSE(h->open());
        EXPECT_EQ(h->prompter.asked, (QList<int>{110, 104}));
    }
    { // An identification that fails after the read: message 104 too.
        auto h = harness();
        h->sim->addFault({SimFault::BadChecksum, CMD_IDENTIFY, 2});
        EXPECT_FALSE(h->open());
        EXPECT_EQ(h->prompter.asked, (QList<int>{110, 104}));
    }
}

TEST_F(WizirdTest, NoControllerOffersRetryWhichSearchesAgain)
{
    auto h = harness();
    h->sim->addFault({SimFault::NoReply, CMD_IDENTIFY, 1});
    h->prompter.script(103, {Answer::Retry});
    ASSERT_TRUE(h->open());
    EXPECT_EQ(h->prompter.count(103), 1);

    auto gone = harness();
    gone->sim->addFault({SimFault::NoReply, CMD_IDENTIFY, 1});
    gone->sim->addFault({SimFault::NoReply, CMD_IDENTIFY, 2});
    gone->prompter.script(103, {Answer::Retry, Answer::Cancel});
    EXPECT_FALSE(gone->open());
    EXPECT_EQ(gone->prompter.count(103), 2);
    // The message says which ports were tried.
    EXPECT_TRUE(gone->prompter.askedDetails.last().contains(gone->sim->devicePath()))
        << gone->prompter.askedDetails.last().toStdString();
}

TEST_F(WizirdTest, NoControllerMessageTellsWhyPortsCouldNotBeOpened)
{
    auto h = harness();
    WizirdOptions o;
    o.ports = QStringList{h->backupDir.filePath("ttyGone")};
    o.backupDir = h->backupDir.path();
    h->frame = std::make_unique<Wizird>(testModule(), h->block, h->link, h->prompter, o);
    EXPECT_FALSE(h->open());
    ASSERT_EQ(h->prompter.asked, (QList<int>{110, 103}));
    EXPECT_TRUE(h->prompter.askedDetails.last().contains("ttyGone: not present"))
        << h->prompter.askedDetails.last().toStdString();
}

TEST_F(WizirdTest, UnwritableBackupFolderHidesDefaultAndTheRunGoesOn)
{
    auto h = harness();
    WizirdOptions o;
    o.ports = QStringList{h->sim->devicePath()};
    o.backupDir = h->backupDir.filePath("no/such/folder");
    h->frame = std::make_unique<Wizird>(testModule(), h->block, h->link, h->prompter, o);
    ASSERT_TRUE(h->open());
    EXPECT_TRUE(h->frame->button(Wizird::IdDefault)->isHidden());
    EXPECT_FALSE(h->frame->button(Wizird::IdDefault)->isEnabled());
    h->frame->OnNext();
    h->frame->OnPrevious();
    EXPECT_FALSE(h->frame->button(Wizird::IdDefault)->isEnabled());
}

TEST_F(WizirdTest, FinishAsksBeforeWritingWithoutABackupAndNoWritesNothing)
{
    auto h = harness("basic");
    WizirdOptions o;
    o.ports = QStringList{h->sim->devicePath()};
    o.backupDir = h->backupDir.filePath("occupied");
    QFile occupied(o.backupDir); // a file where the backup folder should be
    ASSERT_TRUE(occupied.open(QIODevice::WriteOnly));
    occupied.close();
    h->frame = std::make_unique<Wizird>(testModule(), h->block, h->link, h->prompter, o);
    ASSERT_TRUE(h->open());
    h->prompter.script(300, {Answer::No, Answer::Yes});
    h->prompter.script(106, {Answer::No});
    h->frame->OnFinish();
    ASSERT_EQ(h->prompter.count(300), 1);
    EXPECT_TRUE(h->prompter.askedDetails.last().contains(o.backupDir));
    EXPECT_EQ(h->sim->frameCount(CMD_START), 1) << "the opening's read only";
    EXPECT_EQ(h->prompter.count(106), 0);
    h->frame->OnFinish();
    EXPECT_EQ(h->sim->commitCount(), 1);
    EXPECT_EQ(h->prompter.count(106), 1);
}

TEST_F(WizirdTest, ButtonsAndCaptionFollowThePage)
{
    auto h = harness("basic");
    ASSERT_TRUE(h->open());
    ASSERT_EQ(h->frame->pageCount(), 4);
    EXPECT_FALSE(enabled(*h, Wizird::IdPrevious));
    EXPECT_TRUE(enabled(*h, Wizird::IdDefault));
    EXPECT_TRUE(enabled(*h, Wizird::IdFinish));
    h->frame->OnNext();
    EXPECT_TRUE(h->frame->windowTitle().startsWith("Step 2 - "));
    EXPECT_TRUE(enabled(*h, Wizird::IdPrevious));
    EXPECT_FALSE(enabled(*h, Wizird::IdDefault));
    h->frame->OnNext();
    h->frame->OnNext();
    EXPECT_EQ(h->frame->currentPage(), 4);
    EXPECT_FALSE(enabled(*h, Wizird::IdNext));
    EXPECT_TRUE(enabled(*h, Wizird::IdFinish));
    h->frame->OnPrevious();
    h->frame->OnPrevious();
    h->frame->OnPrevious();
    EXPECT_EQ(h->frame->currentPage(), 1);
    EXPECT_FALSE(enabled(*h, Wizird::IdPrevious));
    EXPECT_TRUE(enabled(*h, Wizird::IdDefault));

    // Out of range: no page shown; the state of the nearest end.
    h->frame->ShowPage(9);
    EXPECT_EQ(h->frame->currentPage(), 4);
    for (int n = 1; n <= 4; ++n)
        EXPECT_FALSE(h->frame->isPageShown(n));
    EXPECT_FALSE(enabled(*h, Wizird::IdNext));
    h->frame->ShowPage(0);
    EXPECT_EQ(h->frame->currentPage(), 1);
    EXPECT_FALSE(enabled(*h, Wizird::IdPrevious));
    EXPECT_TRUE(h->frame->windowTitle().startsWith("Step 0 - "));
    EXPECT_TRUE(h->frame->button(Wizird::IdUpgrade)->isHidden());
}

TEST_F(WizirdTest, PagesLoadAndStoreInListOrder)
{
    auto h = harness("basic");
    ASSERT_TRUE(h->open());
    log.clear();
    h->frame->OnNext(); // moving on: the old page stores first
    EXPECT_EQ(log, (QStringList{"store 0", "load 1"}));
    log.clear();
    h->frame->OnPrevious(); // moving back: the new page loads first
    EXPECT_EQ(log, (QStringList{"load 0", "store 1"}));
}

TEST_F(WizirdTest, RefusedValueKeepsThePageAndWritesNothing)
{
    auto h = harness("basic");
    ASSERT_TRUE(h->open());
    h->frame->OnNext();
    pages[1]->refuse = true;
    h->sim->clearLog();
    h->frame->OnNext();
    EXPECT_EQ(h->frame->currentPage(), 2);
    EXPECT_TRUE(h->frame->isPageShown(2));
    EXPECT_FALSE(h->frame->isPageShown(3));
    EXPECT_TRUE(h->frame->windowTitle().startsWith("Step 2 - "));
    h->frame->OnPrevious();
    EXPECT_EQ(h->frame->currentPage(), 2);
    EXPECT_FALSE(h->frame->isPageShown(1));
    h->frame->OnFinish();
    EXPECT_EQ(h->frame->currentPage(), 2);
    EXPECT_TRUE(h->sim->receivedFrames().empty());
    EXPECT_EQ(h->prompter.count(106), 0);

    pages[1]->refuse = false;
    h->frame->OnFinish();
    EXPECT_EQ(h->frame->currentPage(), 4);
    EXPECT_EQ(h->prompter.count(106), 1);
}

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

TEST_F(WizirdTest, DefaultRestoresTheFirstBackupAfterEdits)
{
    auto h = harness("basic");
    ASSERT_TRUE(h->open());
    // The file holds the image as read, before the frame cleared the regeneration bit.
    QFile backup(h->frame->backupPath());
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
    const QByteArray firstImage = backup.readAll();
    backup.close();
    ASSERT_EQ(firstImage.size(), 128);
    const ConfigBlock fromFile = ConfigBlock::fromByteArray(firstImage);
    EXPECT_TRUE(fromFile.flag(Field::Regeneration));
    EXPECT_FALSE(h->block.flag(Field::Regeneration));

    pages[0]->edit = 0x11;
    h->prompter.script(106, {Answer::No});
    h->frame->OnFinish(); // the controller now holds the edit
    ASSERT_EQ(h->sim->storedImage().byte(ProbePage::kScratch), 0x11);

    // Second connection: the backup of the first stays as it was.
    useProbePages(*h);
    h->block = ConfigBlock();
    ASSERT_TRUE(h->open());
    ASSERT_EQ(h->block.byte(ProbePage::kScratch), 0x11);
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
    EXPECT_EQ(backup.readAll(), firstImage);

    pages[0]->edit = 0x22;
    log.clear();
    h->frame->OnDefault();
    EXPECT_EQ(h->block, fromFile) << blockDiff(h->block, fromFile);
    EXPECT_EQ(h->frame->currentPage(), 1);
    EXPECT_TRUE(h->frame->isPageShown(1));
    EXPECT_EQ(pages[0]->loaded, fromFile.byte(ProbePage::kScratch));
    EXPECT_EQ(log.first(), "store 0"); // the walk forward stores the edit first
    EXPECT_EQ(log.mid(log.size() - 2), (QStringList{"load 0", "store 1"}));
}

TEST_F(WizirdTest, DefaultWithAnUnusableBackupLeavesTheBlockAlone)
{
    auto h = harness("basic");
    ASSERT_TRUE(h->open());
    for (int size : {-1, 100}) {
        if (size < 0) {
            QFile::remove(h->frame->backupPath());
        } else {
            QFile f(h->frame->backupPath());
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(size, '\x01'));
        }
        h->frame->ShowPage(1);
        const ConfigBlock before = h->block;
        const int told = static_cast<int>(h->prompter.told.size());
        h->frame->OnDefault();
        EXPECT_EQ(h->block, before);
        EXPECT_EQ(h->prompter.told.size(), told + 1);
        EXPECT_EQ(h->frame->currentPage(), 4);
        EXPECT_FALSE(enabled(*h, Wizird::IdNext));
    }
}

TEST_F(WizirdTest, DefaultIgnoresARefusalOnItsWalk)
{
    auto h = harness("basic");
    ASSERT_TRUE(h->open());
    ConfigBlock original = h->block;
    original.setFlag(Field::Regeneration, h->sim->storedImage().flag(Field::Regeneration));
    pages[1]->refuse = true;
    h->frame->OnDefault();
    EXPECT_EQ(h->block, original) << blockDiff(h->block, original);
    EXPECT_EQ(h->frame->currentPage(), 1);
}

TEST_F(WizirdTest, CancelAsksTheCloseBoxDoesNotAndHelpOpensTheSupportPage)
{
    auto h = harness("basic");
    ASSERT_TRUE(h->open());
    int finished = 0;
    QObject::connect(h->frame.get(), &QDialog::finished, [&](int) { ++finished; });
    h->frame->show();
    h->prompter.script(102, {Answer::Cancel});
    h->frame->OnCancelButton();
    EXPECT_EQ(h->prompter.count(102), 1);
    EXPECT_EQ(finished, 0);
    EXPECT_TRUE(h->frame->isVisible());
    h->frame->OnCancelButton();
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(h->frame->result(), QDialog::Rejected);
    EXPECT_TRUE(h->sim->receivedFrames().size() > 0);
    EXPECT_EQ(h->sim->commitCount(), 0);

    auto c = harness("basic");
    ASSERT_TRUE(c->open());
    c->frame->show();
    c->frame->close();
    EXPECT_EQ(c->prompter.count(102), 0);
    EXPECT_EQ(c->frame->result(), QDialog::Rejected);

    c->frame->OnHelpButton();
    ASSERT_EQ(c->openedUrls.size(), 1);
    EXPECT_EQ(c->openedUrls[0].path(), "/mot/support.html");
    EXPECT_EQ(c->openedUrls[0].host(), kMakerHost);
}

// A real port whose driver refuses two settings; the controller still answers on it.
class RefusingPort : public SystemSerialPort
{
public:
    QStringList configure() override
    {
        SystemSerialPort::configure();
        return {"parity", "purge"};
    }
};

TEST_F(WizirdTest, PortSetupFailuresAreShownOncePerRefusedSettingAndThePortIsStillProbed)
{
    auto h = harness("basic");
    LinkWorker refusing([] { return std::make_unique<RefusingPort>(); });
    WizirdOptions o;
    o.ports = QStringList{h->sim->devicePath()};
    o.backupDir = h->backupDir.path();
    h->frame = std::make_unique<Wizird>(testModule(), h->block, refusing, h->prompter, o);
    ASSERT_TRUE(h->open());
    EXPECT_EQ(h->prompter.asked, (QList<int>{110, 164, 164}));
    h->frame.reset();
}

} // namespace
