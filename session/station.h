// The production station: every port watched on its own, each controller that answers gets the
// document imported once, its result recorded before the next unit is taken. Front ends (norvelctl
// station, the station window) put its reports into words; the record is injected.
#pragma once

#include "unit_import.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QThread;

struct StationOptions
{
    QStringList ports; // empty: every candidate port, also those that appear later
    int units = 0;     // stop after this many units (0: no limit)
    ImportOptions import;
    int askEveryMs = 500; // a port is asked at least this often
    int askBoundMs = 300; // an ask without a reply within this counts as unanswered
};

// One unit as the record keeps it.
struct StationUnit
{
    QString port;
    QDateTime utc;         // when the controller first answered
    qint64 ms = 0;         // from the first answer until the row was written
    qint64 answeredMs = 0; // the station's monotonic clock at the first answer
    ConfigBlock identity;  // the block as read (as far as it was read): key, model, serial
    UnitImportOutcome outcome;

    bool passed() const { return outcome.passed(); }
    // The serial number as the configuration document spells it; "-" before the block was read.
    QString serial() const;
};

// The record, used from the station's record thread only.
class StationRecorder
{
public:
    virtual ~StationRecorder() = default;
    // True when a row can be written now; reconnects where it must. On false *error says why.
    virtual bool ready(QString* error) = 0;
    virtual bool write(const StationUnit& unit, QString* error) = 0;
    // At the end, on the same thread: connections are closed where they were made.
    virtual void close() {}
};

enum class PortPhase
{
    Waiting, // no controller, or the last one was taken away
    Working, // see percent
    Passed,  // the unit on the port passed; waiting for it to be taken away
    Failed,
};

struct PortStatus
{
    QString port;
    PortPhase phase = PortPhase::Waiting;
    int percent = 0;
    QString serial; // Working (once read), Passed, Failed
};

// Called from the station's threads; a front end hands them over to its own.
struct StationObserver
{
    std::function<void(const PortStatus&)> port;
    // After the unit's row was written.
    std::function<void(const StationUnit&)> unit;
    // The record stopped working (false, with the reason) or works again.
    std::function<void(bool works, const QString& error)> record;
};

class Station
{
public:
    Station(const ConfigDocument& doc, const StationOptions& options, StationRecorder& recorder,
            StationObserver observer);
    ~Station(); // finishes and waits
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // Checks the record first: false, with *error, when it cannot be written.
    bool start(QString* error);
    // No further unit is taken; the units in progress end and are recorded.
    void finish();
    // True once every port's work ended and every row was written.
    bool wait(int ms);
    bool ended() const { return m_ended; }
    int passed() const { return m_passed; }
    int failed() const { return m_failed; }
    // Held while the record is used: a hard exit takes it first, so that it never cuts a row.
    std::mutex& recordLock() { return m_recordLock; }

private:
    void watch();
    void addPort(const QString& port);
    void work(const QString& port);
    void recordLoop();
    // True when the record can be written now (asked of the record thread).
    bool recordReady();
    // Writes the unit's row and reports it; called with the record lock held.
    bool writeRow(StationUnit& unit, QString* error);
    bool stoppingLocked() const;
    bool reserveUnit();
    void releaseUnit();
    bool stopping() const;
    static qint64 nowMs();
    // Sleeps until `untilMs` or until the station finishes.
    void pauseUntil(qint64 untilMs);
    bool askOnce(const QString& port) const;
    void report(const PortStatus& status) const;

    ConfigDocument m_doc;
    StationOptions m_options;
    StationRecorder& m_recorder;
    StationObserver m_observer;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_finishing = false;
    int m_reserved = 0;      // units taken (guarded by m_mutex)
    int m_readyAsked = 0;    // ready checks asked of the record thread
    int m_readyAnswered = 0; // ... and answered
    bool m_readyAnswer = false;
    bool m_recordWorks = true;
    std::deque<StationUnit> m_queue; // units to record, in order
    qint64 m_queued = 0;             // units ever queued
    qint64 m_recorded = 0;           // ... and recorded
    bool m_startChecked = false;     // the record thread's first check is done
    QString m_startError;
    int m_workersRunning = 0;
    bool m_watching = false;
    QStringList m_portsWatched;

    std::mutex m_recordLock;
    std::vector<std::unique_ptr<QThread>> m_threads;
    std::atomic<bool> m_ended{false};
    std::atomic<int> m_passed{0};
    std::atomic<int> m_failed{0};
};
