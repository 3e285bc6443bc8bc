// The command-line tool: argument parsing, the link commands and the verified write.
#include "cli_tool.h"

#include "backup_history.h"
#include "backup_policy.h"
#include "config_block.h"
#include "config_document.h"
#include "controller_open.h"
#include "controller_transfer.h"
#include "file_io.h"
#include "link.h"
#include "port_help.h"
#include "transfers.h"

#include <QCoreApplication>
#include <QDir>

namespace {

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

} // namespace

CliTool::CliTool(QTextStream& out, QTextStream& err, QTextStream& in)
    : m_out(out), m_err(err), m_in(in)
{
}

int CliTool::fail(const QString& message, int code)
{
    m_err << "norvelctl: " << message << Qt::endl;
    m_lastFailure = message;
    return code;
}

int CliTool::usageError(const QString& problem)
{
    return fail(problem + QStringLiteral("\nTry 'norvelctl --help'"), kExitUsage);
}

int CliTool::run(const QStringList& arguments)
{
    CliRequest request;
    QString problem;
    if (!parseCliRequest(arguments, &request, &problem))
        return usageError(problem);
    switch (request.kind) {
    case CliRequest::Kind::Help:
        m_out << cliUsage();
        m_out.flush();
        return kExitOk;
    case CliRequest::Kind::Version:
        m_out << "norvelctl " NORVEL_VERSION "\n";
        m_out.flush();
        return kExitOk;
    case CliRequest::Kind::Command:
        break;
    }
    return execute(request);
}

int CliTool::execute(const CliRequest& request)
{
    m_ports = request.ports;
    m_backupDir = request.backupDir;
    if (request.all)
        return runAll(request);
    const QString& command = request.command;
    if (command == QLatin1String("ports"))
        return ports();
    if (command == QLatin1String("backups"))
        return backups();
    if (command == QLatin1String("fields") || command == QLatin1String("curves"))
        return listNames(command, request.words.value(0));
    if (command == QLatin1String("station"))
        return station(request);
    if (command == QLatin1String("records"))
        return records(request);

    Link link;
    if (request.trace) {
        link.setTrace([this](bool sent, const std::uint8_t* bytes, int count) {
            QString line = sent ? QStringLiteral("> ") : QStringLiteral("< ");
            for (int i = 0; i < count; ++i)
                line += (i ? QStringLiteral(" ") : QString()) + hexText(bytes + i, 1);
            m_err << line << Qt::endl;
        });
    }
    const QStringList& words = request.words;
    const CliWriteOptions& options = request.write;
    if (command == QLatin1String("probe"))
        return probe(link);
    if (command == QLatin1String("read"))
        return read(link, request.output);
    if (command == QLatin1String("write"))
        return write(link, words.first(), options);
    if (command == QLatin1String("show"))
        return show(link, request.json);
    if (command == QLatin1String("get"))
        return get(link, words);
    if (command == QLatin1String("set"))
        return set(link, words, options);
    if (command == QLatin1String("export"))
        return exportDocument(link, words.value(0));
    if (command == QLatin1String("import"))
        return import(link, words.first(), options);
    if (command == QLatin1String("plot"))
        return plot(link, words.first(), request.curve, request.from);
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

bool CliTool::open(Link& link, OpenOutcome* opened, const ConfigBlock& start)
{
    OpenOptions options;
    options.ports = m_ports;
    // Once found, the controller is read again where it is.
    options.search = !link.isConnected();
    options.start = start;
    LinkObservers observers;
    observers.connect.configureFailed = [this](const QString& path, const QString& setting) {
        m_err << "norvelctl: " << path << ": could not set " << setting << Qt::endl;
    };
    *opened = openController(link, options, observers);
    switch (opened->result) {
    case OpenOutcome::Result::Opened:
        return true;
    case OpenOutcome::Result::NoController:
        noController(opened->search);
        return false;
    case OpenOutcome::Result::ReadFailed:
        break;
    }
    const TransferFailure& failure = opened->read.failure;
    fail(QLatin1String(failure.command == CMD_IDENTIFY ? "identification failed at %1"
                                                       : "reading the block failed at %1")
             .arg(failure.text()),
         kExitLink);
    return false;
}

void CliTool::noController(const ConnectResult& result)
{
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
}

bool CliTool::readController(Link& link, ConfigBlock& block)
{
    OpenOutcome opened;
    const bool ok = open(link, &opened, block);
    block = opened.read.block;
    return ok;
}

bool CliTool::servedForWriting(const OpenOutcome& opened)
{
    switch (opened.decision.verdict) {
    case OpenDecision::Verdict::Served:
        return true;
    case OpenDecision::Verdict::UnsupportedSeries:
        fail(QStringLiteral("the controller's series %1 is not one this tool configures; "
                            "nothing written")
                 .arg(fieldValueText(opened.read.block, Field::ModelPrefix)),
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
    QString error;
    if (!writeFileWhole(outputPath, block.toByteArray(), &error))
        return fail(error, kExitUsage);
    return kExitOk;
}

int CliTool::write(Link& link, const QString& inputPath, const CliWriteOptions& options)
{
    QByteArray data;
    QString error;
    bool tooLarge = false;
    if (!readFileCapped(inputPath, kConfigBlockSize, &data, &error, &tooLarge) && !tooLarge)
        return fail(error, kExitUsage);
    if (tooLarge || data.size() != kConfigBlockSize)
        return fail(QStringLiteral("%1 is not a %2-byte configuration image")
                        .arg(inputPath)
                        .arg(kConfigBlockSize),
                    kExitUsage);
    const ConfigBlock image = ConfigBlock::fromByteArray(data);

    OpenOutcome opened;
    if (!open(link, &opened))
        return kExitLink;
    if (!servedForWriting(opened))
        return kExitUsage;
    const ConfigBlock& current = opened.read.block;
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

QString CliTool::backupDirectory(QString* error) const
{
    return BackupHistory::directory(
        m_backupDir,
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString(), error);
}

int CliTool::writeBlock(Link& link, const ConfigBlock& current, const ConfigBlock& next,
                        const CliWriteOptions& options)
{
    // Nothing is written unless the controller's image is safe on disk first, or the user
    // said to go on without it.
    QString error;
    const QString folder = backupDirectory(&error);
    if (folder.isEmpty())
        return fail(QStringLiteral("%1; nothing written").arg(error), kExitUsage);
    const BackupOutcome backup = keepBackups(folder, current);
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
