// norvelctl station and records: the production station on the command line, and its record.
#include "cli_tool.h"

#include "config_document.h"
#include "station.h"
#include "station_recorder.h"
#include "unit_reason.h"

#include <QCommandLineParser>
#include <QFile>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <mutex>

namespace {

constexpr int kExitInterrupted = 130; // as a shell reports a program ended by SIGINT

// Options that take a value, so that the word after them is no command.
const QStringList kValueOptions = {"--port",   "--backup-dir", "-o",       "--output",   "--only",
                                   "--curve",  "--from",       "--record", "--operator", "--units",
                                   "--serial", "--since",      "--result"};

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

QString CliTool::commandWord(const QStringList& arguments)
{
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& word = arguments.at(i);
        if (kValueOptions.contains(word))
            ++i;
        else if (!word.startsWith(QLatin1Char('-')))
            return word;
    }
    return QString();
}

bool CliTool::recordTarget(const QString& text, RecordTarget* target)
{
    QString error;
    if (RecordTarget::parse(text.isEmpty() ? RecordTarget::defaultFile() : text, target, &error))
        return true;
    fail(error, kExitUsage);
    return false;
}

int CliTool::station(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption portOption("port", "serial device", "DEV");
    const QCommandLineOption backupOption("backup-dir", "backup folder", "DIR");
    const QCommandLineOption recordOption("record", "record", "URL");
    const QCommandLineOption operatorOption("operator", "operator", "NAME");
    const QCommandLineOption unitsOption("units", "units", "N");
    const QCommandLineOption yesOption("yes", "do not ask");
    parser.addOptions(
        {portOption, backupOption, recordOption, operatorOption, unitsOption, yesOption});
    const QString usage = QStringLiteral(
        "usage: norvelctl station DOC [--port DEV]... [--record URL] [--operator NAME] "
        "[--units N] [--yes]");
    if (!parser.parse(QStringList{"norvelctl"} + arguments))
        return fail(parser.errorText() + QStringLiteral("; ") + usage, kExitUsage);
    const QStringList words = parser.positionalArguments();
    if (words.size() != 2)
        return fail(QStringLiteral("wrong number of arguments for 'station'; ") + usage,
                    kExitUsage);
    StationOptions options;
    options.ports = parser.values(portOption);
    m_backupDir = parser.value(backupOption);
    options.import.backupFolder = backupDirectory();
    if (parser.isSet(unitsOption)) {
        bool ok = false;
        options.units = parser.value(unitsOption).toInt(&ok);
        if (!ok || options.units <= 0)
            return fail(QStringLiteral("--units %1: expected a positive number")
                            .arg(parser.value(unitsOption)),
                        kExitUsage);
    }
    RecordTarget target;
    if (!recordTarget(parser.value(recordOption), &target))
        return kExitUsage;

    const QString path = words.at(1);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot open %1: %2").arg(path, file.errorString()), kExitUsage);
    const QByteArray content = file.readAll();
    QList<DocumentError> errors;
    const ConfigDocument doc = ConfigDocument::parse(content, &errors);
    for (const DocumentError& e : errors)
        m_err << "norvelctl: " << path << ": " << e.message << Qt::endl;
    if (!errors.isEmpty())
        return fail(QStringLiteral("nothing written"), kExitUsage);
    if (!parser.isSet(yesOption) && !askMotorStopped())
        return fail(QStringLiteral("nothing written"), kExitUsage);

    SqlStationRecorder recorder(target, parser.value(operatorOption), path, content);
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
    QString error;
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

int CliTool::records(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption recordOption("record", "record", "URL");
    const QCommandLineOption serialOption("serial", "serial", "S");
    const QCommandLineOption sinceOption("since", "since", "TIME");
    const QCommandLineOption resultOption("result", "result", "pass|fail");
    const QCommandLineOption csvOption("csv", "csv");
    parser.addOptions({recordOption, serialOption, sinceOption, resultOption, csvOption});
    const QString usage = QStringLiteral("usage: norvelctl records [--record URL] [--serial S] "
                                         "[--since TIME] [--result pass|fail] [--csv]");
    if (!parser.parse(QStringList{"norvelctl"} + arguments))
        return fail(parser.errorText() + QStringLiteral("; ") + usage, kExitUsage);
    if (parser.positionalArguments().size() != 1)
        return fail(QStringLiteral("wrong number of arguments for 'records'; ") + usage,
                    kExitUsage);
    RecordFilter filter;
    filter.serial = parser.value(serialOption);
    if (parser.isSet(sinceOption)) {
        filter.since = QDateTime::fromString(parser.value(sinceOption), Qt::ISODateWithMs);
        if (!filter.since.isValid())
            return fail(QStringLiteral("--since %1: expected an ISO 8601 time such as "
                                       "2024-05-01T08:00:00Z")
                            .arg(parser.value(sinceOption)),
                        kExitUsage);
    }
    if (parser.isSet(resultOption)) {
        const QString result = parser.value(resultOption).toLower();
        if (result != QLatin1String("pass") && result != QLatin1String("fail"))
            return fail(QStringLiteral("--result takes pass or fail"), kExitUsage);
        filter.result = result == QLatin1String("pass") ? 1 : 0;
    }
    RecordTarget target;
    if (!recordTarget(parser.value(recordOption), &target))
        return kExitUsage;
    StationRecord record(target);
    QList<RecordRow> rows;
    QString error;
    if (!record.open(&error) || !record.select(filter, &rows, &error))
        return fail(QStringLiteral("cannot read the record %1: %2").arg(target.display(), error),
                    kExitLink);
    if (parser.isSet(csvOption)) {
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
