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
    found(searchBehindProgress(runnerOver(m_link, parent), m_link, m_prompter, m_ports));
    return m_connected;
}

void LinkControllerAccess::found(const ConnectResult& search)
{
    m_portChanged = false;
    m_connected = search.connected;
    if (search.connected)
        m_port = search.port;
}

OpenOutcome LinkControllerAccess::open(QWidget* parent, OpenOptions options)
{
    options.ports = m_ports;
    const OpenOutcome opened =
        openBehindProgress(runnerOver(m_link, parent), m_link, m_prompter, options);
    if (options.search)
        found(opened.search);
    // The first image of this controller is kept, as the wizard keeps it; a failure to save it
    // does not stop the read.
    if (opened.opened())
        BackupFile(m_backupDir, ControllerKey(opened.read.block)).saveIfMissing(opened.read.block);
    return opened;
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
    OpenOptions options;
    options.search = false;
    const OpenOutcome opened = open(parent, options);
    if (!opened.opened()) {
        if (error)
            *error = m_prompter.line(M::ReadStopped);
        return false;
    }
    *block = opened.read.block;
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

std::optional<OpenOutcome> openForMode(Prompter& prompter, LinkControllerAccess& access,
                                       bool convertLegacy, int* exitCode)
{
    *exitCode = 0;
    if (prompter.ask(M::MotorStopped, Prompter::Buttons::YesNo, Prompter::Icon::Warning) !=
        Prompter::Answer::Yes)
        return std::nullopt;
    OpenOptions options;
    options.convertLegacy = convertLegacy;
    const OpenOutcome opened = access.open(nullptr, options);
    switch (opened.result) {
    case OpenOutcome::Result::NoController:
        return std::nullopt;
    case OpenOutcome::Result::ReadFailed:
        prompter.ask(M::ReadError, Prompter::Buttons::Ok, Prompter::Icon::Warning);
        *exitCode = 1;
        return std::nullopt;
    case OpenOutcome::Result::Opened:
        break;
    }
    if (const int refusal = opened.decision.refusalMessage()) {
        prompter.ask(refusal, Prompter::Buttons::Ok, Prompter::Icon::Warning);
        return std::nullopt;
    }
    return opened;
}

bool openController(Prompter& prompter, LinkControllerAccess& access, ConfigBlock* block,
                    int* exitCode)
{
    const std::optional<OpenOutcome> opened = openForMode(prompter, access, false, exitCode);
    if (opened)
        *block = opened->read.block;
    return opened.has_value();
}
