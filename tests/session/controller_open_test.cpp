// Opening a controller on the simulator: every way an open ends, and the phases a front end runs.
#include "controller_open.h"
#include "field_encodings.h"
#include "frame.h"
#include "link.h"
#include "silent_pty.h"
#include "sim_server.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<SimServer> startedSim(SimOptions options)
{
    auto sim = std::make_unique<SimServer>(options);
    QString error;
    EXPECT_TRUE(sim->start(&error)) << error.toStdString();
    return sim;
}

TEST(ControllerOpenTest, NoControllerAnsweredNamesWhatWasProbedAndReadsNothing)
{
    SilentPty silent;
    QString error;
    ASSERT_TRUE(silent.open(&error)) << error.toStdString();
    QTemporaryDir dir;
    const QString absent = QDir(dir.path()).filePath("ttyGone");
    Link link;
    OpenOptions options;
    options.ports = {absent, silent.devicePath()};
    options.start.setByte(0, 0xA5);
    const OpenOutcome opened = openController(link, options);
    EXPECT_EQ(opened.result, OpenOutcome::Result::NoController);
    EXPECT_EQ(opened.search.probed, QStringList{silent.devicePath()});
    ASSERT_EQ(opened.search.openFailures.size(), 1);
    EXPECT_EQ(opened.search.openFailures[0].path, absent);
    EXPECT_EQ(opened.read.block, options.start);
    EXPECT_FALSE(link.isConnected());
}

TEST(ControllerOpenTest, ReadFailureNamesTheExchangeAndKeepsWhatArrived)
{
    struct Case
    {
        SimFault fault; // the search asks IDENTIFY once before the read
        std::uint8_t command;
        int offset;
    };
    const Case cases[] = {
        {{SimFault::NoReply, CMD_READ, 3}, CMD_READ, 32},
        {{SimFault::NoReply, CMD_IDENTIFY, 2}, CMD_IDENTIFY, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        SimOptions simOptions;
        simOptions.faults = {c.fault};
        const auto sim = startedSim(simOptions);
        Link link;
        OpenOptions options;
        options.ports = {sim->devicePath()};
        for (int i = 0; i < kConfigBlockSize; ++i)
            options.start.setByte(i, 0xA5);
        const OpenOutcome opened = openController(link, options);
        EXPECT_EQ(opened.result, OpenOutcome::Result::ReadFailed);
        EXPECT_EQ(opened.port, sim->devicePath());
        EXPECT_EQ(opened.read.failure.command, c.command);
        EXPECT_EQ(opened.read.failure.offset, c.offset);
        const int arrived = c.offset < 0 ? kConfigBlockSize : c.offset;
        EXPECT_EQ(opened.read.block.byte(arrived - 1), sim->storedImage().byte(arrived - 1));
        if (arrived < kConfigBlockSize) {
            EXPECT_EQ(opened.read.block.byte(arrived), 0xA5);
        }
    }
}

TEST(ControllerOpenTest, EachControllerGetsItsDecisionAndTheLegacyModeIsConvertedWhereAsked)
{
    using Verdict = OpenDecision::Verdict;
    struct Case
    {
        const char* preset;
        bool convert;
        Verdict verdict;
        bool legacy;
        bool converted;
    };
    const Case cases[] = {
        {"full", true, Verdict::Served, false, false},
        {"unsupported", true, Verdict::UnsupportedSeries, false, false},
        {"special", true, Verdict::SpecialVersion, false, false},
        {"legacy", false, Verdict::Served, true, false},
        {"legacy", true, Verdict::Served, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.preset) + (c.convert ? " converted" : ""));
        SimOptions simOptions;
        simOptions.preset = QString::fromLatin1(c.preset);
        const auto sim = startedSim(simOptions);
        Link link;
        OpenOptions options;
        options.ports = {sim->devicePath()};
        options.convertLegacy = c.convert;
        const OpenOutcome opened = openController(link, options);
        ASSERT_EQ(opened.result, OpenOutcome::Result::Opened);
        EXPECT_EQ(opened.decision.verdict, c.verdict);
        EXPECT_EQ(opened.decision.legacyControlMode, c.legacy);
        EXPECT_EQ(opened.legacyConverted, c.converted);
        EXPECT_EQ(opened.read.block.raw(Field::SerialNumber),
                  sim->storedImage().raw(Field::SerialNumber));
        // The block as read stays as the controller holds it; the converted one is apart.
        EXPECT_EQ(opened.read.block.get(Field::ControlMode),
                  sim->storedImage().get(Field::ControlMode));
        EXPECT_EQ(opened.block.get(Field::ControlMode),
                  c.converted ? ControlModeCode::kTorque
                              : sim->storedImage().get(Field::ControlMode));
        EXPECT_EQ(sim->commitCount(), 0);
    }
}

// The GUI's way: each phase run by the front end, and Retry after a search that found nothing.
TEST(ControllerOpenTest, RetryAfterAnEmptySearchSearchesAgainThenReadsWithThePhasesObservers)
{
    QTemporaryDir dir;
    SimOptions simOptions;
    simOptions.linkPath = QDir(dir.path()).filePath("ttyController");
    SimServer sim(simOptions); // plugged in only when the user is asked to retry
    Link link;
    QList<OpenPhase> phases;
    int lastDone = 0, lastTotal = -1;
    const OpenPhaseRunner run = [&](OpenPhase phase, const OpenJob& job) {
        phases << phase;
        LinkObservers observers;
        observers.transfer.progress = [&](int done, int total) {
            lastDone = done;
            lastTotal = total;
        };
        return job(link, observers);
    };
    QList<ConnectResult> asked;
    const SearchAgain again = [&](const ConnectResult& result) {
        asked << result;
        QString error;
        EXPECT_TRUE(sim.start(&error)) << error.toStdString();
        return true;
    };
    OpenOptions options;
    options.ports = {simOptions.linkPath};
    const OpenOutcome opened = openController(run, options, again);

    ASSERT_EQ(opened.result, OpenOutcome::Result::Opened);
    ASSERT_EQ(asked.size(), 1);
    ASSERT_EQ(asked[0].openFailures.size(), 1);
    EXPECT_EQ(asked[0].openFailures[0].error, OpenError::NotFound);
    EXPECT_TRUE(opened.search.connected) << "the outcome holds the last search";
    EXPECT_EQ(phases,
              (QList<OpenPhase>{OpenPhase::Searching, OpenPhase::Searching, OpenPhase::Reading}));
    EXPECT_EQ(lastDone, lastTotal);

    // Found already: reading again asks for no search.
    phases.clear();
    OpenOptions readOnly;
    readOnly.search = false;
    EXPECT_TRUE(openController(run, readOnly, again).opened());
    EXPECT_EQ(phases, QList<OpenPhase>{OpenPhase::Reading});
    EXPECT_EQ(asked.size(), 1);
}

} // namespace
