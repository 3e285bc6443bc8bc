// The link over a scripted port: receiving, time-outs, stale input, the port search.
#include "frame.h"
#include "link.h"
#include "scripted_port.h"

#include <QDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

class LinkTest : public ::testing::Test
{
protected:
    std::shared_ptr<ScriptedDevice> addDevice(const QString& path)
    {
        auto d = std::make_shared<ScriptedDevice>();
        devices.insert(path, d);
        return d;
    }
    std::unique_ptr<Link> link()
    {
        return std::make_unique<Link>(
            [this] { return std::make_unique<ScriptedPort>(devices, clock); }, &clock);
    }
    static std::function<std::vector<Chunk>(const std::vector<std::uint8_t>&)>
    identifyAnswer(std::uint8_t third, std::uint8_t length = 3)
    {
        return [=](const std::vector<std::uint8_t>&) {
            std::vector<std::uint8_t> data{0x04, 0x05, third};
            data.resize(length);
            return std::vector<Chunk>{{encodeFrame(CMD_IDENTIFY, data), 2}};
        };
    }

    QMap<QString, std::shared_ptr<ScriptedDevice>> devices;
    FakeClock clock;
};

TEST_F(LinkTest, NotConnectedSendsNothingAndLeavesTheChecksumUnwritten)
{
    auto l = link();
    l->setRequest(CMD_START, 0);
    l->state().txFrame[2] = 0x77;
    EXPECT_FALSE(l->SendFrame());
    EXPECT_EQ(l->state().txFrame[2], 0x77);
    EXPECT_FALSE(l->ReceiveFrame());
    EXPECT_EQ(clock.now, 0);
}

TEST_F(LinkTest, ReplySpreadOverReadsIsAssembledAndReturnedAsSoonAsComplete)
{
    auto d = addDevice("/dev/a");
    d->answer = [](const std::vector<std::uint8_t>&) {
        auto f = encodeFrame(CMD_READ, std::vector<std::uint8_t>(16, 0xAB));
        return std::vector<Chunk>{{{f.begin(), f.begin() + 5}, 3},
                                  {{f.begin() + 5, f.begin() + 12}, 6},
                                  {{f.begin() + 12, f.end()}, 9}};
    };
    d->answer = [inner = d->answer, first = true](const std::vector<std::uint8_t>& w) mutable {
        if (first) { // the identify of the search
            first = false;
            return std::vector<Chunk>{{encodeFrame(CMD_IDENTIFY, {2, 9, 1}), 1}};
        }
        return inner(w);
    };
    auto l = link();
    ASSERT_TRUE(l->ConnectController({"/dev/a"}).connected);
    const auto before = clock.now;
    l->setRequest(CMD_READ, 3);
    l->SendFrame();
    ASSERT_TRUE(l->ReceiveFrame());
    EXPECT_EQ(l->replyLength(), 16);
    EXPECT_EQ(l->replyData(15), 0xAB);
    EXPECT_EQ(clock.now - before, 9); // no waiting out read time-outs
}

TEST_F(LinkTest, MissingReplyGivesUpAfterTheReceiveBound)
{
    auto d = addDevice("/dev/a");
    d->answer = identifyAnswer(1);
    auto l = link();
    ASSERT_TRUE(l->ConnectController({"/dev/a"}).connected);
    d->answer = nullptr;
    const auto before = clock.now;
    l->setRequest(CMD_START, 0);
    l->SendFrame();
    EXPECT_FALSE(l->ReceiveFrame());
    EXPECT_EQ(clock.now - before, Link::kReceiveBoundMs);
    EXPECT_EQ(l->lastError(), "no reply");
}

TEST_F(LinkTest, BadChecksumEndsTheReceiveAtOnceAndExtraBytesAreDropped)
{
    auto d = addDevice("/dev/a");
    d->answer = identifyAnswer(1);
    auto l = link();
    ASSERT_TRUE(l->ConnectController({"/dev/a"}).connected);

    d->answer = [](const std::vector<std::uint8_t>&) {
        return std::vector<Chunk>{{{0xF1, 0x00, 0xF2}, 1}, {{0xF1, 0x00, 0xF1}, 5}};
    };
    l->setRequest(CMD_START, 0);
    l->SendFrame();
    const auto before = clock.now;
    EXPECT_FALSE(l->ReceiveFrame());
    EXPECT_EQ(clock.now - before, 1);

    // A complete reply followed by stray bytes in the same read: the reply counts, and the
    // strays are gone before the next request goes out.
    d->answer = [](const std::vector<std::uint8_t>&) {
        return std::vector<Chunk>{{{0xF1, 0x00, 0xF1, 0xEE, 0xEE}, 1}};
    };
    l->SendFrame();
    EXPECT_TRUE(l->ReceiveFrame());
    d->pending.push_back({{0x99, 0x98}, clock.now}); // a late byte of an old reply
    d->answer = [](const std::vector<std::uint8_t>&) {
        return std::vector<Chunk>{{{0xF4, 0x00, 0xF4}, 1}};
    };
    l->setRequest(CMD_COMMIT, 0);
    l->SendFrame();
    ASSERT_TRUE(l->ReceiveFrame());
    EXPECT_EQ(l->state().rx.frame()[0], 0xF4);
}

TEST_F(LinkTest, VanishedPortEndsTheExchangeAtOnce)
{
    auto d = addDevice("/dev/a");
    d->answer = identifyAnswer(1);
    auto l = link();
    ASSERT_TRUE(l->ConnectController({"/dev/a"}).connected);
    d->answer = nullptr;
    d->goneAfterWrite = true; // unplugged right after the request went out
    const auto before = clock.now;
    l->setRequest(CMD_START, 0);
    l->SendFrame();
    EXPECT_FALSE(l->ReceiveFrame());
    EXPECT_EQ(clock.now, before);
    EXPECT_TRUE(l->lastError().startsWith("port failed"));
}

TEST_F(LinkTest, SearchSkipsUnopenablePortsAndNonControllersAndKeepsTheFirstController)
{
    addDevice("/dev/busy")->openError = OpenError::Busy;
    addDevice("/dev/locked")->openError = OpenError::NoPermission;
    auto silent = addDevice("/dev/silent");
    auto wrong = addDevice("/dev/wrong");
    wrong->answer = identifyAnswer(3);
    auto shortReply = addDevice("/dev/short");
    shortReply->answer = identifyAnswer(1, 2);
    auto ctrl = addDevice("/dev/ctrl");
    ctrl->answer = identifyAnswer(2);
    ctrl->refusedSettings = QStringList{"parity", "purge"};
    auto second = addDevice("/dev/ctrl2");
    second->answer = identifyAnswer(1);

    QStringList refused;
    QStringList probing;
    ConnectObserver observer;
    observer.probing = [&](const QString& p) { probing << p; };
    observer.configureFailed = [&](const QString& p, const QString& s) { refused << p + ":" + s; };
    auto l = link();
    const ConnectResult r =
        l->ConnectController({"/dev/busy", "/dev/locked", "/dev/absent", "/dev/silent",
                              "/dev/wrong", "/dev/short", "/dev/ctrl", "/dev/ctrl2"},
                             observer);
    ASSERT_TRUE(r.connected);
    EXPECT_EQ(r.port, "/dev/ctrl");
    EXPECT_TRUE(l->isConnected());
    ASSERT_EQ(r.openFailures.size(), 3);
    EXPECT_EQ(r.openFailures[0].error, OpenError::Busy);
    EXPECT_EQ(r.openFailures[1].error, OpenError::NoPermission);
    EXPECT_EQ(r.openFailures[2].error, OpenError::NotFound);
    EXPECT_EQ(probing, (QStringList{"/dev/silent", "/dev/wrong", "/dev/short", "/dev/ctrl"}));
    // One report per refused setting; the port is still probed and can be the controller.
    EXPECT_EQ(refused, (QStringList{"/dev/ctrl:parity", "/dev/ctrl:purge"}));
    // Each probed port was opened twice: the checked set-up, then once more.
    EXPECT_EQ(ctrl->opens, 2);
    EXPECT_EQ(second->opens, 0);
    // The identify request is the three bytes 11 00 11.
    ASSERT_EQ(ctrl->written.size(), 1u);
    EXPECT_EQ(ctrl->written[0], (std::vector<std::uint8_t>{0x11, 0x00, 0x11}));
}

TEST_F(LinkTest, NoPortsMeansNoControllerAtOnce)
{
    auto l = link();
    const ConnectResult r = l->ConnectController({"/dev/none"});
    EXPECT_FALSE(r.connected);
    EXPECT_FALSE(l->isConnected());
    EXPECT_EQ(clock.now, 0);
}

TEST(PortOrder, UsbAdaptersFirstThenNaturalOrder)
{
    EXPECT_EQ(
        sortPortPaths({"/dev/ttyS10", "/dev/ttyS2", "/dev/ttyACM0", "/dev/ttyUSB1", "/dev/ttyUSB0",
                       "/dev/ttyS2"}),
        (QStringList{"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyACM0", "/dev/ttyS2", "/dev/ttyS10"}));
}

} // namespace

namespace {

TEST_F(LinkTest, AReplyCarryingAnotherCommandIsNotTakenAsTheAnswer)
{
    // Whatever is asked, a READ frame comes back, as a late reply to an earlier READ would.
    const auto readReply = [](const std::vector<std::uint8_t>&) {
        return std::vector<Chunk>{{encodeFrame(CMD_READ, std::vector<std::uint8_t>(16, 0)), 2}};
    };
    auto d = addDevice("/dev/a");
    d->answer = readReply;
    EXPECT_FALSE(link()->ConnectController({"/dev/a"}).connected)
        << "no controller: the identify was answered by a READ frame";

    d->answer = [&](const std::vector<std::uint8_t>& w) {
        return w[0] == CMD_IDENTIFY ? identifyAnswer(1)(w) : readReply(w);
    };
    auto l = link();
    ASSERT_TRUE(l->ConnectController({"/dev/a"}).connected);
    for (const std::uint8_t command : {CMD_START, CMD_WRITE, CMD_COMMIT, CMD_READ}) {
        l->setRequest(command, 0);
        ASSERT_TRUE(l->SendFrame());
        EXPECT_EQ(l->ReceiveFrame(), command == CMD_READ) << commandName(command);
        if (command != CMD_READ) {
            EXPECT_TRUE(l->lastError().contains("another command")) << l->lastError().toStdString();
        }
    }
}

} // namespace

TEST(PortPath, EverySpellingOfOneDeviceResolvesToOneName)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    const QString device = QString::fromLatin1(::ptsname(master));
    const QString name = device.mid(5); // pts/N
    for (const QString& spelling :
         {device, "/dev//" + name, "/dev/./" + name, "/dev/pts/../" + name,
          QDir::current().relativeFilePath(device)})
        EXPECT_EQ(resolvePortPath(spelling), device) << spelling.toStdString();
    EXPECT_EQ(resolvePortPath("/dev/ttyNOSUCH9"), "/dev/ttyNOSUCH9");
    ::close(master);
}
