// The professional view's way to the controller: the link behind the progress dialog, the
// wizard's messages, and the backups.
#include "link_controller_access.h"

#include "backup_file.h"
#include "controller_session.h"
#include "link.h"
#include "message_ids.h"
#include "prompter.h"
#include "transfers.h"

namespace {

using M = MessageIds;

TransferRunner runnerOver(LinkWorker& link, QWidget* parent)
{
    return [&link, parent](const QString& label,
                           const std::function<bool(Link&, ProgressSink&)>& job) {
        return link.run(parent, label, job);
    };
}

} // namespace

LinkControllerAccess::LinkControllerAccess(LinkWorker& link, Prompter& prompter, QStringList ports,
                                           QString backupDir)
    : m_link(link), m_prompter(prompter), m_ports(std::move(ports)),
      m_backupDir(std::move(backupDir))
{
}

bool LinkControllerAccess::connectController(QWidget* parent)
{
    m_portChanged = false;
    m_connected =
        searchController(runnerOver(m_link, parent), m_link, m_prompter, m_ports, &m_port);
    return m_connected;
}

bool LinkControllerAccess::read(QWidget* parent, ConfigBlock* block, QString* error)
{
    // After a change of port, Read searches the chosen one first.
    if (m_portChanged)
        connectController(parent);
    if (!m_connected) {
        if (error)
            *error = m_prompter.line(M::NotConnected);
        return false;
    }
    ConfigBlock read;
    if (!readController(runnerOver(m_link, parent), m_prompter, &read)) {
        if (error)
            *error = m_prompter.line(M::ReadStopped);
        return false;
    }
    // The first image of this controller is kept, as the wizard keeps it; a failure to save it
    // does not stop the read.
    BackupFile(m_backupDir, ControllerKey(read)).saveIfMissing(read);
    *block = read;
    return true;
}

bool LinkControllerAccess::write(QWidget* parent, const ConfigBlock& current,
                                 const ConfigBlock& next, QString* error)
{
    if (!m_connected) {
        if (error)
            *error = m_prompter.line(M::NotConnected);
        return false;
    }
    if (m_portChanged) {
        if (error)
            *error = m_prompter.text(MessageIds::PortChangedReadFirst);
        return false;
    }
    // Nothing is written unless the controller's image is safe on disk first, or the user
    // chose to go on without it.
    if (!keepBackupsOrAsk(m_prompter, m_backupDir, current)) {
        if (error)
            error->clear(); // the user said No: nothing more to tell
        return false;
    }
    const WriteOutcome outcome =
        writeAndVerify(runnerOver(m_link, parent), m_prompter, next, current);
    if (outcome.succeeded())
        return true;
    if (error)
        *error = writeFailureText(outcome, next, m_prompter);
    return false;
}

std::optional<ConfigBlock> LinkControllerAccess::firstBackup(const ConfigBlock& controller) const
{
    ConfigBlock image;
    if (!BackupFile(m_backupDir, ControllerKey(controller)).read(&image))
        return std::nullopt;
    return image;
}

QList<SerialPortEntry> LinkControllerAccess::serialPorts() const
{
    QList<SerialPortEntry> ports;
    for (const QString& device : candidateSerialPorts())
        ports.append({device, stablePortPath(device)});
    return ports;
}

void LinkControllerAccess::usePort(const QString& port)
{
    const QStringList ports = port.isEmpty() ? QStringList() : QStringList{port};
    if (ports == m_ports)
        return;
    m_ports = ports;
    // The controller found so far may sit on another port: the next Read searches again, and
    // nothing is written before it did.
    m_portChanged =
        m_connected && !ports.isEmpty() && resolvePortPath(port) != resolvePortPath(m_port);
}

bool openController(Prompter& prompter, LinkControllerAccess& access, ConfigBlock* block,
                    int* exitCode)
{
    *exitCode = 0;
    if (prompter.ask(M::MotorStopped, Prompter::Buttons::YesNo, Prompter::Icon::Warning) !=
        Prompter::Answer::Yes)
        return false;
    if (!access.connectController(nullptr))
        return false;
    QString error;
    if (!access.read(nullptr, block, &error)) {
        prompter.ask(M::ReadError, Prompter::Buttons::Ok, Prompter::Icon::Warning);
        *exitCode = 1;
        return false;
    }
    if (const int refusal = decideOpen(*block).refusalMessage()) {
        prompter.ask(refusal, Prompter::Buttons::Ok, Prompter::Icon::Warning);
        return false;
    }
    return true;
}
