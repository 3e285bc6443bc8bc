// What the professional view needs of a controller: read it and write it, off the window.
#pragma once

#include "config_block.h"

#include <QList>
#include <QString>

#include <optional>

class QWidget;

// A serial port a controller may be on: its device, and the name that stays the same across
// reboots and sockets (empty where the system gives none).
struct SerialPortEntry
{
    QString device;
    QString stable;
};

// The view asks; the application answers with the link, its progress dialog, its messages
// and its backups. Tests answer with a controller of their own.
class ControllerAccess
{
public:
    virtual ~ControllerAccess() = default;

    // True once a controller was found; Read and Write need it.
    virtual bool isConnected() const = 0;
    // Where the controller is, such as "/dev/ttyUSB0".
    virtual QString portName() const = 0;

    // Searches for a controller (the usual messages and Retry on no answer). True when one
    // answered.
    virtual bool connectController(QWidget* parent) = 0;
    // Reads the block and identifies the controller. On failure *error says why.
    virtual bool read(QWidget* parent, ConfigBlock* block, QString* error) = 0;
    // Keeps `current` (the controller's image as last read) in the backup history, writes
    // `next`, commits it and reads it back. On failure *error says why; a write that did not
    // stick names the field.
    virtual bool write(QWidget* parent, const ConfigBlock& current, const ConfigBlock& next,
                       QString* error) = 0;
    // The controller's first-connection image (what the wizard's Default restores), if kept.
    virtual std::optional<ConfigBlock> firstBackup(const ConfigBlock& controller) const = 0;

    // The serial ports to choose from. An access that reaches no serial port lists none.
    virtual QList<SerialPortEntry> serialPorts() const { return {}; }
    // The port Connect and Read use from now on; empty: every port is searched. A controller
    // found on another port is let go, so that the next Connect searches the chosen one.
    virtual void usePort(const QString& port) { Q_UNUSED(port); }
};
