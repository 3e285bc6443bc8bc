// The wizard frame's Default, Cancel and Help, and port setup failures.
#include "wizird_fixture.h"

#include <gtest/gtest.h>

namespace {

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
