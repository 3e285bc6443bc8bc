// The steps every mode takes with a controller: search, read and identify, write and verify,
// each behind the progress dialog with the messages the technician knows from the wizard.
#include "controller_session.h"

#include "config_document.h"
#include "port_advice_texts.h"
#include "prompter.h"
#include "transfers.h"

#include <QCoreApplication>

namespace {

constexpr int kMsgNoController = 103;
constexpr int kMsgUnsupportedSeries = 107;
constexpr int kMsgSpecialVersion = 111;
const char* const kAcceptedSeries[] = {"PDT", "PDR", "DVR"};
constexpr std::uint8_t kSpecialVersionBit = 0x80;
constexpr std::uint32_t kLegacyControlMode = 2;
constexpr std::uint32_t kTorqueMode = 3;
constexpr int kMsgPortSetupError = 164;

QString tr(const char* text)
{
    return QCoreApplication::translate("Wizird", text);
}

// What the user can do about the ports that could not be opened.
QString openFailureDetails(const ConnectResult& result, const Prompter& prompter)
{
    QStringList lines;
    for (const PortProblem& problem : result.openFailures) {
        switch (problem.error) {
        case OpenError::NoPermission:
            lines << tr("%1: no permission (add your user to the dialout group and log in again)")
                         .arg(problem.path);
            break;
        case OpenError::Busy:
            lines << tr("%1: in use by another program").arg(problem.path);
            break;
        case OpenError::NotFound:
            lines << tr("%1: not present").arg(problem.path);
            break;
        default:
            lines << QStringLiteral("%1: %2").arg(problem.path, problem.detail);
        }
    }
    if (!result.probed.isEmpty())
        lines << tr("No answer on: %1").arg(result.probed.join(QStringLiteral(", ")));
    if (result.openFailures.isEmpty() && result.probed.isEmpty())
        lines << tr("No serial ports were found.");
    const QString help = portAdviceDetails(portAdvice(result, PortSystem::current()), prompter);
    if (!help.isEmpty())
        lines << QString() << help;
    return lines.join(QLatin1Char('\n'));
}

} // namespace

bool searchController(const TransferRunner& run, LinkWorker& link, Prompter& prompter,
                      const QStringList& ports, QString* port)
{
    for (;;) {
        ConnectResult result;
        const bool ok =
            run(tr("Searching for the controller…"), [&](Link& l, ProgressSink& progress) {
                ConnectObserver observer;
                observer.probing = [&](const QString& path) {
                    progress.setLabel(tr("Searching for the controller on %1…").arg(path));
                };
                observer.configureFailed = [&](const QString&, const QString&) {
                    link.onGuiThread([&prompter] {
                        prompter.ask(kMsgPortSetupError, Prompter::Buttons::Ok,
                                     Prompter::Icon::Warning);
                    });
                };
                result = l.ConnectController(ports, observer);
                if (result.connected && port)
                    *port = l.portPath();
                return result.connected;
            });
        if (ok)
            return true;
        if (prompter.ask(kMsgNoController, Prompter::Buttons::RetryCancel, Prompter::Icon::Warning,
                         openFailureDetails(result, prompter)) != Prompter::Answer::Retry)
            return false;
    }
}

bool readController(const TransferRunner& run, ConfigBlock* block)
{
    // The link works on a copy; the caller's block is touched only here, on the GUI thread.
    ConfigBlock copy = *block;
    const bool ok =
        run(tr("Reading the configuration…"), [&copy](Link& link, ProgressSink& progress) {
            const auto report = [&progress](int done, int total) {
                progress.setProgress(done, total + 1);
            };
            if (!ReadConfigBlock(link, copy, nullptr, report))
                return false;
            progress.setLabel(QObject::tr("Identifying the controller…"));
            const bool identified = IdentifyController(link, copy);
            progress.setProgress(kReadExchanges + 1, kReadExchanges + 1);
            return identified;
        });
    *block = copy; // a failed read keeps the bytes that did arrive
    return ok;
}

VerifiedWrite writeAndVerify(const TransferRunner& run, const ConfigBlock& block,
                             ConfigBlock* readBack, QString* mismatchField, int* mismatchOffset)
{
    ConfigBlock back;
    bool committed = false;
    // The frames of the write stay as they are; the read-back follows the commit in the same
    // transfer, as its last step.
    const int total = kWriteExchanges + kReadExchanges;
    const bool read =
        run(tr("Writing the configuration…"), [&](Link& link, ProgressSink& progress) {
            committed = WriteConfigBlock(link, block, nullptr, [&progress, total](int done, int) {
                progress.setProgress(done, total);
            });
            if (!committed)
                return false;
            progress.setLabel(tr("Verifying…"));
            return ReadConfigBlock(link, back, nullptr, [&progress, total](int done, int) {
                progress.setProgress(kWriteExchanges + done, total);
            });
        });
    if (!committed)
        return VerifiedWrite::Failed;
    if (!read) {
        // The commit was answered, so the controller most likely holds the new image; the
        // write is still not verified.
        if (readBack)
            *readBack = block;
        return VerifiedWrite::Failed;
    }
    // Every image the program keeps carries the version bytes as identified.
    const FieldDef& version = fieldDef(Field::SoftwareVersion);
    ConfigBlock held = back;
    for (int i = 0; i < version.width; ++i)
        held.setByte(version.offset + i, block.byte(version.offset + i));
    if (readBack)
        *readBack = held;
    Field field = Field::Count_;
    const int offset = readBackDifference(block, back, &field);
    if (offset < 0)
        return VerifiedWrite::Verified;
    if (mismatchField)
        *mismatchField = QString::fromLatin1(fieldDef(field).name);
    if (mismatchOffset)
        *mismatchOffset = offset;
    return VerifiedWrite::NotStored;
}

int refusalMessage(const ConfigBlock& block)
{
    const QByteArray prefix = block.raw(Field::ModelPrefix);
    bool accepted = false;
    for (const char* series : kAcceptedSeries)
        accepted = accepted || prefix == QByteArray(series);
    if (!accepted)
        return kMsgUnsupportedSeries;
    if (block.at(Field::ModelOptions) & kSpecialVersionBit)
        return kMsgSpecialVersion;
    return 0;
}

bool convertLegacyControlMode(ConfigBlock& block)
{
    if (block.get(Field::ControlMode) != kLegacyControlMode ||
        block.get(Field::ControlModeCopy) != kLegacyControlMode)
        return false;
    block.set(Field::SpeedMode, 0);
    block.set(Field::ControlMode, kTorqueMode);
    block.set(Field::ControlModeCopy, kTorqueMode);
    return true;
}
