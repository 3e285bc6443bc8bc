// norvel-sim: a simulated controller answering the tool's frames on a pseudo-terminal.
#include "presets.h"
#include "sim_server.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>

#include <csignal>
#include <cstdio>
#include <pthread.h>

namespace {

constexpr int kUsageError = 2;
constexpr int kRunError = 1;

int usageError(const QString& message)
{
    std::fprintf(stderr, "norvel-sim: %s\n", qPrintable(message));
    return kUsageError;
}

bool readImage(const QString& path, ConfigBlock* image, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("--image %1: %2").arg(path, file.errorString());
        return false;
    }
    // One byte more than a block is enough to tell a longer file.
    const QByteArray data = file.read(kConfigBlockSize + 1);
    if (data.size() != kConfigBlockSize) {
        const QString found = data.size() > kConfigBlockSize
                                  ? QStringLiteral("more than %1").arg(kConfigBlockSize)
                                  : QString::number(data.size());
        *error = QStringLiteral("--image %1: a configuration image has exactly %2 bytes, this file "
                                "has %3")
                     .arg(path)
                     .arg(kConfigBlockSize)
                     .arg(found);
        return false;
    }
    *image = ConfigBlock::fromByteArray(data);
    return true;
}

QString presetHelp()
{
    QStringList lines{QStringLiteral("Presets:")};
    for (const QString& name : presetNames())
        lines << QStringLiteral("  %1  %2%3")
                     .arg(name.leftJustified(12), presetSummary(name),
                          name == defaultPresetName() ? QStringLiteral(" (default)") : QString());
    return lines.join(QLatin1Char('\n'));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("norvel-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NORVEL_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated motor controller on a pseudo-terminal. Prints the device path "
                       "on the first line of standard output, then answers the tool's frames "
                       "until interrupted.\n\n") +
        presetHelp());
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption presetOption(QStringLiteral("preset"),
                                          QStringLiteral("Controller preset (default full)."),
                                          QStringLiteral("NAME"), defaultPresetName());
    const QCommandLineOption imageOption(
        QStringLiteral("image"),
        QStringLiteral("Initial configuration image, exactly 128 bytes; replaces the preset's "
                       "image, and its version bytes give the reported version."),
        QStringLiteral("FILE"));
    const QCommandLineOption stateOption(
        QStringLiteral("state"), QStringLiteral("Write the stored image here after each commit."),
        QStringLiteral("FILE"));
    const QCommandLineOption softwareOption(
        QStringLiteral("software-version"),
        QStringLiteral("Software version reported by identify, 4 hex digits such as 0405."),
        QStringLiteral("MMmm"));
    const QCommandLineOption linkOption(
        QStringLiteral("link"),
        QStringLiteral("Symbolic link to the device, replaced if present, removed at exit."),
        QStringLiteral("PATH"));
    const QCommandLineOption paceOption(QStringLiteral("pace"),
                                        QStringLiteral("Send replies at the pace of 19200 baud."));
    const QCommandLineOption delayOption(
        QStringLiteral("delay"),
        QStringLiteral("Send every reply MS milliseconds late, as a slow line would (0..1000)."),
        QStringLiteral("MS"));
    const QCommandLineOption faultOption(
        QStringLiteral("fault"),
        QStringLiteral("Inject a fault into the Nth frame of COMMAND (repeatable). KIND: "
                       "no-reply, bad-checksum, short-reply, extra-bytes, late-reply (the reply "
                       "is lost, garbled or delayed) or lost-commit (normal reply, but the frame "
                       "has no effect: a commit stores nothing); COMMAND: identify, start, read, "
                       "write, commit or a hex code."),
        QStringLiteral("KIND:COMMAND:N"));
    const QCommandLineOption traceOption(
        QStringLiteral("trace"), QStringLiteral("Print every frame received and sent on stderr."));
    const QCommandLineOption lineOption(
        QStringLiteral("line"),
        QStringLiteral("Play a production line of N units on the pty, serial numbers counting up "
                       "from the preset's or image's: each unit leaves (goes silent) once it was "
                       "written and asked again, the next comes after the pause."),
        QStringLiteral("N"));
    const QCommandLineOption linePauseOption(
        QStringLiteral("line-pause"),
        QStringLiteral("Milliseconds between one unit leaving and the next coming (default 1000)."),
        QStringLiteral("MS"));
    const QCommandLineOption unitFaultOption(
        QStringLiteral("unit-fault"),
        QStringLiteral("A fault for unit UNIT of the line (repeatable), counted within the unit; "
                       "KIND:COMMAND:N as for --fault."),
        QStringLiteral("UNIT:KIND:COMMAND:N"));
    parser.addOptions({presetOption, imageOption, stateOption, softwareOption, linkOption,
                       paceOption, delayOption, faultOption, traceOption, lineOption,
                       linePauseOption, unitFaultOption});

    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty())
        return usageError(
            QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));

    SimOptions options;
    options.preset = parser.value(presetOption);
    {
        ConfigBlock unused;
        if (!presetImage(options.preset, &unused, nullptr, nullptr))
            return usageError(QStringLiteral("unknown preset \"%1\" (one of %2)")
                                  .arg(options.preset, presetNames().join(QLatin1String(", "))));
    }
    if (parser.isSet(imageOption)) {
        QString error;
        if (!readImage(parser.value(imageOption), &options.image, &error))
            return usageError(error);
        options.hasImage = true;
    }
    if (parser.isSet(softwareOption)) {
        const QString text = parser.value(softwareOption);
        static const QRegularExpression fourHex(QStringLiteral("^[0-9A-Fa-f]{4}$"));
        if (!fourHex.match(text).hasMatch())
            return usageError(
                QStringLiteral("--software-version \"%1\": expected 4 hex digits such as 0405")
                    .arg(text));
        options.versionOverride = text.toInt(nullptr, 16);
    }
    for (const QString& text : parser.values(faultOption)) {
        SimFault fault{};
        QString error;
        if (!parseFault(text, &fault, &error))
            return usageError(QStringLiteral("--fault: ") + error);
        options.faults.append(fault);
    }
    options.statePath = parser.value(stateOption);
    options.linkPath = parser.value(linkOption);
    options.pace = parser.isSet(paceOption);
    if (parser.isSet(delayOption)) {
        bool ok = false;
        const int delay = parser.value(delayOption).toInt(&ok);
        if (!ok || delay < 0 || delay > 1000)
            return usageError(QStringLiteral("--delay \"%1\": expected milliseconds, 0 to 1000")
                                  .arg(parser.value(delayOption)));
        options.replyDelayMs = delay;
    }
    options.trace = parser.isSet(traceOption);
    const auto count = [&](const QCommandLineOption& option, int low, int high, int* out) {
        bool ok = false;
        *out = parser.value(option).toInt(&ok);
        return ok && *out >= low && *out <= high;
    };
    if (parser.isSet(lineOption) && !count(lineOption, 1, 1000000, &options.line.units))
        return usageError(QStringLiteral("--line \"%1\": expected a number of units, 1 or more")
                              .arg(parser.value(lineOption)));
    if (parser.isSet(linePauseOption) && !count(linePauseOption, 0, 600000, &options.line.pauseMs))
        return usageError(QStringLiteral("--line-pause \"%1\": expected milliseconds")
                              .arg(parser.value(linePauseOption)));
    for (const QString& text : parser.values(unitFaultOption)) {
        std::pair<int, SimFault> fault;
        QString error;
        if (!parseUnitFault(text, &fault, &error))
            return usageError(QStringLiteral("--unit-fault: ") + error);
        options.line.unitFaults.append(fault);
    }
    if ((parser.isSet(linePauseOption) || parser.isSet(unitFaultOption)) && options.line.units == 0)
        return usageError(QStringLiteral("--line-pause and --unit-fault need --line N"));

    // The serving thread inherits this mask, so the signals reach sigwait() below only.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGINT);
    sigaddset(&endSignals, SIGTERM);
    sigaddset(&endSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    SimServer server(options);
    QString error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "norvel-sim: %s\n", qPrintable(error));
        return kRunError;
    }
    std::fprintf(stdout, "%s\n", qPrintable(server.devicePath()));
    std::fflush(stdout);
    if (options.trace)
        std::fprintf(stderr, "norvel-sim: serving %s, version %02X%02X\n",
                     qPrintable(server.devicePath()), server.versionMajor(), server.versionMinor());

    int signal = 0;
    sigwait(&endSignals, &signal);
    server.stop();
    if (options.trace)
        std::fprintf(stderr, "norvel-sim: stopped by signal %d\n", signal);
    return 0;
}
