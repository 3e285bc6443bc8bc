// The port search on pseudo-terminals: every port asked at once, the first in order chosen.
#include "link.h"
#include "silent_pty.h"
#include "sim_server.h"
#include "system_serial_port.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

namespace {

std::unique_ptr<SimServer> controller(int replyDelayMs = 0)
{
    SimOptions options;
    options.replyDelayMs = replyDelayMs;
    auto server = std::make_unique<SimServer>(options);
    QString error;
    if (!server->start(&error))
        ADD_FAILURE() << error.toStdString();
    return server;
}

std::unique_ptr<SilentPty> silentPort()
{
    auto pty = std::make_unique<SilentPty>();
    QString error;
    if (!pty->open(&error))
        ADD_FAILURE() << error.toStdString();
    return pty;
}

bool askedToIdentify(const SimServer& server)
{
    return server.frameCount(CMD_IDENTIFY) > 0;
}

// True when nobody holds the port: a new exclusive open succeeds.
bool released(const QString& path)
{
    SystemSerialPort port;
    QString detail;
    const bool ok = port.open(path, &detail) == OpenError::None;
    port.close();
    return ok;
}

TEST(PortSearch, TheFirstControllerInProbeOrderWinsOverAFasterLaterOne)
{
    auto slow = controller(300);
    auto fast = controller();
    Link link;
    const ConnectResult r = link.ConnectController({slow->devicePath(), fast->devicePath()});
    ASSERT_TRUE(r.connected);
    EXPECT_EQ(r.port, slow->devicePath());
    EXPECT_EQ(link.portPath(), slow->devicePath());
    // Both were asked at the same time; the later one answered first and still lost.
    EXPECT_TRUE(askedToIdentify(*fast));
    EXPECT_EQ(r.probed, QStringList{slow->devicePath()});
    // The port not chosen is closed before the search returns; the chosen one works.
    EXPECT_TRUE(released(fast->devicePath()));
    slow->clearLog();
    link.setRequest(CMD_IDENTIFY, 0);
    ASSERT_TRUE(link.SendFrame());
    EXPECT_TRUE(link.ReceiveFrame());
    EXPECT_EQ(slow->receivedFrames().size(), 1u);
}

TEST(PortSearch, SilentPortsInFrontAreAskedTogetherAndClosedAfterwards)
{
    std::vector<std::unique_ptr<SilentPty>> silent;
    QStringList paths;
    for (int i = 0; i < 4; ++i) {
        silent.push_back(silentPort());
        paths << silent.back()->devicePath();
    }
    auto ctrl = controller();
    paths << ctrl->devicePath();
    std::vector<std::pair<QString, QString>> refused;
    QStringList tried;
    ConnectObserver observer;
    observer.probing = [&tried](const QString& path) { tried << path; };
    Link link;
    const ConnectResult r = link.ConnectController(paths, observer);
    ASSERT_TRUE(r.connected);
    EXPECT_EQ(r.port, ctrl->devicePath());
    // What the user is told stays in probe order.
    EXPECT_EQ(tried, paths);
    EXPECT_EQ(r.probed, paths);
    for (const auto& pty : silent)
        EXPECT_TRUE(released(pty->devicePath())) << pty->devicePath().toStdString();
}

TEST(PortSearch, APortThatGoesAwayDuringTheSearchLosesAndTheNextControllerIsFound)
{
    auto vanishing = silentPort();
    auto ctrl = controller(200);
    std::thread unplug([&vanishing] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        vanishing->close();
    });
    Link link;
    const ConnectResult r = link.ConnectController({vanishing->devicePath(), ctrl->devicePath()});
    unplug.join();
    ASSERT_TRUE(r.connected);
    EXPECT_EQ(r.port, ctrl->devicePath());
}

TEST(PortSearch, BusyAndAbsentPortsAreReportedInProbeOrderAndNoAnswerListsTheRest)
{
    auto held = silentPort();
    SystemSerialPort holder;
    QString detail;
    ASSERT_EQ(holder.open(held->devicePath(), &detail), OpenError::None);
    auto silent = silentPort();
    Link link;
    const ConnectResult r =
        link.ConnectController({held->devicePath(), "/dev/no-such-port", silent->devicePath()});
    EXPECT_FALSE(r.connected);
    EXPECT_FALSE(link.isConnected());
    ASSERT_EQ(r.openFailures.size(), 2);
    EXPECT_EQ(r.openFailures[0].path, held->devicePath());
    EXPECT_EQ(r.openFailures[0].error, OpenError::Busy);
    EXPECT_EQ(r.openFailures[1].error, OpenError::NotFound);
    EXPECT_EQ(r.probed, QStringList{silent->devicePath()});
}

TEST(PortSearch, FindControllersListsEveryAnsweringPortAndClosesThemAll)
{
    auto first = controller(100);
    auto silent = silentPort();
    auto second = controller();
    Link link;
    const FindResult r = link.FindControllers(
        {first->devicePath(), silent->devicePath(), "/dev/no-such-port", second->devicePath()});
    EXPECT_EQ(r.controllers, (QStringList{first->devicePath(), second->devicePath()}));
    EXPECT_EQ(r.silent, QStringList{silent->devicePath()});
    ASSERT_EQ(r.openFailures.size(), 1);
    EXPECT_FALSE(link.isConnected());
    for (const QString& path : r.controllers + r.silent)
        EXPECT_TRUE(released(path)) << path.toStdString();
}

} // namespace
