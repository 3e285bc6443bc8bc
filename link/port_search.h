// The port search: every candidate port asked at the same time whether a controller is there.
#pragma once

#include "frame.h"
#include "serial_port.h"

#include <QString>
#include <QStringList>

class QThread;

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// Receives a copy of every frame sent (true) or received (false), for tracing.
using FrameTrace = std::function<void(bool sent, const std::uint8_t* bytes, int count)>;

// Writes the frame (length clamped to 16) after setting its checksum. Stale input is dropped
// first: a late or extra byte of an earlier reply must not become the start of the next one.
bool sendFrameOn(SerialPort& port, FrameBytes& frame, const FrameTrace& trace);

enum class ReplyStatus
{
    Complete,
    BadChecksum,
    NoReply,    // nothing arrived within the bound
    Incomplete, // part of a frame arrived within the bound
    PortFailed, // the port reported an error or went away
    Cancelled
};

// Assembles one reply into rx, waiting at most boundMs for all of it. With a cancel flag the
// wait is cut into short slices, so that a cancelled receive ends within one slice.
ReplyStatus receiveFrameOn(SerialPort& port, LinkClock& clock, int boundMs, FrameAssembler& rx,
                           const FrameTrace& trace, const std::atomic<bool>* cancel = nullptr,
                           QString* portError = nullptr);

// What one port said to the identify request.
struct PortProbe
{
    QString path;
    OpenError openError = OpenError::None; // None: opened and asked
    QString detail;                        // the system's words when it could not be opened
    QStringList refusedSettings;           // settings the port refused on the checked set-up
    bool controller = false;               // a controller answered
    std::unique_ptr<SerialPort> port;      // open while it may still be chosen
    std::vector<std::pair<bool, std::vector<std::uint8_t>>> frames; // sent and received
};

// Probes ports, each on its own port object with the same frames and line settings, each with
// its own time-out. In parallel mode every probe runs on a thread of its own from start(); in
// sequential mode (for simulated time) a probe runs when it is first waited for.
class PortSearch
{
public:
    PortSearch(SerialPortFactory factory, LinkClock& clock, int boundMs, bool parallel);
    ~PortSearch(); // cancels what still runs, waits for it and closes every port not taken
    PortSearch(const PortSearch&) = delete;
    PortSearch& operator=(const PortSearch&) = delete;

    void start(const QStringList& paths);
    int count() const { return static_cast<int>(m_probes.size()); }
    // Waits until port i is opened and set up (or could not be opened): openError and
    // refusedSettings are then known.
    PortProbe& waitOpened(int i);
    // Waits until probe i is done; its port stays open when a controller answered.
    PortProbe& wait(int i);
    // Cancels the probes still running, waits for them and closes every port but `keep`'s
    // (-1: all). Each port is closed on the thread that made it; the one kept is handed to the
    // calling thread.
    void finish(int keep = -1);

private:
    enum Stage
    {
        Pending,
        Opened,
        Done
    };
    void openStage(PortProbe& probe);
    void askStage(PortProbe& probe);
    void setStage(int i, Stage stage);
    PortProbe& waitFor(int i, Stage stage);

    SerialPortFactory m_factory;
    LinkClock& m_clock;
    int m_boundMs;
    bool m_parallel;
    std::vector<std::unique_ptr<PortProbe>> m_probes;
    std::vector<std::unique_ptr<QThread>> m_threads; // QThreads: the ports use socket notifiers
    std::vector<Stage> m_stages;
    std::atomic<bool> m_cancel{false};
    bool m_decided = false; // finish() was called; m_keep is the port taken (-1: none)
    int m_keep = -1;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    QThread* m_callerThread = nullptr;
};
