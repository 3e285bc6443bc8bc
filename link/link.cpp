// The controller link: its state, one frame out and one frame in, the port search.
#include "link.h"

#include "system_serial_port.h"

#include <QSerialPortInfo>

#include <algorithm>

Link::Link(SerialPortFactory factory, LinkClock* clock)
    : m_factory(std::move(factory)), m_clock(clock ? clock : &systemClock())
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
    auto& tx = m_state.txFrame;
    const int length = std::min<int>(tx[1], kMaxFrameData);
    tx[static_cast<std::size_t>(length + 2)] =
        frameChecksum(tx.data(), static_cast<std::size_t>(length + 2));
    // A late or extra byte of an earlier reply must not become the start of the next one.
    m_state.port->discardInput();
    const int size = length + kFrameOverhead;
    if (m_trace)
        m_trace(true, tx.data(), size);
    const bool ok = m_state.port->write(tx.data(), size);
    if (!ok)
        m_lastError = QStringLiteral("could not write to %1").arg(m_state.portPath);
    return ok;
}

bool Link::ReceiveFrame()
{
    if (!m_state.connected || !m_state.port)
        return false;
    auto& rx = m_state.rx;
    rx.reset();
    const std::int64_t deadline = m_clock->nowMs() + kReceiveBoundMs;
    for (;;) {
        const std::int64_t remaining = deadline - m_clock->nowMs();
        if (remaining <= 0) {
            m_lastError =
                rx.count() > 0 ? QStringLiteral("incomplete reply") : QStringLiteral("no reply");
            if (m_trace && rx.count() > 0)
                m_trace(false, rx.frame().data(), rx.count());
            return false;
        }
        const ReadResult read = m_state.port->read(kMaxFrameSize, static_cast<int>(remaining));
        if (read.failed) {
            m_lastError = QStringLiteral("port failed: %1").arg(read.error);
            return false;
        }
        for (std::uint8_t byte : read.bytes) {
            const auto status = rx.feed(byte);
            if (status == FrameAssembler::Status::Incomplete)
                continue;
            if (m_trace)
                m_trace(false, rx.frame().data(), rx.count());
            // Whatever else came with this read is not part of the reply.
            if (status == FrameAssembler::Status::BadChecksum) {
                m_lastError = QStringLiteral("reply with a bad checksum");
                return false;
            }
            return true;
        }
    }
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

ConnectResult Link::ConnectController(const QStringList& explicitPaths,
                                      const ConnectObserver& observer)
{
    ConnectResult result;
    disconnect();
    if (explicitPaths.isEmpty())
        ListSerialPorts();
    else
        m_state.portNames = explicitPaths;
    for (const QString& path : std::as_const(m_state.portNames)) {
        if (probe(path, result, observer)) {
            result.connected = true;
            result.port = path;
            return result;
        }
    }
    m_lastError = QStringLiteral("no controller answered");
    return result;
}

bool Link::probe(const QString& path, ConnectResult& result, const ConnectObserver& observer)
{
    auto port = m_factory();
    QString detail;
    const OpenError error = port->open(path, &detail);
    if (error != OpenError::None) {
        result.openFailures.append({path, error, detail});
        return false;
    }
    if (observer.probing)
        observer.probing(path);
    result.probed.append(path);
    for (const QString& setting : port->configure()) {
        if (observer.configureFailed)
            observer.configureFailed(path, setting);
    }
    // The controller expects a freshly opened line: open it once more and set it up again,
    // this time without looking at the results.
    port->close();
    if (port->open(path, &detail) == OpenError::None)
        port->configure();

    m_state.port = std::move(port);
    m_state.portPath = path;
    m_state.connected = true;
    setRequest(CMD_IDENTIFY, 0);
    SendFrame();
    // A controller answers with at least three data bytes, the third being 1 or 2.
    if (ReceiveFrame() && replyLength() >= 3 && (replyData(2) == 1 || replyData(2) == 2))
        return true;
    disconnect();
    return false;
}

void Link::disconnect()
{
    if (m_state.port)
        m_state.port->close();
    m_state.port.reset();
    m_state.connected = false;
    m_state.portPath.clear();
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
