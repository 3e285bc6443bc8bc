// The wizard through faults of the line: the adapter pulled out during the search, the read and
// Finish, replies that never come on each exchange of Finish, and a window that stays alive.
// The link runs on a clock five times as fast as the wall's, so that a reply that never comes
// costs 300 ms instead of 1.5 s; the frames and the flow are those of the real program.
#include "frame_harness.h"
#include "page_harness.h"
#include "system_serial_port.h"
#include "transfers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressDialog>
#include <QSet>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Answer = Prompter::Answer;

class QuickClock : public LinkClock
{
public:
    static constexpr int kFactor = 5;
    QuickClock() { m_timer.start(); }
    std::int64_t nowMs() override { return m_timer.elapsed() * kFactor; }
    void sleepMs(int ms) override { QThread::msleep(static_cast<unsigned long>(ms / kFactor)); }

private:
    QElapsedTimer m_timer;
};

// The real port, waiting in short steps so that the quick clock decides when a wait is over.
class QuickPort : public SystemSerialPort
{
public:
    ReadResult read(int maxBytes, int timeoutMs) override
    {
        return SystemSerialPort::read(maxBytes, std::min(timeoutMs, 10));
    }
};

// The wizard with its real pages on a simulated controller behind an adapter that can be
// pulled out: the tool reaches it through a link path that goes away and comes back.
struct FaultHarness
{
    // replyDelayMs: every reply that much later, as on a slow adapter.
    explicit FaultHarness(int replyDelayMs = 0)
    {
        linkPath = dir.filePath(QStringLiteral("ttyUSB0"));
        backupDir = dir.filePath(QStringLiteral("backups"));
        QDir().mkpath(backupDir);
        SimOptions options;
        options.preset = QStringLiteral("basic");
        options.linkPath = linkPath;
        options.replyDelayMs = replyDelayMs;
        sim = std::make_unique<SimServer>(options);
        QString error;
        if (!sim->start(&error))
            ADD_FAILURE() << error.toStdString();
        makeFrame();
    }
    void makeFrame()
    {
        WizirdOptions o;
        o.ports = QStringList{linkPath};
        o.backupDir = backupDir;
        frame.reset();
        block = ConfigBlock();
        prompter.texts = [](int id) { return testModule().string(id); };
        frame = std::make_unique<Wizird>(testModule(), block, link, prompter, o);
    }
    void replug()
    {
        QString error;
        EXPECT_TRUE(sim->replug(&error)) << error.toStdString();
    }
    bool open() { return frame->OnInitDialog(); }

    QuickClock clock;
    QTemporaryDir dir;
    QString linkPath;
    QString backupDir;
    std::unique_ptr<SimServer> sim;
    ConfigBlock block;
    LinkWorker link{[] { return std::make_unique<QuickPort>(); }, &clock};
    ScriptedPrompter prompter;
    std::unique_ptr<Wizird> frame;
};

// Every WRITE the controller received carries the block's own bytes: nothing else was staged,
// so nothing else can have been committed.
void expectOnlyWritesOf(const SimServer& sim, const ConfigBlock& block)
{
    int writes = 0;
    for (const auto& f : sim.receivedFrames()) {
        if (f.at(0) != CMD_WRITE)
            continue;
        ++writes;
        const int offset = f.at(2), count = f.at(3);
        for (int j = 0; j < count; ++j)
            EXPECT_EQ(f.at(static_cast<std::size_t>(5 + j)), block.byte(offset + j))
                << "byte " << offset + j;
    }
    EXPECT_GT(writes, 0);
}

// Finish with a No to the closing question: written, committed and verified.
void finishAndExpectTheBlockStored(FaultHarness& h)
{
    const int completed = h.prompter.count(106);
    h.prompter.script(106, {Answer::No});
    h.frame->OnFinish();
    EXPECT_EQ(h.prompter.count(106), completed + 1);
    EXPECT_EQ(h.sim->storedImage(), h.block) << blockDiff(h.sim->storedImage(), h.block);
}

TEST(WizirdFaults, AdapterPulledDuringTheSearchIsFoundAgainAfterRetry)
{
    FaultHarness h;
    // Absent when the search begins, then pulled again while the controller is asked.
    h.sim->stop();
    h.sim->addFault({SimFault::Unplug, CMD_IDENTIFY, 1});
    h.prompter.script(103, {Answer::Retry, Answer::Retry});
    QStringList devices; // what the link pointed at during each search
    h.prompter.onAsk = [&](int id) {
        if (id != 103)
            return;
        devices << h.sim->devicePath();
        h.replug();
    };
    ASSERT_TRUE(h.open());
    EXPECT_EQ(h.prompter.asked, (QList<int>{110, 103, 103}));
    EXPECT_TRUE(h.prompter.askedDetails[1].contains(QStringLiteral("ttyUSB0: not present")))
        << h.prompter.askedDetails[1].toStdString();
    ASSERT_EQ(devices.size(), 2);
    // The search asks the device behind the link by its own name.
    EXPECT_TRUE(h.prompter.askedDetails[2].contains(QStringLiteral("No answer on: ") + devices[1]))
        << h.prompter.askedDetails[2].toStdString();
    EXPECT_EQ(h.frame->currentPage(), 1);

    h.sim->clearLog();
    finishAndExpectTheBlockStored(h);
    EXPECT_EQ(h.sim->commitCount(), 1);
    expectOnlyWritesOf(*h.sim, h.block);
}

TEST(WizirdFaults, AdapterPulledDuringTheReadEndsWith104AndKeepsNoBackupOfAPartialBlock)
{
    FaultHarness h;
    const ConfigBlock before = h.sim->storedImage();
    h.sim->addFault({SimFault::Unplug, CMD_READ, 4});
    EXPECT_FALSE(h.open());
    EXPECT_EQ(h.prompter.asked, (QList<int>{110, 104}));
    EXPECT_TRUE(h.frame->endedEarly());
    EXPECT_TRUE(QDir(h.backupDir).isEmpty()) << "no backup of a block read half";
    EXPECT_EQ(h.sim->commitCount(), 0);
    EXPECT_EQ(h.sim->storedImage(), before);

    // Plugged in again, the wizard started anew reads and writes as ever.
    h.replug();
    h.makeFrame();
    ASSERT_TRUE(h.open());
    QFile backup(h.frame->backupPath());
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
    EXPECT_EQ(backup.size(), kConfigBlockSize);
    h.sim->clearLog();
    finishAndExpectTheBlockStored(h);
    EXPECT_EQ(h.sim->commitCount(), 1);
    expectOnlyWritesOf(*h.sim, h.block);
}

struct PullPoint
{
    const char* name;
    std::uint8_t command;
    int nthOfFinish; // which frame of that command within the Finish
    int commits;     // COMMITs that stored the block once the Retry is through
};

void PrintTo(const PullPoint& point, std::ostream* os)
{
    *os << point.name;
}

class WizirdPulledDuringFinish : public ::testing::TestWithParam<PullPoint>
{
};

TEST_P(WizirdPulledDuringFinish, RetryAfterThePlugIsBackWritesTheIntendedBlockOnly)
{
    const PullPoint point = GetParam();
    FaultHarness h;
    ASSERT_TRUE(h.open());
    const ConfigBlock before = h.sim->storedImage();
    h.sim->addFault(
        {SimFault::Unplug, point.command, h.sim->frameCount(point.command) + point.nthOfFinish});
    h.sim->clearLog();
    bool storedWhenAsked = false;
    h.prompter.script(105, {Answer::Retry});
    h.prompter.onAsk = [&](int id) {
        if (id != 105)
            return;
        // While 105 is up the controller holds the old block, or the new one when the pull
        // came after the commit; never a mix.
        const ConfigBlock now = h.sim->storedImage();
        storedWhenAsked = now == before || now == h.block;
        h.replug();
    };
    finishAndExpectTheBlockStored(h);
    EXPECT_EQ(h.prompter.count(105), 1);
    EXPECT_TRUE(storedWhenAsked);
    EXPECT_TRUE(h.prompter.told.isEmpty());
    EXPECT_EQ(h.sim->commitCount(), point.commits);
    expectOnlyWritesOf(*h.sim, h.block);
}

INSTANTIATE_TEST_SUITE_P(
    Points, WizirdPulledDuringFinish,
    ::testing::Values(PullPoint{"Start", CMD_START, 1, 1}, PullPoint{"Chunk4", CMD_WRITE, 4, 1},
                      PullPoint{"LastChunk", CMD_WRITE, kWriteChunks, 1},
                      PullPoint{"Commit", CMD_COMMIT, 1, 1},
                      // The first commit went through; the Retry writes the same block again.
                      PullPoint{"ReadBack", CMD_READ, 3, 2}),
    [](const ::testing::TestParamInfo<PullPoint>& info) { return info.param.name; });

// The exchanges of a Finish in order: the write, then the read-back.
struct Exchange
{
    std::uint8_t command;
    int nth; // within the Finish
};

std::vector<Exchange> finishExchanges()
{
    std::vector<Exchange> out{{CMD_START, 1}};
    for (int i = 1; i <= kWriteChunks; ++i)
        out.push_back({CMD_WRITE, i});
    out.push_back({CMD_COMMIT, 1});
    out.push_back({CMD_START, 2});
    for (int i = 1; i <= kConfigBlockSize / kReadChunk; ++i)
        out.push_back({CMD_READ, i});
    return out;
}

TEST(WizirdFaults, AReplyThatNeverComesOnAnyExchangeOfFinishIs105AndNothingFollowsIt)
{
    FaultHarness h;
    ASSERT_TRUE(h.open());
    const std::vector<Exchange> exchanges = finishExchanges();
    ASSERT_EQ(static_cast<int>(exchanges.size()), kWriteExchanges + kReadExchanges);
    for (std::size_t i = 0; i < exchanges.size(); ++i) {
        SCOPED_TRACE(i);
        const Exchange& e = exchanges[i];
        h.sim->addFault({SimFault::NoReply, e.command, h.sim->frameCount(e.command) + e.nth});
        h.sim->clearLog();
        const int commits = h.sim->commitCount();
        const int failures = h.prompter.count(105);
        h.prompter.script(105, {Answer::Cancel});
        h.frame->OnFinish();

        EXPECT_EQ(h.prompter.count(105), failures + 1);
        EXPECT_EQ(h.prompter.count(106), 0);
        // The transfer stops at the exchange that got no answer. (On a busy machine the
        // simulator's thread may take that frame in only after the link has given up on it.)
        QElapsedTimer waited;
        waited.start();
        while (h.sim->receivedFrames().size() < i + 1 && waited.elapsed() < 2000)
            QThread::msleep(1);
        QThread::msleep(20); // a frame that should not come would come now
        const auto frames = h.sim->receivedFrames();
        ASSERT_EQ(frames.size(), i + 1);
        for (std::size_t j = 0; j <= i; ++j)
            EXPECT_EQ(frames[j].at(0), exchanges[j].command) << j;
        const bool commitSent = i >= static_cast<std::size_t>(kWriteChunks + 1);
        // A COMMIT whose answer was lost was carried out all the same.
        EXPECT_EQ(h.sim->commitCount(), commits + (commitSent ? 1 : 0));
        EXPECT_EQ(h.frame->currentPage(), h.frame->pageCount());
    }
}

TEST(WizirdFaults, TheWindowKeepsRunningAndTheProgressDialogNamesEachStep)
{
    // Replies 20 ms late: every step lasts long enough to be seen.
    FaultHarness h(20);
    QSet<QString> labels;
    int ticks = 0;
    QTimer watch;
    watch.setInterval(2);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        ++ticks;
        if (!h.frame)
            return;
        for (const QProgressDialog* d : h.frame->findChildren<QProgressDialog*>())
            if (d->isVisible())
                labels.insert(d->labelText());
    });
    watch.start();
    ASSERT_TRUE(h.open());
    const auto seen = [&labels] { return QStringList(labels.begin(), labels.end()).join(" | "); };
    EXPECT_TRUE(labels.contains(
        QStringLiteral("Searching for the controller on %1\u2026").arg(h.sim->devicePath())))
        << seen().toStdString();
    EXPECT_TRUE(labels.contains(QStringLiteral("Reading the configuration\u2026")))
        << seen().toStdString();

    // A read-back that gets no answer: the window runs on through the whole wait.
    h.sim->addFault({SimFault::NoReply, CMD_READ, h.sim->frameCount(CMD_READ) + 5});
    labels.clear();
    int ticksAtFailure = -1;
    h.prompter.onAsk = [&](int id) {
        if (id == 105)
            ticksAtFailure = ticks;
    };
    const int ticksBefore = ticks;
    h.prompter.script(105, {Answer::Cancel});
    h.frame->OnFinish();
    watch.stop();
    EXPECT_TRUE(labels.contains(QStringLiteral("Writing the configuration\u2026")))
        << seen().toStdString();
    EXPECT_TRUE(labels.contains(QStringLiteral("Verifying\u2026"))) << seen().toStdString();
    // The wait alone lasts 300 ms at the quick clock: the timer fired all through it.
    EXPECT_GT(ticksAtFailure - ticksBefore, 10);
}

} // namespace
