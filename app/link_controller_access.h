// The professional view's way to the controller: the link behind the progress dialog, the
// wizard's messages, and the backups.
#pragma once

#include "controller_access.h"
#include "controller_open.h"

#include <QStringList>

#include <optional>

class LinkWorker;
class Prompter;

class LinkControllerAccess : public ControllerAccess
{
public:
    LinkControllerAccess(LinkWorker& link, Prompter& prompter, QStringList ports,
                         QString backupDir);

    bool isConnected() const override { return m_connected; }
    QString portName() const override { return m_port; }
    bool connectController(QWidget* parent) override;
    // Searches (unless options say not to: the controller found already), reads and decides,
    // behind the progress dialogs, on the chosen port; the first image of a controller read is
    // kept.
    OpenOutcome open(QWidget* parent, OpenOptions options);
    bool read(QWidget* parent, ConfigBlock* block, QString* error) override;
    bool write(QWidget* parent, const ConfigBlock& current, const ConfigBlock& next,
               QString* error) override;
    std::optional<ConfigBlock> firstBackup(const ConfigBlock& controller) const override;
    QList<SerialPortEntry> serialPorts() const override;
    void usePort(const QString& port) override;

private:
    void found(const ConnectResult& search);

    LinkWorker& m_link;
    Prompter& m_prompter;
    QStringList m_ports;
    QString m_backupDir;
    bool m_connected = false;
    bool m_portChanged = false;
    QString m_port;
};

// The opening of every mode on a controller: the motor question, the search, the read (message
// 104 when it fails) and the refusal of a series the tool does not serve (107, 111). The
// controller opened and served; otherwise *exitCode is the program's exit code (0: the user
// stopped, 1: the read failed). With `convertLegacy`, a legacy control mode is converted in the
// outcome's block.
std::optional<OpenOutcome> openForMode(Prompter& prompter, LinkControllerAccess& access,
                                       bool convertLegacy, int* exitCode);
// The same with the block as read into *block; true when served.
bool openController(Prompter& prompter, LinkControllerAccess& access, ConfigBlock* block,
                    int* exitCode);
