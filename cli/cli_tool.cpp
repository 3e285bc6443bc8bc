// The command-line tool: argument parsing, the link commands and the verified write.
#include "cli_tool.h"

#include "backup_history.h"
#include "backup_policy.h"
#include "config_block.h"
#include "config_document.h"
#include "controller_transfer.h"
#include "link.h"
#include "open_decision.h"
#include "port_help.h"
#include "transfers.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {

const char kUsage[] =
    "Usage: norvelctl [--port DEV]... [--trace] [--backup-dir DIR] [--all] COMMAND\n"
    "\n"
    "Commands:\n"
    "  ports                     list the candidate serial ports in probe order, each with its\n"
    "                            stable /dev/serial/by-id name where it has one\n"
    "  probe                     find the controller; prints PORT VERSION KEY\n"
    "  read [-o FILE]            read the 128-byte configuration block\n"
    "  write FILE [--yes] [--force] [--no-verify] [--no-backup]\n"
    "                            write FILE (128 bytes, such as a backup) to the controller\n"
    "  show [--json]             the identity and every field the controller uses, with unit,\n"
    "                            meaning and valid values; --json prints the document\n"
    "  get NAME...               print NAME=VALUE for each field named\n"
    "  set NAME=VALUE... [--yes] [--dry-run] [--force] [--no-verify] [--no-backup]\n"
    "                            change fields by name (VALUE a whole number or true/false)\n"
    "  export [FILE]             the controller's configuration document (JSON)\n"
    "  import FILE [--only NAME,...] [--yes] [--dry-run] [--force] [--no-verify] [--no-backup]\n"
    "                            apply a configuration document to the controller\n"
    "  diff A [B]                compare two configurations, each a document, a 128-byte image\n"
    "                            or the word 'controller' (B defaults to the controller)\n"
    "  backups                   list the saved images: first-connection images and history\n"
    "  plot FILE.png|FILE.svg [--curve NAME] [--from DOC]\n"
    "                            draw the throttle, regen, voltage and temperature curves of the\n"
    "                            controller (or of DOC) into one PNG or SVG picture, or the\n"
    "                            --curve alone\n"
    "\n"
    "Options:\n"
    "  --port DEV        probe DEV instead of searching (repeatable); a stable name such as\n"
    "                    /dev/serial/by-id/usb-... is taken too\n"
    "  --all             run probe, show, export DIR, set, import or write on every port\n"
    "                    where a controller answers, all at once; each line starts with the\n"
    "                    port, a summary line ends the output; export writes DIR/KEY.json;\n"
    "                    show --json prints one JSON object of the documents by port\n"
    "  --trace           print every frame sent and received on standard error\n"
    "  --backup-dir DIR  folder of the backup images (default: the program's folder when\n"
    "                    writable, else ~/.local/share/Norvel/Norvel Controller)\n"
    "  -o FILE           read: write the block to FILE instead of a hex dump\n"
    "  --json            show: print the configuration document\n"
    "  --yes             do not ask whether the motor is stopped\n"
    "  --force           accept a file or document of another model or software version, and\n"
    "                    settings that do not work together (such as an under-voltage limit\n"
    "                    whose cut-back reaches into the over-voltage one)\n"
    "  --dry-run         print the changes and stop before writing\n"
    "  --no-verify       do not read the block back after the commit\n"
    "  --no-backup       write even when the controller's image cannot be saved first\n"
    "  --only NAME,...   import: apply only these fields of the document\n"
    "  --curve NAME      plot: throttle, regen, voltage or temperature (default: every curve\n"
    "                    the controller has, two a row)\n"
    "  --from DOC        plot: a document or 128-byte image instead of the controller\n"
    "  -h, --help        print this help\n"
    "  --version         print the program's name and version\n"
    "\n"
    "Before every write the controller's image is saved in the backup folder's history, and\n"
    "its first-connection image when there is none yet; when it cannot be saved, nothing is\n"
    "written (unless --no-backup). After the commit the block is read back and compared with\n"
    "what was written. A controller of a series the tool does not serve, or a special\n"
    "version, is not written to; set and import convert the legacy control mode as the wizard\n"
    "does.\n"
    "\n"
    "Exit codes: 0 success, 1 link, controller or verification failure, 2 bad usage or\n"
    "refused input. diff, as diff(1) does: 0 equal, 1 different, 2 bad input or failed link.\n"
    "With --all: 0 only when the command succeeded on every controller found and at least\n"
    "one was found; otherwise 1 (2 when every failure was a refusal or bad usage).\n";

// The controller must not drive the motor while it is being configured.
const char kMotorQuestion[] =
    "Warning:Prohibit doing any configuration in user program while running motor.\n"
    "Is the motor stopped? [y/N] ";

QString hexDump(const ConfigBlock& block)
{
    QString text;
    for (int row = 0; row < kConfigBlockSize; row += 16) {
        text += QStringLiteral("%1:").arg(row, 2, 16, QLatin1Char('0')).toUpper();
        for (int i = 0; i < 16; ++i)
            text += QLatin1Char(' ') + hexText(block.bytes().data() + row + i, 1);
        text += QLatin1Char('\n');
    }
    return text;
}

// Identification bytes that must match before an image may be written to a controller: an
// image carries the serial number too, so another controller's image is refused.
bool sameController(const ConfigBlock& a, const ConfigBlock& b)
{
    const Field identity[] = {Field::ModelPrefix,    Field::ModelNumber, Field::ModelOptions,
                              Field::AdVersion,      Field::Reserved74,  Field::SerialNumber,
                              Field::SoftwareVersion};
    for (Field f : identity)
        if (a.raw(f) != b.raw(f))
            return false;
    return true;
}

// Which commands take which options, and how many words each command takes.
struct CommandShape
{
    const char* name;
    int minWords; // the command word included
    int maxWords; // -1: any number
    const char* usage;
};
constexpr CommandShape kCommands[] = {
    {"ports", 1, 1, "ports"},
    {"probe", 1, 1, "probe"},
    {"read", 1, 1, "read [-o FILE]"},
    {"write", 2, 2, "write FILE [--yes] [--force] [--no-verify] [--no-backup]"},
    {"show", 1, 1, "show [--json]"},
    {"get", 2, -1, "get NAME..."},
    {"set", 2, -1, "set NAME=VALUE... [--yes] [--dry-run] [--force] [--no-verify] [--no-backup]"},
    {"export", 1, 2, "export [FILE]"},
    {"import", 2, 2,
     "import FILE [--only NAME,...] [--yes] [--dry-run] [--force] [--no-verify] [--no-backup]"},
    {"diff", 2, 3, "diff A [B]"},
    {"backups", 1, 1, "backups"},
    {"plot", 2, 2,
     "plot FILE.png|FILE.svg [--curve throttle|regen|voltage|temperature] [--from DOC]"},
    // Not in the help: the names the bash completion offers, from the program itself.
    {"fields", 1, 2, "fields [writable]"},
    {"curves", 1, 1, "curves"},
};

} // namespace

CliTool::CliTool(QTextStream& out, QTextStream& err, QTextStream& in)
    : m_out(out), m_err(err), m_in(in)
{
}

int CliTool::fail(const QString& message, int code)
{
    m_err << "norvelctl: " << message << Qt::endl;
    return code;
}

int CliTool::usageError(const QString& problem)
{
    return fail(problem + QStringLiteral("\nTry 'norvelctl --help'"), kExitUsage);
}

int CliTool::run(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption portOption("port", "serial device", "DEV");
    const QCommandLineOption traceOption("trace", "trace frames");
    const QCommandLineOption backupOption("backup-dir", "backup folder", "DIR");
    const QCommandLineOption outputOption(QStringList{"o", "output"}, "output file", "FILE");
    const QCommandLineOption jsonOption("json", "print the document");
    const QCommandLineOption yesOption("yes", "do not ask");
    const QCommandLineOption forceOption("force", "accept another controller's file");
    const QCommandLineOption dryRunOption("dry-run", "stop before writing");
    const QCommandLineOption noVerifyOption("no-verify", "no read-back");
    const QCommandLineOption noBackupOption("no-backup", "write without a backup");
    const QCommandLineOption onlyOption("only", "fields to import", "NAME,...");
    const QCommandLineOption allOption("all", "every controller");
    const QCommandLineOption curveOption("curve", "curve to plot", "NAME");
    const QCommandLineOption fromOption("from", "configuration to plot", "DOC");
    const QCommandLineOption helpOption(QStringList{"h", "help"}, "help");
    const QCommandLineOption versionOption("version", "version");
    parser.addOptions({portOption, traceOption, backupOption, outputOption, jsonOption, yesOption,
                       forceOption, dryRunOption, noVerifyOption, onlyOption, allOption, helpOption,
                       versionOption});
    parser.addOptions({curveOption, fromOption, noBackupOption});
    if (!parser.parse(QStringList{"norvelctl"} + arguments))
        return usageError(parser.errorText());
    if (parser.isSet(helpOption) || parser.isSet(versionOption)) {
        m_out << (parser.isSet(helpOption) ? kUsage : "norvelctl " NORVEL_VERSION "\n");
        m_out.flush();
        return kExitOk;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usageError(QStringLiteral("no command given"));
    const QString command = positional.first();
    const CommandShape* shape = nullptr;
    for (const CommandShape& c : kCommands)
        if (command == QLatin1String(c.name))
            shape = &c;
    if (shape == nullptr)
        return usageError(QStringLiteral("unknown command '%1'").arg(command));
    if (positional.size() < shape->minWords ||
        (shape->maxWords >= 0 && positional.size() > shape->maxWords))
        return usageError(QStringLiteral("wrong number of arguments for '%1'; usage: norvelctl %2")
                              .arg(command, QLatin1String(shape->usage)));

    // An option that the command does not take is refused rather than ignored.
    const QString usage = QLatin1String(shape->usage);
    const std::pair<const QCommandLineOption*, const char*> commandOptions[] = {
        {&outputOption, "-o FILE"},   {&jsonOption, "--json"},
        {&yesOption, "--yes"},        {&forceOption, "--force"},
        {&dryRunOption, "--dry-run"}, {&noVerifyOption, "--no-verify"},
        {&onlyOption, "--only"},      {&curveOption, "--curve"},
        {&fromOption, "--from"},      {&noBackupOption, "--no-backup"},
    };
    for (const auto& [option, text] : commandOptions)
        if (parser.isSet(*option) && !usage.contains(QLatin1String(text)))
            return usageError(QStringLiteral("%1 is not an option of '%2'; usage: norvelctl %3")
                                  .arg(QString::fromLatin1(text).section(QLatin1Char(' '), 0, 0),
                                       command, usage));
    m_ports = parser.values(portOption);
    m_backupDir = parser.value(backupOption);

    WriteOptions options;
    options.yes = parser.isSet(yesOption);
    options.force = parser.isSet(forceOption);
    options.dryRun = parser.isSet(dryRunOption);
    options.verify = !parser.isSet(noVerifyOption);
    options.noBackup = parser.isSet(noBackupOption);
    for (const QString& name : parser.values(onlyOption))
        options.only += name.split(QLatin1Char(','), Qt::SkipEmptyParts);
    // An empty list would mean every field: a script's empty variable must not import them all.
    if (parser.isSet(onlyOption) && options.only.isEmpty())
        return usageError(QStringLiteral("--only names no field"));

    if (parser.isSet(allOption)) {
        static const QStringList kAllCommands = {"probe", "show",   "export",
                                                 "set",   "import", "write"};
        if (!kAllCommands.contains(command))
            return usageError(QStringLiteral("--all works with probe, show, export DIR, set, "
                                             "import and write, not with '%1'")
                                  .arg(command));
        if (command == QLatin1String("export") && positional.size() != 2)
            return usageError(QStringLiteral("export with --all needs the folder to write the "
                                             "documents in; usage: norvelctl --all export DIR"));
        // What each worker runs: the same command and options, on its own port.
        QStringList workerArguments = positional;
        if (command == QLatin1String("export"))
            workerArguments = QStringList{command};
        for (const QCommandLineOption* flag : {&traceOption, &jsonOption, &yesOption, &forceOption,
                                               &dryRunOption, &noVerifyOption, &noBackupOption})
            if (parser.isSet(*flag))
                workerArguments << QStringLiteral("--") + flag->names().first();
        if (parser.isSet(backupOption))
            workerArguments << QStringLiteral("--backup-dir") << m_backupDir;
        for (const QString& only : parser.values(onlyOption))
            workerArguments << QStringLiteral("--only") << only;
        const bool writes = command == QLatin1String("set") || command == QLatin1String("import") ||
                            command == QLatin1String("write");
        if (command == QLatin1String("export"))
            m_exportFolder = positional.at(1);
        return runAll(command, workerArguments, writes && !options.dryRun, options.yes);
    }
    if (command == QLatin1String("ports"))
        return ports();
    if (command == QLatin1String("backups"))
        return backups();
    if (command == QLatin1String("fields") || command == QLatin1String("curves"))
        return listNames(command, positional.value(1));

    Link link;
    if (parser.isSet(traceOption)) {
        link.setTrace([this](bool sent, const std::uint8_t* bytes, int count) {
            QString line = sent ? QStringLiteral("> ") : QStringLiteral("< ");
            for (int i = 0; i < count; ++i)
                line += (i ? QStringLiteral(" ") : QString()) + hexText(bytes + i, 1);
            m_err << line << Qt::endl;
        });
    }
    const QStringList words = positional.mid(1);
    if (command == QLatin1String("probe"))
        return probe(link);
    if (command == QLatin1String("read"))
        return read(link, parser.value(outputOption));
    if (command == QLatin1String("write"))
        return write(link, words.first(), options);
    if (command == QLatin1String("show"))
        return show(link, parser.isSet(jsonOption));
    if (command == QLatin1String("get"))
        return get(link, words);
    if (command == QLatin1String("set"))
        return set(link, words, options);
    if (command == QLatin1String("export"))
        return exportDocument(link, words.value(0));
    if (command == QLatin1String("import"))
        return import(link, words.first(), options);
    if (command == QLatin1String("plot"))
        return plot(link, words.first(), parser.value(curveOption),
                    parser.isSet(fromOption) ? std::optional(parser.value(fromOption))
                                             : std::nullopt);
    return diff(link, words);
}

QString portProblemText(const PortProblem& problem)
{
    switch (problem.error) {
    case OpenError::NoPermission:
        return QStringLiteral("no permission"); // portAdviceLines() says what to do
    case OpenError::Busy: {
        const PortHolder holder = portHolder(problem.path, PortSystem::current());
        if (holder.program.isEmpty())
            return QStringLiteral("busy (held by another program)");
        return QStringLiteral("busy (held by %1, process %2)").arg(holder.program).arg(holder.pid);
    }
    case OpenError::NotFound:
        return QStringLiteral("absent");
    default:
        return problem.detail;
    }
}

QStringList portAdviceLines(const QList<PortProblem>& openFailures, const QStringList& silent)
{
    ConnectResult searched;
    searched.openFailures = openFailures;
    searched.probed = silent;
    QStringList lines;
    // A busy port's holder is named on the port's own line.
    for (const PortAdvice& advice : portAdvice(searched, PortSystem::current()))
        if (advice.kind != PortAdvice::HeldBy && advice.kind != PortAdvice::HeldByOther)
            lines << portAdviceText(advice);
    return lines;
}

int CliTool::ports()
{
    const QStringList list = m_ports.isEmpty() ? candidateSerialPorts() : m_ports;
    for (const QString& port : list) {
        const QString stable = stablePortPath(port);
        m_out << port;
        if (!stable.isEmpty() && stable != port)
            m_out << ' ' << stable;
        m_out << '\n';
    }
    m_out.flush();
    return kExitOk;
}

bool CliTool::connect(Link& link)
{
    ConnectObserver observer;
    observer.configureFailed = [this](const QString& path, const QString& setting) {
        m_err << "norvelctl: " << path << ": could not set " << setting << Qt::endl;
    };
    const ConnectResult result = link.ConnectController(m_ports, observer);
    if (result.connected)
        return true;
    for (const PortProblem& problem : result.openFailures)
        m_err << "norvelctl: cannot open " << problem.path << ": " << portProblemText(problem)
              << Qt::endl;
    for (const QString& line : portAdviceLines(result.openFailures, result.probed))
        m_err << "norvelctl: " << line << Qt::endl;
    if (result.probed.isEmpty() && result.openFailures.isEmpty())
        fail(QStringLiteral("no serial ports found"), kExitLink);
    else
        fail(QStringLiteral("no controller answered%1%2")
                 .arg(result.probed.isEmpty() ? QString() : QStringLiteral(" on "))
                 .arg(result.probed.join(QStringLiteral(", "))),
             kExitLink);
    return false;
}

bool CliTool::readController(Link& link, ConfigBlock& block)
{
    if (!link.isConnected() && !connect(link))
        return false;
    const ReadOutcome read = ::readController(link, block);
    block = read.block;
    if (read.ok)
        return true;
    fail(QLatin1String(read.failure.command == CMD_IDENTIFY ? "identification failed at %1"
                                                            : "reading the block failed at %1")
             .arg(read.failure.text()),
         kExitLink);
    return false;
}

bool CliTool::servedForWriting(const ConfigBlock& block)
{
    switch (decideOpen(block).verdict) {
    case OpenDecision::Verdict::Served:
        return true;
    case OpenDecision::Verdict::UnsupportedSeries:
        fail(QStringLiteral("the controller's series %1 is not one this tool configures; "
                            "nothing written")
                 .arg(fieldValueText(block, Field::ModelPrefix)),
             kExitUsage);
        return false;
    case OpenDecision::Verdict::SpecialVersion:
        fail(QStringLiteral("the controller is a special version, which this tool does not "
                            "configure; nothing written"),
             kExitUsage);
        return false;
    }
    return false;
}

int CliTool::probe(Link& link)
{
    ConfigBlock block;
    if (!readController(link, block))
        return kExitLink;
    m_out << link.portPath() << ' ' << versionText(block) << ' ' << ControllerKey(block) << '\n';
    m_out.flush();
    return kExitOk;
}

int CliTool::read(Link& link, const QString& outputPath)
{
    ConfigBlock block;
    if (!readController(link, block))
        return kExitLink;
    if (outputPath.isEmpty()) {
        m_out << hexDump(block);
        m_out.flush();
        return kExitOk;
    }
    QSaveFile file(outputPath);
    const QByteArray data = block.toByteArray();
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(outputPath, file.errorString()),
                    kExitUsage);
    return kExitOk;
}

int CliTool::write(Link& link, const QString& inputPath, const WriteOptions& options)
{
    QFile file(inputPath);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot open %1: %2").arg(inputPath, file.errorString()),
                    kExitUsage);
    const QByteArray data = file.read(kConfigBlockSize + 1);
    if (data.size() != kConfigBlockSize)
        return fail(QStringLiteral("%1 is not a %2-byte configuration image")
                        .arg(inputPath)
                        .arg(kConfigBlockSize),
                    kExitUsage);
    const ConfigBlock image = ConfigBlock::fromByteArray(data);

    ConfigBlock current;
    if (!readController(link, current))
        return kExitLink;
    if (!servedForWriting(current))
        return kExitUsage;
    if (!options.force && !sameController(image, current))
        return fail(QStringLiteral(
                        "%1 belongs to another controller or software version "
                        "(model, serial number or version differ); use --force to write it anyway")
                        .arg(inputPath),
                    kExitUsage);
    if (!options.yes && !askMotorStopped())
        return fail(QStringLiteral("nothing written"), kExitUsage);
    return writeBlock(link, current, image, options);
}

bool CliTool::askMotorStopped()
{
    m_err << kMotorQuestion;
    m_err.flush();
    const QString answer = m_in.readLine().trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes");
}

QString CliTool::backupDirectory() const
{
    return BackupHistory::directory(m_backupDir, QCoreApplication::instance()
                                                     ? QCoreApplication::applicationDirPath()
                                                     : QString());
}

int CliTool::writeBlock(Link& link, const ConfigBlock& current, const ConfigBlock& next,
                        const WriteOptions& options)
{
    // Nothing is written unless the controller's image is safe on disk first, or the user
    // said to go on without it.
    const BackupOutcome backup = keepBackups(backupDirectory(), current);
    if (backup.kept) {
        m_err << "Saved the controller's image in " << backup.historyPath << Qt::endl;
    } else if (options.noBackup) {
        m_err << "norvelctl: the controller's image was not kept in " << backup.folder << " ("
              << backup.reason << "); writing without a backup, as --no-backup asks" << Qt::endl;
    } else {
        m_err << "norvelctl: --no-backup writes without keeping the controller's image" << Qt::endl;
        return fail(QStringLiteral("cannot keep the controller's image in %1 (%2); nothing written")
                        .arg(backup.folder, backup.reason),
                    kExitLink);
    }

    VerifiedWriteOptions how;
    how.verify = options.verify;
    const WriteOutcome outcome = writeVerified(link, next, current, how);
    if (outcome.succeeded()) {
        m_err << (options.verify ? "Written, committed and verified." : "Written and committed.")
              << " Cycle the controller's power to activate the configuration." << Qt::endl;
        return kExitOk;
    }
    return fail(writeFailureText(outcome, next), kExitLink);
}

QString CliTool::writeFailureText(const WriteOutcome& outcome, const ConfigBlock& written)
{
    if (outcome.kind == WriteOutcome::Kind::NotStored)
        return QStringLiteral("verification failed: %1 (byte %2) reads back as %3, written %4; "
                              "the write did not stick")
            .arg(QLatin1String(fieldDef(outcome.field).name))
            .arg(outcome.offset)
            .arg(fieldValueText(outcome.readBlock, outcome.field),
                 fieldValueText(written, outcome.field));
    if (outcome.failure.command != CMD_COMMIT) {
        if (outcome.held == WriteOutcome::Held::NewBlock)
            return QStringLiteral("committed, but reading it back failed at %1; the write is not "
                                  "verified")
                .arg(outcome.failure.text());
        return QStringLiteral(
                   "writing the block failed at %1; the controller keeps its old configuration")
            .arg(outcome.failure.text());
    }
    // The COMMIT went out without a reply: the read-back says what the controller holds.
    const QString lost =
        QStringLiteral("the COMMIT got no valid reply (%1)").arg(outcome.failure.reason);
    if (outcome.held == WriteOutcome::Held::NewBlock)
        return lost + QStringLiteral("; the block read back is the one written: the controller "
                                     "holds the new configuration");
    if (outcome.held == WriteOutcome::Held::OldBlock)
        return lost + QStringLiteral("; the block read back is the one before: the controller "
                                     "keeps its old configuration");
    if (!outcome.readBack)
        return lost + QStringLiteral(" and reading it back failed at %1; cannot tell whether the "
                                     "controller holds the old or the new configuration")
                          .arg(outcome.readFailure.text());
    return lost + QStringLiteral("; the block read back is neither the old nor the new one; cannot "
                                 "tell what the controller holds");
}
