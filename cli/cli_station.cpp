// norvelctl station and records: the production station on the command line, and its record.
#include "cli_tool.h"

#include "config_document.h"
#include "file_io.h"
#include "station.h"
#include "station_recorder.h"
#include "unit_reason.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <mutex>

namespace {

constexpr int kExitInterrupted = 130; // as a shell reports a program ended by SIGINT

std::atomic<int> g_interrupts{0};
std::atomic<bool> g_countAsked{false};

extern "C" void onInterrupt(int)
{
    g_interrupts.fetch_add(1);
}

extern "C" void onCountAsked(int)
{
    g_countAsked = true;
}

// SIGINT and SIGTERM counted, SIGUSR1 asks for the count; the old handlers come back after.
class SignalScope
{
public:
    SignalScope()
    {
        g_interrupts = 0;
        g_countAsked = false;
        struct sigaction action = {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &m_old[0]);
        sigaction(SIGTERM, &action, &m_old[1]);
        action.sa_handler = onCountAsked;
        sigaction(SIGUSR1, &action, &m_old[2]);
    }
    ~SignalScope()
    {
        sigaction(SIGINT, &m_old[0], nullptr);
        sigaction(SIGTERM, &m_old[1], nullptr);
        sigaction(SIGUSR1, &m_old[2], nullptr);
    }

private:
    struct sigaction m_old[3];
};

QString csvField(const QString& text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1String("\""), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

} // namespace

bool CliTool::recordTarget(const QString& text, RecordTarget* target)
{
    QString error;
    if (RecordTarget::parse(text.isEmpty() ? RecordTarget::defaultFile() : text, target, &error))
        return true;
    fail(error, kExitUsage);
    return false;
}

int CliTool::station(const CliRequest& request)
{
    const CliStationOptions& asked = request.station;
    StationOptions options;
    options.ports = request.ports;
    options.units = asked.units;
    options.import.backupFolder = backupDirectory();
    RecordTarget target;
    if (!recordTarget(asked.record, &target))
        return kExitUsage;

    const QString path = request.words.first();
    QByteArray content;
    QString error;
    if (!readFileCapped(path, kDocumentSizeCap, &content, &error))
        return fail(error, kExitUsage);
    QList<DocumentError> errors;
    const ConfigDocument doc = ConfigDocument::parse(content, &errors);
    for (const DocumentError& e : errors)
        m_err << "norvelctl: " << path << ": " << e.message << Qt::endl;
    if (!errors.isEmpty())
        return fail(QStringLiteral("nothing written"), kExitUsage);
    if (!request.write.yes && !askMotorStopped())
        return fail(QStringLiteral("nothing written"), kExitUsage);

    SqlStationRecorder recorder(target, asked.operatorName, path, content);
    std::mutex output;
    StationObserver observer;
    observer.unit = [&](const StationUnit& unit) {
        std::lock_guard<std::mutex> lock(output);
        m_out << unit.port << ' ' << unit.serial() << ' ' << (unit.passed() ? "PASS " : "FAIL ")
              << unitReasonText(unit.outcome) << " ("
              << QString::number(static_cast<double>(unit.ms) / 1000.0, 'f', 2) << " s)"
              << Qt::endl;
    };
    observer.record = [&](bool works, const QString& error) {
        std::lock_guard<std::mutex> lock(output);
        if (works)
            m_err << "norvelctl: the record " << target.display()
                  << " works again; units are taken again" << Qt::endl;
        else
            m_err << "norvelctl: the record " << target.display() << " fails (" << error
                  << "); no further unit is taken until it works" << Qt::endl;
    };
    Station station(doc, options, recorder, observer);
    const SignalScope signalScope;
    if (!station.start(&error))
        return fail(QStringLiteral("cannot use the record %1: %2").arg(target.display(), error),
                    kExitLink);
    m_err << "Station: " << path << " (SHA-256 " << recorder.documentSha256() << "), record "
          << target.display() << ", watching "
          << (options.ports.isEmpty() ? QStringLiteral("every serial port")
                                      : options.ports.join(QStringLiteral(", ")))
          << Qt::endl;
    const auto countLine = [&] {
        std::lock_guard<std::mutex> lock(output);
        m_out << "station: " << station.passed() << " passed, " << station.failed() << " failed"
              << Qt::endl;
    };
    bool finishing = false;
    while (!station.wait(50)) {
        if (g_interrupts >= 2) {
            // Never in the middle of a row: the record is let go first.
            station.recordLock().lock();
            m_out.flush();
            m_err << "norvelctl: interrupted; units in progress are not recorded" << Qt::endl;
            std::_Exit(kExitInterrupted);
        }
        if (g_interrupts == 1 && !finishing) {
            finishing = true;
            station.finish();
            std::lock_guard<std::mutex> lock(output);
            m_err << "norvelctl: finishing the units in progress (Ctrl+C again ends at once)"
                  << Qt::endl;
        }
        if (g_countAsked.exchange(false))
            countLine();
    }
    countLine();
    return station.failed() > 0 ? kExitLink : kExitOk;
}

int CliTool::records(const CliRequest& request)
{
    const CliStationOptions& asked = request.station;
    RecordFilter filter;
    filter.serial = asked.serial;
    filter.since = asked.since;
    if (asked.passed)
        filter.result = *asked.passed ? 1 : 0;
    RecordTarget target;
    if (!recordTarget(asked.record, &target))
        return kExitUsage;
    StationRecord record(target);
    QList<RecordRow> rows;
    QString error;
    if (!record.open(&error) || !record.select(filter, &rows, &error))
        return fail(QStringLiteral("cannot read the record %1: %2").arg(target.display(), error),
                    kExitLink);
    if (asked.csv) {
        m_out << "time_utc,station,port,operator,document,document_sha256,controller_key,model,"
                 "serial,software_version,result,reason,duration_ms,image_before,image_after\n";
        for (const RecordRow& r : rows) {
            const QStringList fields = {recordTimeText(r.utc),
                                        r.station,
                                        r.port,
                                        r.operatorName,
                                        r.document,
                                        r.documentSha256,
                                        r.key,
                                        r.model,
                                        r.serial,
                                        r.version,
                                        r.passed ? "PASS" : "FAIL",
                                        r.reason,
                                        QString::number(r.ms),
                                        QString::fromLatin1(r.before.toHex()),
                                        QString::fromLatin1(r.after.toHex())};
            QStringList quoted;
            for (const QString& f : fields)
                quoted << csvField(f);
            m_out << quoted.join(QLatin1Char(',')) << '\n';
        }
    } else {
        for (const RecordRow& r : rows)
            m_out << recordTimeText(r.utc) << ' ' << (r.passed ? "PASS" : "FAIL") << ' '
                  << (r.serial.isEmpty() ? QStringLiteral("-") : r.serial) << ' ' << r.port << ' '
                  << r.station << ' ' << (r.operatorName.isEmpty() ? "-" : r.operatorName) << ' '
                  << r.document << ' ' << r.ms << " ms " << r.reason << '\n';
        if (rows.isEmpty())
            m_err << "No units in the record " << target.display() << Qt::endl;
    }
    m_out.flush();
    return kExitOk;
}
