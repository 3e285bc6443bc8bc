// Permission and busy-port help: what the system tells, read from a made-up /proc, /sys and udev.
#include "port_help.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class PortHelpTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        for (const char* sub :
             {"proc", "sys/class/tty", "sys/bus/usb/devices", "udev", "lock", "rules", "dev"})
            ASSERT_TRUE(QDir().mkpath(m_dir.filePath(sub)));
        system.procDir = m_dir.filePath("proc");
        system.sysTtyDir = m_dir.filePath("sys/class/tty");
        system.usbDevicesDir = m_dir.filePath("sys/bus/usb/devices");
        system.udevDataDir = m_dir.filePath("udev");
        system.lockDirs = {m_dir.filePath("lock")};
        system.ruleDirs = {m_dir.filePath("rules")};
        system.groupFile = m_dir.filePath("group");
        system.user = "tech";
        system.sessionGroups = {"tech", "plugdev"};
        system.ownPid = 1;
        write("group", "root:x:0:\ndialout:x:20:someone,other\ntech:x:1000:\n");
    }

    void write(const QString& relative, const QByteArray& text)
    {
        const QString path = m_dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        file.write(text);
    }
    void process(qint64 pid, const QByteArray& name)
    {
        write(QStringLiteral("proc/%1/comm").arg(pid), name + "\n");
        QDir().mkpath(m_dir.filePath(QStringLiteral("proc/%1/fd").arg(pid)));
    }
    void openedBy(qint64 pid, int fd, const QString& target)
    {
        ASSERT_TRUE(
            QFile::link(target, m_dir.filePath(QStringLiteral("proc/%1/fd/%2").arg(pid).arg(fd))));
    }
    // A tty that udev knows, with these properties.
    void tty(const QString& name, const QByteArray& number, const QByteArray& properties)
    {
        write("sys/class/tty/" + name + "/dev", number + "\n");
        write("udev/c" + number, properties);
    }
    void usbAdapter(const QString& device, const QByteArray& vendor, const QByteArray& product,
                    const QString& tty)
    {
        write("sys/bus/usb/devices/" + device + "/idVendor", vendor + "\n");
        write("sys/bus/usb/devices/" + device + "/idProduct", product + "\n");
        QDir().mkpath(m_dir.filePath("sys/bus/usb/devices/" + device + ":1.0"));
        if (!tty.isEmpty())
            QDir().mkpath(m_dir.filePath("sys/bus/usb/devices/" + device + ":1.0/" + tty));
    }
    void installRule() { write(QStringLiteral("rules/") + kUdevRuleName, "# rule\n"); }
    // A device path that exists nowhere: no owning group, so the rule's group is assumed.
    QString device(const QString& name) const { return m_dir.filePath("dev/" + name); }

    ConnectResult refused(const QStringList& names, OpenError error) const
    {
        ConnectResult result;
        for (const QString& name : names)
            result.openFailures.append({device(name), error, QString()});
        return result;
    }

    QTemporaryDir m_dir;
    PortSystem system;
};

using Kind = PortAdvice::Kind;

TEST_F(PortHelpTest, RefusedPortsAskToJoinTheGroupOnceAndForTheMissingRuleOfUsbAdapters)
{
    const QList<PortAdvice> advice =
        portAdvice(refused({"ttyUSB0", "ttyS0", "ttyS1"}, OpenError::NoPermission), system);
    EXPECT_EQ(advice, (QList<PortAdvice>{{Kind::JoinGroup, {"dialout"}},
                                         {Kind::InstallRule, {kUdevRuleName}}}));

    // Only built-in ports: the rule would not change them.
    EXPECT_EQ(portAdvice(refused({"ttyS0"}, OpenError::NoPermission), system),
              (QList<PortAdvice>{{Kind::JoinGroup, {"dialout"}}}));

    // udev tells a USB port by its bus even under another name.
    tty("ttyXR0", "188:3", "E:ID_BUS=usb\nE:ID_VENDOR_ID=04e2\n");
    EXPECT_EQ(portAdvice(refused({"ttyXR0"}, OpenError::NoPermission), system).size(), 2);

    installRule();
    EXPECT_EQ(portAdvice(refused({"ttyUSB0"}, OpenError::NoPermission), system),
              (QList<PortAdvice>{{Kind::JoinGroup, {"dialout"}}}));
}

TEST_F(PortHelpTest, AMemberSinceThisSessionBeganIsToldToLogInAgainAndAMemberGetsTheRule)
{
    write("group", "dialout:x:20:someone,tech\n");
    EXPECT_EQ(
        portAdvice(refused({"ttyUSB0"}, OpenError::NoPermission), system),
        (QList<PortAdvice>{{Kind::LogInAgain, {"dialout"}}, {Kind::InstallRule, {kUdevRuleName}}}));

    // Already in the group and still refused: only the rule (which sets the mode) is left.
    system.sessionGroups << "dialout";
    EXPECT_EQ(portAdvice(refused({"ttyUSB0"}, OpenError::NoPermission), system),
              (QList<PortAdvice>{{Kind::InstallRule, {kUdevRuleName}}}));
    EXPECT_TRUE(portAdvice(refused({"ttyS0"}, OpenError::NoPermission), system).isEmpty());
    // Ports that are absent or answer nothing need no help.
    EXPECT_TRUE(portAdvice(refused({"ttyUSB0"}, OpenError::NotFound), system).isEmpty());
}

TEST_F(PortHelpTest, BusyPortNamesItsHolderFromTheLockFileOrTheOpenFiles)
{
    const QString port = device("ttyUSB0");
    process(4242, "minicom");
    write("lock/LCK..ttyUSB0", "      4242\n");
    EXPECT_EQ(portHolder(port, system).program, "minicom");
    EXPECT_EQ(portHolder(port, system).pid, 4242);
    EXPECT_EQ(portAdvice(refused({"ttyUSB0"}, OpenError::Busy), system),
              (QList<PortAdvice>{{Kind::HeldBy, {port, "minicom", "4242"}}}));

    // Qt names the lock after the path below /dev.
    write("lock/LCK..pts_5", "4242\nnorvelctl\nbench\n");
    EXPECT_EQ(portHolder("/dev/pts/5", system).pid, 4242);

    // A stale lock (its process is gone) and our own are passed over; the open file tells.
    write("lock/LCK..ttyUSB0", "999\nnorvelctl\nbench\n");
    write("dev/ttyUSB0", "");
    process(77, "screen");
    openedBy(77, 0, "/dev/null");
    openedBy(77, 5, port);
    process(1, "self");
    openedBy(1, 3, port);
    EXPECT_EQ(portHolder(port, system).program, "screen");
    EXPECT_EQ(portHolder(port, system).pid, 77);

    // A stable name is followed to the device.
    const QString stable = m_dir.filePath("dev/usb-Bridge_A1-if00-port0");
    ASSERT_TRUE(QFile::link(port, stable));
    EXPECT_EQ(portHolder(stable, system).pid, 77);

    // Nothing tells: "another program".
    QFile::remove(m_dir.filePath("proc/77/fd/5"));
    EXPECT_EQ(portHolder(port, system).pid, 0);
    EXPECT_EQ(portAdvice(refused({"ttyUSB0"}, OpenError::Busy), system),
              (QList<PortAdvice>{{Kind::HeldByOther, {port}}}));
}

TEST_F(PortHelpTest, ModemManagerIsNamedWhereItHoldsOrMayProbeAUsbPort)
{
    const QString usb = device("ttyUSB0");
    process(300, "ModemManager");
    // Seen holding the port (as root one sees every process's files).
    write("lock/LCK..ttyUSB0", "300\n");
    EXPECT_EQ(
        portAdvice(refused({"ttyUSB0"}, OpenError::Busy), system),
        (QList<PortAdvice>{{Kind::ModemManager, {usb}}, {Kind::InstallRule, {kUdevRuleName}}}));

    // Holder unknown, but ModemManager runs and nothing told it to leave the port alone.
    QFile::remove(m_dir.filePath("lock/LCK..ttyUSB0"));
    tty("ttyUSB0", "188:0", "E:ID_BUS=usb\n");
    EXPECT_EQ(portAdvice(refused({"ttyUSB0"}, OpenError::Busy), system).first(),
              (PortAdvice{Kind::ModemManager, {usb}}));
    // A port that opened but stayed silent may have been shared with its probing.
    ConnectResult silent;
    silent.probed = {usb, device("ttyS0")};
    installRule();
    EXPECT_EQ(portAdvice(silent, system), (QList<PortAdvice>{{Kind::ModemManager, {usb}}}));

    // The rule's mark on the port: ModemManager is not the reason.
    tty("ttyUSB0", "188:0", "E:ID_BUS=usb\nE:ID_MM_DEVICE_IGNORE=1\n");
    EXPECT_TRUE(portAdvice(silent, system).isEmpty());
    EXPECT_EQ(portAdvice(refused({"ttyUSB0"}, OpenError::Busy), system),
              (QList<PortAdvice>{{Kind::HeldByOther, {usb}}}));
    // Nor when it does not run.
    QDir(m_dir.filePath("proc/300")).removeRecursively();
    tty("ttyUSB0", "188:0", "E:ID_BUS=usb\n");
    EXPECT_TRUE(portAdvice(silent, system).isEmpty());
}

TEST_F(PortHelpTest, AdapterClaimedByBrlttyIsNamedWhileItRuns)
{
    usbAdapter("1-1", "1a86", "7523", QString()); // claimed: its interface has no tty
    usbAdapter("1-2", "0403", "6001", "ttyUSB0"); // a working adapter
    usbAdapter("1-3", "046d", "c52b", QString()); // a mouse: no serial bridge at all
    const ConnectResult none;
    EXPECT_TRUE(portAdvice(none, system).isEmpty());
    process(512, "brltty");
    EXPECT_EQ(portAdvice(none, system), (QList<PortAdvice>{{Kind::Brltty, {"1a86:7523"}}}));
    // brltty holding a port itself is named as brltty too.
    write("lock/LCK..ttyUSB0", "512\n");
    EXPECT_EQ(
        portAdvice(refused({"ttyUSB0"}, OpenError::Busy), system),
        (QList<PortAdvice>{{Kind::Brltty, {device("ttyUSB0")}}, {Kind::Brltty, {"1a86:7523"}}}));
}

TEST_F(PortHelpTest, AdviceComesMostPressingFirstEachOnce)
{
    process(4242, "minicom");
    write("lock/LCK..ttyUSB1", "4242\n");
    ConnectResult mixed = refused({"ttyUSB1"}, OpenError::Busy);
    mixed.openFailures += refused({"ttyUSB0", "ttyUSB2"}, OpenError::NoPermission).openFailures;
    const QList<PortAdvice> advice = portAdvice(mixed, system);
    ASSERT_EQ(advice.size(), 3);
    EXPECT_EQ(advice[0].kind, Kind::JoinGroup);
    EXPECT_EQ(advice[1].kind, Kind::HeldBy);
    EXPECT_EQ(advice[2].kind, Kind::InstallRule);
}

TEST(PortHelpText, EnglishAdviceGivesTheCommandsWithEveryNameFilledIn)
{
    EXPECT_TRUE(portAdviceText({PortAdvice::JoinGroup, {"dialout"}})
                    .contains("sudo usermod -aG dialout $USER"));
    EXPECT_TRUE(portAdviceText({PortAdvice::InstallRule, {kUdevRuleName}})
                    .contains("60-norvel-controller.rules into /etc/udev/rules.d"));
    EXPECT_TRUE(portAdviceText({PortAdvice::HeldBy, {"/dev/ttyUSB0", "minicom", "42"}})
                    .startsWith("/dev/ttyUSB0 is held by minicom (process 42)"));
    const PortAdvice all[] = {
        {PortAdvice::JoinGroup, {"dialout"}},       {PortAdvice::LogInAgain, {"dialout"}},
        {PortAdvice::HeldBy, {"/dev/x", "p", "1"}}, {PortAdvice::HeldByOther, {"/dev/x"}},
        {PortAdvice::ModemManager, {"/dev/x"}},     {PortAdvice::Brltty, {"1a86:7523"}},
        {PortAdvice::InstallRule, {kUdevRuleName}},
    };
    for (const PortAdvice& advice : all) {
        const QString text = portAdviceText(advice);
        EXPECT_FALSE(text.isEmpty()) << advice.kind;
        EXPECT_FALSE(text.contains('%')) << text.toStdString();
        EXPECT_LE(text.count('\n'), 1) << "one or two lines: " << text.toStdString();
    }
}

TEST(PortHelpRule, TheUdevRuleNamesTheSameBridgeChipsAndQuietsModemManagerForEach)
{
    QFile file(QStringLiteral(NORVEL_SOURCE_DIR "/packaging/") + kUdevRuleName);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList vendors;
    static const QRegularExpression vendor(
        QStringLiteral("ATTRS\\{idVendor\\}==\"([0-9a-f]{4})\""));
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
        const QRegularExpressionMatch m = vendor.match(line);
        if (!m.hasMatch())
            continue;
        vendors << m.captured(1);
        EXPECT_TRUE(line.contains("ENV{ID_MM_DEVICE_IGNORE}=\"1\"")) << line.toStdString();
        EXPECT_TRUE(line.contains("GROUP=\"dialout\"")) << line.toStdString();
        EXPECT_TRUE(line.contains("MODE=\"0660\"")) << line.toStdString();
    }
    vendors.sort();
    QStringList known = usbSerialBridgeVendors();
    known.sort();
    EXPECT_EQ(vendors, known);
}

TEST(PortHelpSystem, ThisMachineTellsWhoAsksAndWhichProcessHoldsAFile)
{
    const PortSystem system = PortSystem::current();
    EXPECT_FALSE(system.user.isEmpty());
    EXPECT_FALSE(system.sessionGroups.isEmpty());
    EXPECT_EQ(system.ownPid, QCoreApplication::applicationPid());

    // A child that keeps a file open as its input is found through the real /proc.
    QTemporaryDir dir;
    const QString held = dir.filePath("ttyFake");
    QFile(held).open(QIODevice::WriteOnly);
    QProcess child;
    child.setStandardInputFile(held);
    child.start("sleep", {"5"});
    ASSERT_TRUE(child.waitForStarted());
    const PortHolder holder = portHolder(held, system);
    EXPECT_EQ(holder.pid, child.processId());
    EXPECT_EQ(holder.program, "sleep");
    child.kill();
    child.waitForFinished();
}

} // namespace
