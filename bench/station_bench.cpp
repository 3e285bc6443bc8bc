// Times the production station on the paced simulator's line: each unit from its first answer
// to its recorded PASS against the read + write + verify floor, four ports against one, and what
// a row of the SQLite record costs. Prints the figures; asserts nothing.
#include "bench_support.h"
#include "config_document.h"
#include "record_target.h"
#include "sim_server.h"
#include "station.h"
#include "station_recorder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <memory>
#include <mutex>

namespace {

// Keeps nothing: the station's own time, without a record.
class NoRecord : public StationRecorder
{
public:
    bool ready(QString*) override { return true; }
    bool write(const StationUnit&, QString*) override { return true; }
};

struct LineRun
{
    std::vector<double> unitMs; // first answer to the row written, per unit
    double totalMs = 0;
    int passed = 0;
};

// Runs `units` units on each of `ports` simulated lines at once.
bool runLines(int ports, int units, const ConfigDocument& doc, StationRecorder& recorder,
              const QString& backupDir, LineRun* run)
{
    std::vector<std::unique_ptr<SimServer>> lines;
    StationOptions options;
    for (int i = 0; i < ports; ++i) {
        SimOptions sim;
        sim.pace = true;
        sim.line.units = units;
        sim.line.pauseMs = 300;
        lines.push_back(std::make_unique<SimServer>(sim));
        QString error;
        if (!lines.back()->start(&error)) {
            std::fprintf(stderr, "cannot start the simulator: %s\n", qPrintable(error));
            return false;
        }
        options.ports << lines.back()->devicePath();
    }
    options.units = ports * units;
    options.import.backupFolder = backupDir;
    std::mutex mutex;
    StationObserver observer;
    observer.unit = [&](const StationUnit& unit) {
        std::lock_guard<std::mutex> lock(mutex);
        run->unitMs.push_back(static_cast<double>(unit.ms));
    };
    Station station(doc, options, recorder, observer);
    QElapsedTimer t;
    t.start();
    QString error;
    if (!station.start(&error)) {
        std::fprintf(stderr, "the station did not start: %s\n", qPrintable(error));
        return false;
    }
    while (!station.wait(100))
        QCoreApplication::processEvents();
    run->totalMs = t.nsecsElapsed() / 1e6;
    run->passed = station.passed();
    return run->passed == ports * units;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int units = argc > 1 ? std::max(2, atoi(argv[1])) : 4;
    QTemporaryDir dir;
    QList<DocumentError> errors;
    const ConfigDocument doc = documentFromAssignments({"MaxMotorCurrent=55"}, &errors);
    const double floor = transferFloors().verified;

    NoRecord none;
    LineRun one, four;
    if (!runLines(1, units, doc, none, dir.filePath("one"), &one) ||
        !runLines(4, units, doc, none, dir.filePath("four"), &four)) {
        std::fprintf(stderr, "not every unit passed\n");
        return 1;
    }
    std::printf("one port:   %d units, per unit %7.1f ms (median), floor %7.1f ms, over the floor "
                "%6.1f ms (target at most 300)\n",
                units, median(one.unitMs), floor, median(one.unitMs) - floor);
    std::printf("four ports: %d units, per unit %7.1f ms (median), all in %.0f ms against %.0f ms "
                "for one port: ratio %.2f (target 1.2)\n",
                4 * units, median(four.unitMs), four.totalMs, one.totalMs,
                four.totalMs / one.totalMs);

    // The record: rows written one by one into an SQLite file, as the station writes them.
    RecordTarget target;
    QString error;
    if (!RecordTarget::parse(dir.filePath("record.sqlite"), &target, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    SqlStationRecorder recorder(target, QStringLiteral("bench"), dir.filePath("doc.json"),
                                doc.toJson());
    if (!recorder.ready(&error)) {
        std::fprintf(stderr, "the record cannot be used: %s\n", qPrintable(error));
        return 1;
    }
    StationUnit unit;
    unit.port = QStringLiteral("/dev/bench");
    unit.utc = QDateTime::currentDateTimeUtc();
    std::vector<double> rows;
    for (int i = 0; i < 50; ++i) {
        QElapsedTimer t;
        t.start();
        if (!recorder.write(unit, &error)) {
            std::fprintf(stderr, "a row was not written: %s\n", qPrintable(error));
            return 1;
        }
        rows.push_back(t.nsecsElapsed() / 1e6);
    }
    recorder.close();
    std::printf("record:     a row on SQLite %6.2f ms (median of 50; target under 20)\n",
                median(rows));
    return 0;
}
