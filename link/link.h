// The controller link: its state, one frame out and one frame in, the port search.
#pragma once

#include "frame.h"
#include "port_search.h"
#include "serial_port.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// The link's record: the open port, the transmit frame (whose bytes persist between sends),
// the frame being received and the serial devices found by the last search.
struct LinkState
{
    std::unique_ptr<SerialPort> port;
    QString portPath;
    // The name the port was found by: a link such as /dev/serial/by-id/... stays a link here,
    // so that a device plugged in again behind it is found again.
    QString portName;
    // The device failed under the port (an adapter pulled out): the next frame opens it afresh.
    bool portFailed = false;
    bool connected = false;
    FrameBytes txFrame{};
    FrameAssembler rx;
    QStringList portNames;
};

// A device the search could not open, and why.
struct PortProblem
{
    QString path;
    OpenError error = OpenError::None;
    QString detail;
};

struct ConnectResult
{
    bool connected = false;
    QString port; // the port the controller answered on
    QList<PortProblem> openFailures;
    QStringList probed; // every device that was opened and asked, in order
};

// Callbacks during a port search: the port being tried, and every configuring call that a
// port refused (the wizard shows a message for each).
struct ConnectObserver
{
    std::function<void(const QString& path)> probing;
    std::function<void(const QString& path, const QString& setting)> configureFailed;
};

// Every port of a search on which a controller answered, for work on all of them at once.
struct FindResult
{
    QStringList controllers; // in probe order
    QList<PortProblem> openFailures;
    QStringList silent; // opened and asked, but no controller answered
};

class Link
{
public:
    // The overall bound of one receive: the controller answers well within it.
    static constexpr int kReceiveBoundMs = 1500;

    explicit Link(SerialPortFactory factory = {}, LinkClock* clock = nullptr);
    ~Link();

    LinkState& state() { return m_state; }
    const LinkState& state() const { return m_state; }
    bool isConnected() const { return m_state.connected; }
    QString portPath() const { return m_state.portPath; }

    // Fills command and length of the transmit frame; data bytes are set by the caller and
    // keep their previous values otherwise.
    void setRequest(std::uint8_t command, std::uint8_t length);
    void setRequestData(int index, std::uint8_t value);

    // Discards stale input, writes checksum and frame. False when not connected or the write
    // failed. After the device failed, it is first opened again by the name it was found by,
    // and set up as after the search; no frame is sent while it is not back.
    bool SendFrame();
    // True when a complete reply with a correct checksum to the request's command arrived; it
    // is then in state().rx.
    bool ReceiveFrame();
    // Reply data byte i of the last received frame.
    std::uint8_t replyData(int i) const { return m_state.rx.data(i); }
    std::uint8_t replyLength() const { return m_state.rx.length(); }
    // Why the last exchange failed, for messages.
    QString lastError() const { return m_lastError; }

    // Fills portNames with the candidate devices in probe order and returns their number.
    int ListSerialPorts();
    // Probes the given devices, or when none are given, the candidate devices, all at the same
    // time; keeps the first in probe order on which a controller answers the identify command.
    // The search ends as soon as that port has answered; a later port answering sooner does
    // not win. The other ports are closed before this returns.
    ConnectResult ConnectController(const QStringList& explicitPaths = {},
                                    const ConnectObserver& observer = {});
    // Probes like ConnectController, waits for every port and closes them all: the ports on
    // which a controller answered. The link stays disconnected.
    FindResult FindControllers(const QStringList& explicitPaths = {},
                               const ConnectObserver& observer = {});
    // Probes run in parallel on their own threads by default; one after the other (and only
    // up to the first controller) where simulated time must stay exact. Off by default with an
    // injected clock.
    void setParallelSearch(bool parallel) { m_parallelSearch = parallel; }
    void disconnect();

    // The fixed waits between request and reply.
    void pause(int ms);

    void setTrace(FrameTrace trace) { m_trace = std::move(trace); }

private:
    // Disconnects, takes the given ports (or lists the candidates) and starts probing them.
    void startSearch(PortSearch& search, const QStringList& explicitPaths);
    // Reports port i of a search as the caller's thread sees it: open failure, or the port
    // being tried, its refused settings and its frames. False when it could not be opened.
    bool report(PortSearch& search, int i, QList<PortProblem>* failures,
                const ConnectObserver& observer);
    bool reopenPort();

    LinkState m_state;
    SerialPortFactory m_factory;
    LinkClock* m_clock;
    FrameTrace m_trace;
    QString m_lastError;
    bool m_parallelSearch = true;
};

// Candidate serial devices of this machine, in probe order: USB adapters (ttyUSB, then ttyACM)
// first, then the other ports, each group in natural order of its device path (ttyS2 before
// ttyS10).
QStringList candidateSerialPorts();
// The same ordering applied to any list of device paths.
QStringList sortPortPaths(QStringList paths);

// The device a path names, by its canonical path: a symbolic link such as
// /dev/serial/by-id/usb-... resolved to the device it points at, "/dev//pts/3" or a relative
// path spelt as /dev/pts/3; a path that names nothing as it is.
QString resolvePortPath(const QString& path);
// The stable name of a device: the link in `folder` that points at it (USB vendor, product
// and serial number), or an empty string.
QString stablePortPath(const QString& device,
                       const QString& folder = QStringLiteral("/dev/serial/by-id"));
