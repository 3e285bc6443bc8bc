// The wizard frame: its page set, the opening, buttons, captions and page order.
#include "wizird_fixture.h"

#include <gtest/gtest.h>

namespace {

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
        b.setSoftwareVersion(2, 4);
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

} // namespace
