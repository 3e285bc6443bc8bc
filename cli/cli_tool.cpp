// The command-line tool's commands, apart from main() so that tests can run them in-process.
#include "cli_tool.h"

#include "config_block.h"
#include "link.h"
#include "transfers.h"

#include <QCommandLineParser>
#include <QFile>
#include <QSaveFile>

namespace {

const char kUsage[] =
    "Usage: norvelctl [--port DEV]... [--trace] COMMAND\n"
    "\n"
    "Commands:\n"
    "  ports                     list the candidate serial ports in probe order\n"
    "  probe                     find the controller; prints PORT VERSION KEY\n"
    "  read [-o FILE]            read the 128-byte configuration block\n"
    "  write FILE [--yes] [--force]\n"
    "                            write FILE (128 bytes) to the controller and commit it\n"
    "\n"
    "Options:\n"
    "  --port DEV    probe DEV instead of searching (repeatable)\n"
    "  --trace       print every frame sent and received on standard error\n"
    "  -o FILE       read: write the block to FILE instead of a hex dump\n"
    "  --yes         write: do not ask whether the motor is stopped\n"
    "  --force       write: accept a file taken from another controller or version\n"
    "\n"
    "Exit codes: 0 success, 1 link or controller failure, 2 bad usage or refused input.\n";

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

// Identification bytes that must match before a file may be written to a controller.
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
    return code;
}

int CliTool::run(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption portOption("port", "serial device", "DEV");
    const QCommandLineOption traceOption("trace", "trace frames");
    const QCommandLineOption outputOption(QStringList{"o", "output"}, "output file", "FILE");
    const QCommandLineOption yesOption("yes", "do not ask");
    const QCommandLineOption forceOption("force", "accept another controller's file");
    const QCommandLineOption helpOption(QStringList{"h", "help"}, "help");
    parser.addOptions({portOption, traceOption, outputOption, yesOption, forceOption, helpOption});
    if (!parser.parse(QStringList{"norvelctl"} + arguments))
        return fail(parser.errorText() + "\n" + kUsage, kExitUsage);
    if (parser.isSet(helpOption)) {
        m_out << kUsage;
        m_out.flush();
        return kExitOk;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return fail(QStringLiteral("no command given\n") + kUsage, kExitUsage);
    const QString command = positional.first();
    const int expected = command == QLatin1String("write") ? 2 : 1;
    if (positional.size() != expected)
        return fail(QStringLiteral("wrong number of arguments for '%1'\n").arg(command) + kUsage,
                    kExitUsage);
    if (parser.isSet(outputOption) && command != QLatin1String("read"))
        return fail(QStringLiteral("-o is an option of 'read' only"), kExitUsage);
    if ((parser.isSet(yesOption) || parser.isSet(forceOption)) && command != QLatin1String("write"))
        return fail(QStringLiteral("--yes and --force are options of 'write' only"), kExitUsage);
    m_ports = parser.values(portOption);

    if (command == QLatin1String("ports"))
        return ports();

    Link link;
    if (parser.isSet(traceOption)) {
        link.setTrace([this](bool sent, const std::uint8_t* bytes, int count) {
            QString line = sent ? QStringLiteral("> ") : QStringLiteral("< ");
            for (int i = 0; i < count; ++i)
                line += (i ? QStringLiteral(" ") : QString()) + hexText(bytes + i, 1);
            m_err << line << Qt::endl;
        });
    }
    if (command == QLatin1String("probe"))
        return probe(link);
    if (command == QLatin1String("read"))
        return read(link, parser.value(outputOption));
    if (command == QLatin1String("write"))
        return write(link, positional.at(1), parser.isSet(yesOption), parser.isSet(forceOption));
    return fail(QStringLiteral("unknown command '%1'\n").arg(command) + kUsage, kExitUsage);
}

int CliTool::ports()
{
    const QStringList list = m_ports.isEmpty() ? candidateSerialPorts() : m_ports;
    for (const QString& port : list)
        m_out << port << '\n';
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
    for (const PortProblem& problem : result.openFailures) {
        QString why;
        switch (problem.error) {
        case OpenError::NoPermission:
            why = QStringLiteral(
                "no permission (add your user to the dialout group and log in again)");
            break;
        case OpenError::Busy:
            why = QStringLiteral("busy (held by another program)");
            break;
        case OpenError::NotFound:
            why = QStringLiteral("absent");
            break;
        default:
            why = problem.detail;
        }
        m_err << "norvelctl: cannot open " << problem.path << ": " << why << Qt::endl;
    }
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
    if (!connect(link))
        return false;
    QString failure;
    if (!ReadConfigBlock(link, block, &failure)) {
        fail(QStringLiteral("reading the block failed at %1").arg(failure), kExitLink);
        return false;
    }
    if (!IdentifyController(link, block, &failure)) {
        fail(QStringLiteral("identification failed at %1").arg(failure), kExitLink);
        return false;
    }
    return true;
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

int CliTool::write(Link& link, const QString& inputPath, bool yes, bool force)
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
    if (!force && !sameController(image, current))
        return fail(QStringLiteral(
                        "%1 belongs to another controller or software version "
                        "(model, serial number or version differ); use --force to write it anyway")
                        .arg(inputPath),
                    kExitUsage);
    if (!yes) {
        m_err << kMotorQuestion;
        m_err.flush();
        const QString answer = m_in.readLine().trimmed().toLower();
        if (answer != QLatin1String("y") && answer != QLatin1String("yes"))
            return fail(QStringLiteral("nothing written"), kExitUsage);
    }
    QString failure;
    if (!WriteConfigBlock(link, image, &failure))
        return fail(
            QStringLiteral(
                "writing the block failed at %1; the controller keeps its old configuration")
                .arg(failure),
            kExitLink);
    m_err << "Written and committed. Cycle the controller's power to activate the configuration."
          << Qt::endl;
    return kExitOk;
}
