// The port search: every candidate port asked at the same time whether a controller is there.
#include "port_search.h"

#include <QThread>

#include <algorithm>

namespace {

// Longest wait of one read while a receive may be cancelled.
constexpr int kCancelSliceMs = 20;

} // namespace

bool sendFrameOn(SerialPort& port, FrameBytes& frame, const FrameTrace& trace)
{
    const int size = sealFrame(frame);
    port.discardInput();
    if (trace)
        trace(true, frame.data(), size);
    return port.write(frame.data(), size);
}

ReplyStatus receiveFrameOn(SerialPort& port, LinkClock& clock, int boundMs, FrameAssembler& rx,
                           const FrameTrace& trace, const std::atomic<bool>* cancel,
                           QString* portError)
{
    rx.reset();
    const std::int64_t deadline = clock.nowMs() + boundMs;
    for (;;) {
        if (cancel && cancel->load())
            return ReplyStatus::Cancelled;
        const std::int64_t remaining = deadline - clock.nowMs();
        if (remaining <= 0) {
            if (rx.count() == 0)
                return ReplyStatus::NoReply;
            if (trace)
                trace(false, rx.frame().data(), rx.count());
            return ReplyStatus::Incomplete;
        }
        const int wait = cancel
                             ? static_cast<int>(std::min<std::int64_t>(remaining, kCancelSliceMs))
                             : static_cast<int>(remaining);
        const ReadResult read = port.read(kMaxFrameSize, wait);
        if (read.failed) {
            if (portError)
                *portError = read.error;
            return ReplyStatus::PortFailed;
        }
        for (std::uint8_t byte : read.bytes) {
            const auto status = rx.feed(byte);
            if (status == FrameAssembler::Status::Incomplete)
                continue;
            if (trace)
                trace(false, rx.frame().data(), rx.count());
            // Whatever else came with this read is not part of the reply.
            return status == FrameAssembler::Status::BadChecksum ? ReplyStatus::BadChecksum
                                                                 : ReplyStatus::Complete;
        }
    }
}

PortSearch::PortSearch(SerialPortFactory factory, LinkClock& clock, int boundMs, bool parallel)
    : m_factory(std::move(factory)), m_clock(clock), m_boundMs(boundMs), m_parallel(parallel)
{
}

PortSearch::~PortSearch()
{
    finish();
}

void PortSearch::start(const QStringList& paths)
{
    m_callerThread = QThread::currentThread();
    for (const QString& path : paths) {
        auto probe = std::make_unique<PortProbe>();
        probe->path = path;
        m_probes.push_back(std::move(probe));
    }
    m_stages.assign(m_probes.size(), Pending);
    if (!m_parallel)
        return;
    m_threads.reserve(m_probes.size());
    for (int i = 0; i < count(); ++i) {
        m_threads.emplace_back(QThread::create([this, i] {
            PortProbe& probe = *m_probes[static_cast<std::size_t>(i)];
            openStage(probe);
            setStage(i, Opened);
            if (probe.openError == OpenError::None)
                askStage(probe);
            // Nothing to choose: the port is closed on the thread that made it.
            if (probe.port && !probe.controller) {
                probe.port->close();
                probe.port.reset();
            }
            setStage(i, Done);
            if (!probe.port)
                return;
            // A controller: wait for the caller's choice, then hand the port over or close it.
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [this] { return m_decided; });
            if (i == m_keep) {
                probe.port->moveToThread(m_callerThread);
            } else {
                probe.port->close();
                probe.port.reset();
            }
        }));
        m_threads.back()->start();
    }
}

void PortSearch::openStage(PortProbe& probe)
{
    auto port = m_factory();
    probe.openError = port->open(probe.path, &probe.detail);
    if (probe.openError != OpenError::None)
        return;
    probe.refusedSettings = port->configure();
    // The controller expects a freshly opened line: open it once more and set it up again,
    // this time without looking at the results.
    port->close();
    QString detail;
    if (port->open(probe.path, &detail) == OpenError::None)
        port->configure();
    probe.port = std::move(port);
}

void PortSearch::askStage(PortProbe& probe)
{
    const FrameTrace record = [&probe](bool sent, const std::uint8_t* bytes, int n) {
        probe.frames.emplace_back(sent, std::vector<std::uint8_t>(bytes, bytes + n));
    };
    FrameBytes request{};
    request[0] = CMD_IDENTIFY;
    request[1] = 0;
    FrameAssembler rx;
    // A controller answers the identify command with at least three data bytes, the third
    // being 1 or 2.
    probe.controller = sendFrameOn(*probe.port, request, record) &&
                       receiveFrameOn(*probe.port, m_clock, m_boundMs, rx, record,
                                      m_parallel ? &m_cancel : nullptr) == ReplyStatus::Complete &&
                       rx.frame()[0] == CMD_IDENTIFY && rx.length() >= 3 &&
                       (rx.data(2) == 1 || rx.data(2) == 2);
}

void PortSearch::setStage(int i, Stage stage)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stages[static_cast<std::size_t>(i)] = stage;
    }
    m_changed.notify_all();
}

PortProbe& PortSearch::waitFor(int i, Stage stage)
{
    PortProbe& probe = *m_probes.at(static_cast<std::size_t>(i));
    if (!m_parallel) {
        if (m_stages[static_cast<std::size_t>(i)] == Pending) {
            openStage(probe);
            m_stages[static_cast<std::size_t>(i)] = Opened;
        }
        if (stage == Done && m_stages[static_cast<std::size_t>(i)] == Opened) {
            if (probe.openError == OpenError::None)
                askStage(probe);
            m_stages[static_cast<std::size_t>(i)] = Done;
        }
        return probe;
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [&] { return m_stages[static_cast<std::size_t>(i)] >= stage; });
    return probe;
}

PortProbe& PortSearch::waitOpened(int i)
{
    return waitFor(i, Opened);
}

PortProbe& PortSearch::wait(int i)
{
    return waitFor(i, Done);
}

void PortSearch::finish(int keep)
{
    m_cancel = true;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_decided)
            m_keep = keep;
        m_decided = true;
    }
    m_changed.notify_all();
    for (const auto& thread : m_threads)
        thread->wait();
    m_threads.clear();
    for (int i = 0; i < count(); ++i) {
        PortProbe& probe = *m_probes[static_cast<std::size_t>(i)];
        if (i != keep && probe.port) {
            probe.port->close();
            probe.port.reset();
        }
    }
}
