// What Linux tells about serial ports that could not be used, and what the user can do about it.
#include "port_help.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace {

const QString kModemManager = QStringLiteral("ModemManager");
const QString kBrltty = QStringLiteral("brltty");
const QString kDefaultGroup = QStringLiteral("dialout");

QString readText(const QString& path, qint64 maxSize = 4096)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(file.read(maxSize));
}

QStringList numericEntries(const QString& dir)
{
    static const QRegularExpression number(QStringLiteral("^[0-9]+$"));
    QStringList entries;
    for (const QString& name : QDir(dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (number.match(name).hasMatch())
            entries << name;
    return entries;
}

QString processName(const PortSystem& system, qint64 pid)
{
    return readText(QStringLiteral("%1/%2/comm").arg(system.procDir).arg(pid)).trimmed();
}

bool isRunning(const PortSystem& system, const QString& program)
{
    for (const QString& pid : numericEntries(system.procDir))
        if (processName(system, pid.toLongLong()) == program)
            return true;
    return false;
}

// The device a stable name (/dev/serial/by-id/...) links to; the path itself otherwise.
QString resolved(const QString& device)
{
    const QString real = QFileInfo(device).canonicalFilePath();
    return real.isEmpty() ? device : real;
}

// udev's record of a device: its "E:KEY=VALUE" lines as KEY=VALUE.
QStringList udevProperties(const QString& device, const PortSystem& system)
{
    const QString name = QFileInfo(resolved(device)).fileName();
    const QString number = readText(system.sysTtyDir + QLatin1Char('/') + name + "/dev").trimmed();
    if (number.isEmpty())
        return {};
    QStringList properties;
    const QString record = readText(system.udevDataDir + "/c" + number, 64 * 1024);
    for (const QString& line : record.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("E:")))
            properties << line.mid(2);
    return properties;
}

bool isUsbPort(const QString& device, const QStringList& properties)
{
    const QString name = QFileInfo(resolved(device)).fileName();
    return name.startsWith(QLatin1String("ttyUSB")) || name.startsWith(QLatin1String("ttyACM")) ||
           properties.contains(QStringLiteral("ID_BUS=usb"));
}

// Whether ModemManager may be the reason a USB port was busy or silent: it runs and udev did
// not tell it to leave the port alone.
bool modemManagerMayTake(const QString& device, const PortSystem& system, bool modemManagerRuns)
{
    if (!modemManagerRuns)
        return false;
    const QStringList properties = udevProperties(device, system);
    return isUsbPort(device, properties) &&
           !properties.contains(QStringLiteral("ID_MM_DEVICE_IGNORE=1"));
}

bool ruleInstalled(const PortSystem& system)
{
    for (const QString& dir : system.ruleDirs)
        if (QFileInfo::exists(dir + QLatin1Char('/') + QLatin1String(kUdevRuleName)))
            return true;
    return false;
}

// The members of `group` listed in the group file.
QStringList groupMembers(const PortSystem& system, const QString& group)
{
    const QString text = readText(system.groupFile, 1024 * 1024);
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QStringList fields = line.split(QLatin1Char(':'));
        if (fields.size() >= 4 && fields[0] == group)
            return fields[3].trimmed().split(QLatin1Char(','), Qt::SkipEmptyParts);
    }
    return {};
}

// USB bridge adapters plugged in whose interfaces carry no serial port: something claimed
// them instead of the serial driver.
QStringList adaptersWithoutPort(const PortSystem& system)
{
    const QStringList vendors = usbSerialBridgeVendors();
    const QDir usb(system.usbDevicesDir);
    const QStringList entries = usb.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    QStringList adapters;
    for (const QString& device : entries) {
        if (device.contains(QLatin1Char(':')))
            continue; // an interface, looked at with its device
        const QString vendor = readText(usb.filePath(device + "/idVendor")).trimmed();
        if (!vendors.contains(vendor))
            continue;
        bool hasPort = false;
        for (const QString& entry : entries) {
            if (!entry.startsWith(device + QLatin1Char(':')))
                continue;
            const QDir interface(usb.filePath(entry));
            hasPort = hasPort || interface.exists(QStringLiteral("tty")) ||
                      !interface.entryList({QStringLiteral("ttyUSB*")}, QDir::Dirs).isEmpty();
        }
        if (!hasPort)
            adapters << vendor + QLatin1Char(':') +
                            readText(usb.filePath(device + "/idProduct")).trimmed();
    }
    return adapters;
}

} // namespace

QStringList usbSerialBridgeVendors()
{
    // FTDI, Prolific, Silicon Labs, WCH (two identifiers), MaxLinear/Exar.
    return {QStringLiteral("0403"), QStringLiteral("067b"), QStringLiteral("10c4"),
            QStringLiteral("1a86"), QStringLiteral("4348"), QStringLiteral("04e2")};
}

PortSystem PortSystem::current()
{
    PortSystem system;
    if (const passwd* pw = getpwuid(geteuid()))
        system.user = QString::fromLocal8Bit(pw->pw_name);
    else
        system.user = qEnvironmentVariable("USER");
    const int count = getgroups(0, nullptr);
    std::vector<gid_t> groups(count > 0 ? count : 0);
    if (count > 0 && getgroups(count, groups.data()) == count) {
        groups.push_back(getegid());
        for (gid_t gid : groups)
            if (const group* gr = getgrgid(gid))
                system.sessionGroups << QString::fromLocal8Bit(gr->gr_name);
    } else if (const group* gr = getgrgid(getegid())) {
        system.sessionGroups << QString::fromLocal8Bit(gr->gr_name);
    }
    system.sessionGroups.removeDuplicates();
    system.ownPid = QCoreApplication::applicationPid();
    return system;
}

PortHolder portHolder(const QString& device, const PortSystem& system)
{
    // A lock file names the process by number (UUCP style: the number, maybe padded). Most
    // programs name it after the device; Qt after its path below /dev, '/' made '_'.
    QStringList lockNames;
    for (const QString& path : {device, resolved(device)}) {
        QString below = path.startsWith(QLatin1String("/dev/")) ? path.mid(5) : path;
        below.replace(QLatin1Char('/'), QLatin1Char('_'));
        lockNames << QStringLiteral("LCK..") + QFileInfo(path).fileName()
                  << QStringLiteral("LCK..") + below;
    }
    lockNames.removeDuplicates();
    for (const QString& dir : system.lockDirs) {
        for (const QString& lockName : lockNames) {
            const QString text = readText(dir + QLatin1Char('/') + lockName, 256);
            bool ok = false;
            const qint64 pid = text.section(QLatin1Char('\n'), 0, 0).trimmed().toLongLong(&ok);
            if (!ok || pid <= 0 || pid == system.ownPid)
                continue;
            const QString program = processName(system, pid);
            if (!program.isEmpty()) // a stale lock names a process that is gone
                return {program, pid};
        }
    }
    // Open files: /proc/<pid>/fd/<n> link to the device.
    const QString target = QFileInfo(resolved(device)).absoluteFilePath();
    for (const QString& entry : numericEntries(system.procDir)) {
        const qint64 pid = entry.toLongLong();
        if (pid == system.ownPid)
            continue;
        const QDir fds(QStringLiteral("%1/%2/fd").arg(system.procDir, entry));
        for (const QString& fd : fds.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
            if (QFile::symLinkTarget(fds.filePath(fd)) == target)
                return {processName(system, pid), pid};
        }
    }
    return {};
}

QList<PortAdvice> portAdvice(const ConnectResult& result, const PortSystem& system)
{
    QList<PortAdvice> found;
    const auto add = [&found](PortAdvice::Kind kind, const QStringList& args) {
        const PortAdvice advice{kind, args};
        if (!found.contains(advice))
            found << advice;
    };
    const bool modemManagerRuns = isRunning(system, kModemManager);
    bool needRule = false;

    for (const PortProblem& problem : result.openFailures) {
        if (problem.error == OpenError::NoPermission) {
            // The device's group grants access; one left to root goes to dialout by the rule.
            const QString owner = QFileInfo(problem.path).group();
            const bool groupOwned = !owner.isEmpty() && owner != QLatin1String("root");
            const QString group = groupOwned ? owner : kDefaultGroup;
            const bool member = system.sessionGroups.contains(group);
            if (!member && groupMembers(system, group).contains(system.user))
                add(PortAdvice::LogInAgain, {group});
            else if (!member)
                add(PortAdvice::JoinGroup, {group});
            // The rule gives a USB adapter to the group (a member refused all the same is
            // refused by the device's own mode).
            needRule = needRule || isUsbPort(problem.path, udevProperties(problem.path, system));
        } else if (problem.error == OpenError::Busy) {
            const PortHolder holder = portHolder(problem.path, system);
            if (holder.program == kModemManager ||
                (holder.pid == 0 && modemManagerMayTake(problem.path, system, modemManagerRuns))) {
                add(PortAdvice::ModemManager, {problem.path});
                needRule = true;
            } else if (holder.program == kBrltty) {
                add(PortAdvice::Brltty, {problem.path});
            } else if (holder.pid != 0 && !holder.program.isEmpty()) {
                add(PortAdvice::HeldBy,
                    {problem.path, holder.program, QString::number(holder.pid)});
            } else {
                add(PortAdvice::HeldByOther, {problem.path});
            }
        }
    }
    // A port that opened but stayed silent may have been shared with ModemManager's probing.
    for (const QString& path : result.probed) {
        if (modemManagerMayTake(path, system, modemManagerRuns)) {
            add(PortAdvice::ModemManager, {path});
            needRule = true;
        }
    }
    if (isRunning(system, kBrltty))
        for (const QString& adapter : adaptersWithoutPort(system))
            add(PortAdvice::Brltty, {adapter});
    if (needRule && !ruleInstalled(system))
        add(PortAdvice::InstallRule, {QString::fromLatin1(kUdevRuleName)});

    std::stable_sort(found.begin(), found.end(),
                     [](const PortAdvice& a, const PortAdvice& b) { return a.kind < b.kind; });
    return found;
}

QString portAdviceText(const PortAdvice& advice)
{
    const QString a1 = advice.args.value(0);
    switch (advice.kind) {
    case PortAdvice::JoinGroup:
        return QStringLiteral("add your user to the group %1, then log out and in again:\n"
                              "    sudo usermod -aG %1 $USER")
            .arg(a1);
    case PortAdvice::LogInAgain:
        return QStringLiteral("your user joined the group %1 after this session began: log out "
                              "and in again")
            .arg(a1);
    case PortAdvice::HeldBy:
        return QStringLiteral("%1 is held by %2 (process %3): close that program and try again")
            .arg(a1, advice.args.value(1), advice.args.value(2));
    case PortAdvice::HeldByOther:
        return QStringLiteral("%1 is held by another program: close it and try again").arg(a1);
    case PortAdvice::ModemManager:
        return QStringLiteral("ModemManager probes %1 for a while after it is plugged in: wait a "
                              "few seconds and try again, or stop it:\n"
                              "    sudo systemctl stop ModemManager")
            .arg(a1);
    case PortAdvice::Brltty:
        return QStringLiteral("brltty (the braille display service) took %1; unless a braille "
                              "display is used, remove it and plug the adapter in again:\n"
                              "    sudo apt remove brltty")
            .arg(a1);
    case PortAdvice::InstallRule:
        return QStringLiteral("the udev rule for USB serial adapters is not installed: install the "
                              "norvel-controller package, or copy %1 into /etc/udev/rules.d and "
                              "run:\n"
                              "    sudo udevadm control --reload-rules && sudo udevadm trigger")
            .arg(a1);
    }
    return {};
}
