// The professional view's access to a controller, on the simulator: search, read with the first
// backup, verified writes with the history, and what a failure says.
#include "backup_history.h"
#include "frame.h"
#include "link_controller_access.h"
#include "link_worker.h"
#include "scripted_prompter.h"
#include "sim_server.h"
#include "test_resources.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class LinkControllerAccessTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sim = std::make_unique<SimServer>(SimOptions{});
        QString error;
        ASSERT_TRUE(sim->start(&error)) << error.toStdString();
        prompter.texts = [](int id) { return testModule().string(id); };
        access = std::make_unique<LinkControllerAccess>(
            link, prompter, QStringList{sim->devicePath()}, backupDir.path());
    }

    std::unique_ptr<SimServer> sim;
    QTemporaryDir backupDir;
    LinkWorker link;
    ScriptedPrompter prompter;
    std::unique_ptr<LinkControllerAccess> access;
};

TEST_F(LinkControllerAccessTest, ReadsOnceConnectedAndKeepsTheFirstImage)
{
    ConfigBlock block;
    QString error;
    EXPECT_FALSE(access->read(nullptr, &block, &error)) << "no controller yet";
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(sim->receivedFrames().empty());

    ASSERT_TRUE(access->connectController(nullptr));
    EXPECT_TRUE(access->isConnected());
    EXPECT_EQ(access->portName(), sim->devicePath());
    ASSERT_TRUE(access->read(nullptr, &block, &error)) << error.toStdString();
    ConfigBlock expected = sim->storedImage();
    expected.setByte(83, sim->versionMajor());
    expected.setByte(84, sim->versionMinor());
    EXPECT_EQ(block, expected);
    const std::optional<ConfigBlock> first = access->firstBackup(block);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(*first, expected);
}

TEST_F(LinkControllerAccessTest, WritesVerifiedAfterKeepingTheImageInTheHistory)
{
    ASSERT_TRUE(access->connectController(nullptr));
    ConfigBlock current;
    QString error;
    ASSERT_TRUE(access->read(nullptr, &current, &error));
    ConfigBlock next = current;
    next.set(Field::MaxMotorCurrent, 55);
    ASSERT_TRUE(access->write(nullptr, current, next, &error)) << error.toStdString();
    EXPECT_EQ(sim->storedImage().get(Field::MaxMotorCurrent), 55u);
    EXPECT_EQ(sim->commitCount(), 1);
    const QList<BackupEntry> entries = BackupHistory(backupDir.path()).list();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_FALSE(entries[1].first);

    // A commit that does not stick is caught and named.
    sim->addFault({SimFault::LostCommit, CMD_COMMIT, 2});
    ConfigBlock again = next;
    again.set(Field::StartupDelay, 3);
    EXPECT_FALSE(access->write(nullptr, next, again, &error));
    EXPECT_TRUE(error.contains("StartupDelay (byte 12)")) << error.toStdString();
    EXPECT_EQ(sim->storedImage().get(Field::StartupDelay), next.get(Field::StartupDelay));

    // A commit without an answer is a failed write.
    sim->addFault({SimFault::NoReply, CMD_COMMIT, 3});
    EXPECT_FALSE(access->write(nullptr, next, again, &error));
    EXPECT_TRUE(error.contains("did not confirm")) << error.toStdString();
}

TEST_F(LinkControllerAccessTest, WithoutABackupItAsksAndNoWritesNothing)
{
    const QString occupied = backupDir.filePath("occupied");
    QFile file(occupied); // a file where the backup folder should be
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    LinkControllerAccess blocked(link, prompter, {sim->devicePath()}, occupied);
    ASSERT_TRUE(blocked.connectController(nullptr));
    ConfigBlock current;
    QString error;
    ASSERT_TRUE(blocked.read(nullptr, &current, &error));
    ConfigBlock next = current;
    next.set(Field::MaxMotorCurrent, 55);
    prompter.script(300, {Prompter::Answer::No, Prompter::Answer::Yes});
    EXPECT_FALSE(blocked.write(nullptr, current, next, &error));
    EXPECT_TRUE(error.isEmpty()) << "the user's No needs no message";
    EXPECT_TRUE(prompter.askedDetails.last().contains(occupied));
    EXPECT_EQ(sim->commitCount(), 0);
    EXPECT_TRUE(blocked.write(nullptr, current, next, &error)) << error.toStdString();
    EXPECT_EQ(sim->commitCount(), 1);
}

TEST_F(LinkControllerAccessTest, NoControllerAsksRetryOrCancelWithWhatWasTried)
{
    LinkControllerAccess none(link, prompter, {backupDir.filePath("ttyGone")}, backupDir.path());
    prompter.script(103, {Prompter::Answer::Retry, Prompter::Answer::Cancel});
    EXPECT_FALSE(none.connectController(nullptr));
    EXPECT_EQ(prompter.count(103), 2);
    EXPECT_FALSE(none.isConnected());
}

TEST_F(LinkControllerAccessTest, EveryModeOpensWithTheMotorQuestionAndTheWizardsRefusals)
{
    ConfigBlock block;
    int code = -1;
    prompter.script(110, {Prompter::Answer::No});
    EXPECT_FALSE(openController(prompter, *access, &block, &code));
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(sim->receivedFrames().empty()) << "nothing is sent before the answer";

    prompter.script(110, {Prompter::Answer::Yes});
    ASSERT_TRUE(openController(prompter, *access, &block, &code));
    EXPECT_EQ(block.raw(Field::SerialNumber), sim->storedImage().raw(Field::SerialNumber));

    SimOptions unsupported;
    unsupported.preset = QStringLiteral("unsupported");
    SimServer other(unsupported);
    QString error;
    ASSERT_TRUE(other.start(&error));
    LinkWorker otherLink;
    LinkControllerAccess refused(otherLink, prompter, {other.devicePath()}, backupDir.path());
    prompter.script(110, {Prompter::Answer::Yes});
    EXPECT_FALSE(openController(prompter, refused, &block, &code));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(prompter.count(107), 1);

    // A read that fails ends the run with 104 and exit code 1.
    sim->addFault({SimFault::NoReply, CMD_READ, sim->frameCount(CMD_READ) + 1});
    prompter.script(110, {Prompter::Answer::Yes});
    EXPECT_FALSE(openController(prompter, *access, &block, &code));
    EXPECT_EQ(code, 1);
    EXPECT_EQ(prompter.count(104), 1);
}

} // namespace

namespace {

// A port chosen while connected: Read searches it first, and nothing is written before.
TEST_F(LinkControllerAccessTest, AnotherPortChosenIsSearchedByReadBeforeAnyWrite)
{
    ASSERT_TRUE(access->connectController(nullptr));
    ConfigBlock block;
    QString error;
    ASSERT_TRUE(access->read(nullptr, &block, &error));
    SimServer other{SimOptions{}};
    ASSERT_TRUE(other.start(&error)) << error.toStdString();

    access->usePort(other.devicePath());
    ConfigBlock next = block;
    next.set(Field::MaxMotorCurrent, block.get(Field::MaxMotorCurrent) == 50 ? 60 : 50);
    EXPECT_FALSE(access->write(nullptr, block, next, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(other.receivedFrames().empty());

    ASSERT_TRUE(access->read(nullptr, &block, &error)) << error.toStdString();
    EXPECT_EQ(access->portName(), other.devicePath());
    EXPECT_FALSE(other.receivedFrames().empty());
}

} // namespace
