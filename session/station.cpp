// The production station: one worker per port, one record thread.
#include "station.h"

#include "field_rules.h"
#include "link.h"
#include "port_search.h"
#include "system_serial_port.h"

#include <QThread>

#include <chrono>

namespace {

// Read and identify come first, then write and read-back: roughly a third and two thirds.
constexpr int kReadShare = 33;

} // namespace

QString StationUnit::serial() const
{
    if (!outcome.read.ok)
        return QStringLiteral("-");
    return fieldValueText(identity, Field::SerialNumber);
}

Station::Station(const ConfigDocument& doc, const StationOptions& options,
                 StationRecorder& recorder, StationObserver observer)
    : m_doc(doc), m_options(options), m_recorder(recorder), m_observer(std::move(observer))
{
}

Station::~Station()
{
    finish();
    wait(-1);
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& thread : m_threads)
        thread->wait();
}

qint64 Station::nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool Station::start(QString* error)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_watching = true;
    m_threads.emplace_back(QThread::create([this] { recordLoop(); }));
    m_threads.back()->start();
    m_changed.wait(lock, [this] { return m_startChecked; });
    if (!m_startError.isEmpty()) {
        m_finishing = true;
        m_watching = false;
        m_changed.notify_all();
        if (error)
            *error = m_startError;
        return false;
    }
    m_threads.emplace_back(QThread::create([this] { watch(); }));
    m_threads.back()->start();
    return true;
}

void Station::finish()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_finishing = true;
    m_changed.notify_all();
}

bool Station::wait(int ms)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const auto done = [this] { return m_ended.load(); };
    if (ms < 0) {
        m_changed.wait(lock, done);
        return true;
    }
    return m_changed.wait_for(lock, std::chrono::milliseconds(ms), done);
}

bool Station::stoppingLocked() const
{
    return m_finishing || (m_options.units > 0 && m_reserved >= m_options.units);
}

bool Station::stopping() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return stoppingLocked();
}

void Station::pauseUntil(qint64 untilMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const qint64 left = untilMs - nowMs();
    if (left > 0)
        m_changed.wait_for(lock, std::chrono::milliseconds(left),
                           [this] { return stoppingLocked(); });
}

bool Station::reserveUnit()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (stoppingLocked())
        return false;
    ++m_reserved;
    return true;
}

void Station::releaseUnit()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    --m_reserved;
    m_changed.notify_all();
}

void Station::report(const PortStatus& status) const
{
    if (m_observer.port)
        m_observer.port(status);
}

bool Station::askOnce(const QString& port) const
{
    PortSearch search([] { return std::make_unique<SystemSerialPort>(); }, systemClock(),
                      m_options.askBoundMs, false);
    search.start({resolvePortPath(port)});
    const bool answered = search.wait(0).controller;
    search.finish();
    return answered;
}

void Station::watch()
{
    if (!m_options.ports.isEmpty()) {
        for (const QString& port : m_options.ports)
            addPort(port);
    } else {
        // Adapters plugged in later are found on the next round.
        while (!stopping()) {
            const qint64 round = nowMs();
            for (const QString& port : candidateSerialPorts()) {
                bool known;
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    known = m_portsWatched.contains(port);
                }
                if (!known)
                    addPort(port);
            }
            pauseUntil(round + m_options.askEveryMs);
        }
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_watching = false;
    m_changed.notify_all();
}

void Station::addPort(const QString& port)
{
    report({port, PortPhase::Waiting, 0, QString()});
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_finishing)
        return;
    m_portsWatched << port;
    ++m_workersRunning;
    m_threads.emplace_back(QThread::create([this, port] { work(port); }));
    m_threads.back()->start();
}

void Station::work(const QString& port)
{
    while (!stopping()) {
        const qint64 asked = nowMs();
        if (!askOnce(port) || !recordReady() || !reserveUnit()) {
            pauseUntil(asked + m_options.askEveryMs);
            continue;
        }
        StationUnit unit;
        unit.port = port;
        unit.answeredMs = nowMs();
        unit.utc = QDateTime::currentDateTimeUtc();
        PortStatus status{port, PortPhase::Working, 0, QString()};
        bool writing = false;
        LinkObservers observers;
        observers.transfer.step = [&](TransferStep step) {
            writing = writing || step == TransferStep::Writing;
        };
        observers.transfer.progress = [&](int done, int total) {
            const int share = writing ? 100 - kReadShare : kReadShare;
            status.percent = (writing ? kReadShare : 0) + share * done / qMax(1, total);
            report(status);
        };
        Link link;
        OpenOptions options;
        options.ports = {port};
        const OpenOutcome opened = openController(
            [&](OpenPhase phase, const OpenJob& job) {
                if (phase == OpenPhase::Reading)
                    report(status); // the unit is being worked on once it answered the search
                return job(link, observers);
            },
            options);
        if (opened.result == OpenOutcome::Result::NoController) {
            releaseUnit(); // gone again before it was taken: no unit
            continue;
        }
        unit.outcome = importOnto(link, opened, m_doc, m_options.import, observers.transfer);
        link.disconnect();
        unit.identity = unit.outcome.read.block;
        status.serial = unit.serial();
        const bool passed = unit.passed();
        qint64 sequence;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_queue.push_back(std::move(unit));
            sequence = ++m_queued;
            m_changed.notify_all();
            m_changed.wait(lock, [&] { return m_recorded >= sequence; });
        }
        status.phase = passed ? PortPhase::Passed : PortPhase::Failed;
        status.percent = 100;
        report(status);
        // The same controller is never written twice: it must stop answering first.
        while (!stopping()) {
            const qint64 again = nowMs();
            if (!askOnce(port))
                break;
            pauseUntil(again + m_options.askEveryMs);
        }
        if (!stopping())
            report({port, PortPhase::Waiting, 0, QString()});
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    --m_workersRunning;
    m_changed.notify_all();
}

bool Station::writeRow(StationUnit& unit, QString* error)
{
    // The line goes with the row (the caller holds the record lock): a hard exit cuts neither.
    unit.ms = nowMs() - unit.answeredMs;
    if (!m_recorder.write(unit, error))
        return false;
    (unit.passed() ? m_passed : m_failed)++;
    if (m_observer.unit)
        m_observer.unit(unit);
    return true;
}

bool Station::recordReady()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_recordWorks)
        return false;
    const int ticket = ++m_readyAsked;
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return m_readyAnswered >= ticket || m_ended; });
    return m_readyAnswer && m_readyAnswered >= ticket;
}

void Station::recordLoop()
{
    constexpr int kRetryMs = 500;
    QString error;
    bool ok;
    {
        std::lock_guard<std::mutex> hold(m_recordLock);
        ok = m_recorder.ready(&error);
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    m_startChecked = true;
    m_startError = ok ? QString() : (error.isEmpty() ? QStringLiteral("unknown error") : error);
    m_changed.notify_all();
    qint64 lastTry = nowMs();
    while (ok) {
        if (!m_watching && m_workersRunning == 0 && m_queue.empty())
            break;
        if (!m_recordWorks) {
            // Retried on its own: the row that failed is written first, and only then does
            // the record count as working again.
            if (nowMs() - lastTry >= kRetryMs) {
                const bool pending = !m_queue.empty();
                StationUnit unit = pending ? m_queue.front() : StationUnit();
                lock.unlock();
                bool works;
                {
                    std::lock_guard<std::mutex> hold(m_recordLock);
                    works = pending ? writeRow(unit, &error) : m_recorder.ready(&error);
                }
                lastTry = nowMs();
                lock.lock();
                if (works) {
                    if (pending) {
                        m_queue.pop_front();
                        ++m_recorded;
                    }
                    m_recordWorks = true;
                    if (m_observer.record)
                        m_observer.record(true, QString());
                    m_changed.notify_all();
                    continue;
                }
            }
        } else if (m_readyAnswered < m_readyAsked) {
            const int asked = m_readyAsked;
            lock.unlock();
            bool works;
            {
                std::lock_guard<std::mutex> hold(m_recordLock);
                works = m_recorder.ready(&error);
            }
            lock.lock();
            lastTry = nowMs();
            if (!works) {
                m_recordWorks = false;
                if (m_observer.record)
                    m_observer.record(false, error);
            }
            m_readyAnswer = works;
            m_readyAnswered = asked;
            m_changed.notify_all();
            continue;
        } else if (!m_queue.empty()) {
            StationUnit unit = m_queue.front();
            lock.unlock();
            bool written;
            {
                std::lock_guard<std::mutex> hold(m_recordLock);
                written = writeRow(unit, &error);
            }
            lastTry = nowMs();
            lock.lock();
            if (written) {
                m_queue.pop_front();
                ++m_recorded;
            } else {
                m_recordWorks = false;
                if (m_observer.record)
                    m_observer.record(false, error);
            }
            m_changed.notify_all();
            continue;
        }
        // Unanswered checks are answered "no" while the record fails.
        if (!m_recordWorks && m_readyAnswered < m_readyAsked) {
            m_readyAnswer = false;
            m_readyAnswered = m_readyAsked;
            m_changed.notify_all();
        }
        m_changed.wait_for(lock, std::chrono::milliseconds(m_recordWorks ? 100 : 50));
    }
    lock.unlock();
    {
        std::lock_guard<std::mutex> hold(m_recordLock);
        m_recorder.close();
    }
    lock.lock();
    m_ended = true;
    m_changed.notify_all();
}
