// What Linux tells about serial ports that could not be used, and what the user can do about it.
#pragma once

#include "link.h"

#include <QList>
#include <QString>
#include <QStringList>

// The udev rule installed with the programs: USB serial adapters get group dialout, mode 0660,
// and ModemManager leaves them alone.
inline constexpr char kUdevRuleName[] = "60-norvel-controller.rules";

// Vendor identifiers of the USB-RS232 bridge chips that controllers' cables use; the udev rule
// names the same ones.
QStringList usbSerialBridgeVendors();

// One thing the user can do, with the names it concerns. The kinds come in this order, most
// pressing first.
struct PortAdvice
{
    enum Kind
    {
        JoinGroup,    // args: group. Not a member: sudo usermod -aG <group> $USER, log in again
        LogInAgain,   // args: group. Made a member after this session began
        HeldBy,       // args: device, program, process id
        HeldByOther,  // args: device. Busy, and Linux does not say by what
        ModemManager, // args: device. ModemManager probes it (or may, being allowed to)
        Brltty,       // args: adapter as vendor:product. brltty took it: no port is left
        InstallRule,  // args: the rule's file name. The udev rule is not installed
    };
    Kind kind;
    QStringList args;

    bool operator==(const PortAdvice& other) const
    {
        return kind == other.kind && args == other.args;
    }
};

// The program holding a device; pid 0 when Linux does not tell.
struct PortHolder
{
    QString program;
    qint64 pid = 0;
};

// Where the system is looked at, and who asks. current() describes this process on this
// machine; tests point the folders into a tree of their own.
struct PortSystem
{
    QString procDir = QStringLiteral("/proc");
    QString sysTtyDir = QStringLiteral("/sys/class/tty");
    QString usbDevicesDir = QStringLiteral("/sys/bus/usb/devices");
    QString udevDataDir = QStringLiteral("/run/udev/data");
    QStringList lockDirs{QStringLiteral("/run/lock"), QStringLiteral("/var/lock"),
                         QStringLiteral("/var/spool/locks"), QStringLiteral("/var/spool/uucp"),
                         QStringLiteral("/tmp")};
    QStringList ruleDirs{QStringLiteral("/etc/udev/rules.d"), QStringLiteral("/run/udev/rules.d"),
                         QStringLiteral("/usr/lib/udev/rules.d"),
                         QStringLiteral("/lib/udev/rules.d"),
                         QStringLiteral("/usr/local/lib/udev/rules.d")};
    QString groupFile = QStringLiteral("/etc/group");
    QString user;              // login name
    QStringList sessionGroups; // the groups this process runs with
    qint64 ownPid = 0;         // never named as a holder

    static PortSystem current();
};

// The program holding `device`: from its lock file, else from the open files in /proc (only
// the user's own processes show there unless run as root).
PortHolder portHolder(const QString& device, const PortSystem& system);

// What would help after a search that found no controller: for ports refused for lack of
// permission, ports held by another program, USB ports that ModemManager may take, and USB
// adapters that brltty took. Each piece of advice once, in the order of PortAdvice::Kind.
QList<PortAdvice> portAdvice(const ConnectResult& result, const PortSystem& system);

// The advice in English, one or two lines, for the command-line tool and as the fallback of a
// resource module that lacks the text.
QString portAdviceText(const PortAdvice& advice);
