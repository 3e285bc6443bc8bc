// The controller link: its state, one frame out and one frame in, the port search.
#include "link.h"

#include "system_serial_port.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>

namespace {

QStringList resolvePortPaths(const QStringList& paths)
{
    QStringList resolved;
    for (const QString& path : paths)
        resolved.append(resolvePortPath(path));
    return resolved;
}

} // namespace

Link::Link(SerialPortFactory factory, LinkClock* clock)
    : m_factory(std::move(factory)), m_clock(clock ? clock : &systemClock()),
      m_parallelSearch(clock == nullptr)
{
    if (!m_factory)
        m_factory = [] { return std::make_unique<SystemSerialPort>(); };
}

Link::~Link()
{
    disconnect();
}

void Link::setRequest(std::uint8_t command, std::uint8_t length)
{
    m_state.txFrame[0] = command;
    m_state.txFrame[1] = length;
}

void Link::setRequestData(int index, std::uint8_t value)
{
    m_state.txFrame[static_cast<std::size_t>(2 + index)] = value;
}

bool Link::SendFrame()
{
    if (!m_state.connected || !m_state.port)
        return false;
    if (m_state.portFailed && !reopenPort()) {
        m_lastError = QStringLiteral("%1 is gone").arg(m_state.portName);
        return false;
    }
    const bool ok = sendFrameOn(*m_state.port, m_state.txFrame, m_trace);
    if (!ok) {
        m_lastError = QStringLiteral("could not write to %1").arg(m_state.portPath);
        m_state.portFailed = true;
    }
    return ok;
}

bool Link::reopenPort()
{
    // Plugged in again, the adapter is a new device, perhaps under another device name behind
    // the same link; the descriptor still held is the old one's.
    const QString path = resolvePortPath(m_state.portName);
    m_state.port->close();
    QString detail;
    if (m_state.port->open(path, &detail) != OpenError::None)
        return false;
    m_state.port->configure();
    m_state.portPath = path;
    m_state.portFailed = false;
    return true;
}

bool Link::ReceiveFrame()
{
    if (!m_state.connected || !m_state.port)
        return false;
    QString portError;
    switch (receiveFrameOn(*m_state.port, *m_clock, kReceiveBoundMs, m_state.rx, m_trace, nullptr,
                           &portError)) {
    case ReplyStatus::Complete:
        // A reply to another command (a late one to an earlier request) answers nothing here.
        if (m_state.rx.frame()[0] != m_state.txFrame[0]) {
            m_lastError = QStringLiteral("reply to another command (%1, 0x%2)")
                              .arg(QLatin1String(commandName(m_state.rx.frame()[0])))
                              .arg(m_state.rx.frame()[0], 2, 16, QLatin1Char('0'));
            return false;
        }
        return true;
    case ReplyStatus::BadChecksum:
        m_lastError = QStringLiteral("reply with a bad checksum");
        return false;
    case ReplyStatus::NoReply:
        m_lastError = QStringLiteral("no reply");
        return false;
    case ReplyStatus::Incomplete:
        m_lastError = QStringLiteral("incomplete reply");
        return false;
    case ReplyStatus::PortFailed:
        m_lastError = QStringLiteral("port failed: %1").arg(portError);
        m_state.portFailed = true;
        return false;
    case ReplyStatus::Cancelled:
        break;
    }
    m_lastError = QStringLiteral("cancelled");
    return false;
}

void Link::pause(int ms)
{
    m_clock->sleepMs(ms);
}

int Link::ListSerialPorts()
{
    m_state.portNames = candidateSerialPorts();
    return static_cast<int>(m_state.portNames.size());
}

void Link::startSearch(PortSearch& search, const QStringList& explicitPaths)
{
    disconnect();
    if (explicitPaths.isEmpty())
        ListSerialPorts();
    else
        m_state.portNames = resolvePortPaths(explicitPaths);
    search.start(m_state.portNames);
}

bool Link::report(PortSearch& search, int i, QList<PortProblem>* failures,
                  const ConnectObserver& observer)
{
    const PortProbe& opened = search.waitOpened(i);
    if (opened.openError != OpenError::None) {
        failures->append({opened.path, opened.openError, opened.detail});
        return false;
    }
    if (observer.probing)
        observer.probing(opened.path);
    for (const QString& setting : opened.refusedSettings)
        if (observer.configureFailed)
            observer.configureFailed(opened.path, setting);
    const PortProbe& done = search.wait(i);
    if (m_trace)
        for (const auto& [sent, bytes] : done.frames)
            m_trace(sent, bytes.data(), static_cast<int>(bytes.size()));
    return true;
}

ConnectResult Link::ConnectController(const QStringList& explicitPaths,
                                      const ConnectObserver& observer)
{
    ConnectResult result;
    PortSearch search(m_factory, *m_clock, kReceiveBoundMs, m_parallelSearch);
    startSearch(search, explicitPaths);
    int chosen = -1;
    for (int i = 0; i < search.count() && chosen < 0; ++i) {
        if (!report(search, i, &result.openFailures, observer))
            continue;
        result.probed.append(search.wait(i).path);
        if (search.wait(i).controller)
            chosen = i;
    }
    search.finish(chosen);
    if (chosen < 0) {
        m_lastError = QStringLiteral("no controller answered");
        return result;
    }
    PortProbe& winner = search.wait(chosen);
    m_state.port = std::move(winner.port);
    m_state.portPath = winner.path;
    m_state.portName = explicitPaths.isEmpty() ? winner.path : explicitPaths.value(chosen);
    m_state.connected = true;
    result.connected = true;
    result.port = winner.path;
    return result;
}

FindResult Link::FindControllers(const QStringList& explicitPaths, const ConnectObserver& observer)
{
    FindResult result;
    PortSearch search(m_factory, *m_clock, kReceiveBoundMs, m_parallelSearch);
    startSearch(search, explicitPaths);
    for (int i = 0; i < search.count(); ++i) {
        if (!report(search, i, &result.openFailures, observer))
            continue;
        const PortProbe& probe = search.wait(i);
        (probe.controller ? result.controllers : result.silent).append(probe.path);
    }
    search.finish();
    return result;
}

void Link::disconnect()
{
    if (m_state.port)
        m_state.port->close();
    m_state.port.reset();
    m_state.connected = false;
    m_state.portPath.clear();
    m_state.portName.clear();
    m_state.portFailed = false;
}

namespace {

// Compares runs of digits by their value, so that ttyS2 sorts before ttyS10 in any locale.
bool naturalLess(const QString& a, const QString& b)
{
    int i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            int ei = i, ej = j;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            const qulonglong na = a.mid(i, ei - i).toULongLong();
            const qulonglong nb = b.mid(j, ej - j).toULongLong();
            if (na != nb)
                return na < nb;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

} // namespace

QStringList sortPortPaths(QStringList paths)
{
    auto group = [](const QString& path) {
        if (path.contains(QLatin1String("ttyUSB")))
            return 0;
        if (path.contains(QLatin1String("ttyACM")))
            return 1;
        return 2;
    };
    std::stable_sort(paths.begin(), paths.end(), [&](const QString& a, const QString& b) {
        const int ga = group(a), gb = group(b);
        if (ga != gb)
            return ga < gb;
        return naturalLess(a, b);
    });
    paths.removeDuplicates();
    return paths;
}

QStringList candidateSerialPorts()
{
    QStringList paths;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports)
        paths.append(info.systemLocation());
    return sortPortPaths(paths);
}

QString resolvePortPath(const QString& path)
{
    // One device reached by two names (a link, "/dev//pts/3", "/dev/./ttyUSB0", a relative
    // path) would take two lock files: open it by its own name.
    const QString target = QFileInfo(path).canonicalFilePath();
    return target.isEmpty() ? path : target;
}

QString stablePortPath(const QString& device, const QString& folder)
{
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty())
        return {};
    const QFileInfoList links = QDir(folder).entryInfoList(QDir::System | QDir::Files, QDir::Name);
    for (const QFileInfo& link : links)
        if (link.isSymLink() && link.canonicalFilePath() == target)
            return link.absoluteFilePath();
    return {};
}
