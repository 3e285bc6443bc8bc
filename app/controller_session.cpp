// The steps every mode takes with a controller: search, read and identify, write and verify,
// each behind the progress dialog with the messages the technician knows from the wizard.
#include "controller_session.h"

#include "config_document.h"
#include "message_ids.h"
#include "port_advice_texts.h"
#include "prompter.h"
#include "transfers.h"

namespace {

using M = MessageIds;
const char* const kAcceptedSeries[] = {"PDT", "PDR", "DVR"};
constexpr std::uint8_t kSpecialVersionBit = 0x80;
constexpr std::uint32_t kLegacyControlMode = 2;
constexpr std::uint32_t kTorqueMode = 3;

// What the user can do about the ports that could not be opened.
QString openFailureDetails(const ConnectResult& result, const Prompter& prompter)
{
    QStringList lines;
    for (const PortProblem& problem : result.openFailures) {
        switch (problem.error) {
        case OpenError::NoPermission:
            lines << prompter.line(M::NoPermissionLine).arg(problem.path);
            break;
        case OpenError::Busy:
            lines << prompter.line(M::PortBusyLine).arg(problem.path);
            break;
        case OpenError::NotFound:
            lines << prompter.line(M::PortMissingLine).arg(problem.path);
            break;
        default:
            lines << prompter.line(M::PortErrorLine).arg(problem.path, problem.detail);
        }
    }
    if (!result.probed.isEmpty())
        lines << prompter.line(M::NoAnswerLine).arg(result.probed.join(QStringLiteral(", ")));
    if (result.openFailures.isEmpty() && result.probed.isEmpty())
        lines << prompter.line(M::NoPortsLine);
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
        const bool ok = run(prompter.line(M::SearchingLabel), [&](Link& l, ProgressSink& progress) {
            ConnectObserver observer;
            const QString probing = prompter.line(M::SearchingOnLabel);
            observer.probing = [&progress, probing](const QString& path) {
                progress.setLabel(QString(probing).arg(path));
            };
            observer.configureFailed = [&](const QString&, const QString&) {
                link.onGuiThread([&prompter] {
                    prompter.ask(M::PortSetupError, Prompter::Buttons::Ok, Prompter::Icon::Warning);
                });
            };
            result = l.ConnectController(ports, observer);
            if (result.connected && port)
                *port = l.portPath();
            return result.connected;
        });
        if (ok)
            return true;
        if (prompter.ask(M::NoController, Prompter::Buttons::RetryCancel, Prompter::Icon::Warning,
                         openFailureDetails(result, prompter)) != Prompter::Answer::Retry)
            return false;
    }
}

bool readController(const TransferRunner& run, const Prompter& texts, ConfigBlock* block)
{
    // The link works on a copy; the caller's block is touched only here, on the GUI thread.
    ConfigBlock copy = *block;
    const QString identifying = texts.line(M::IdentifyingLabel);
    const bool ok =
        run(texts.line(M::ReadingLabel), [&copy, identifying](Link& link, ProgressSink& progress) {
            const auto report = [&progress](int done, int total) {
                progress.setProgress(done, total + 1);
            };
            if (!ReadConfigBlock(link, copy, nullptr, report))
                return false;
            progress.setLabel(identifying);
            const bool identified = IdentifyController(link, copy);
            progress.setProgress(kReadExchanges + 1, kReadExchanges + 1);
            return identified;
        });
    *block = copy; // a failed read keeps the bytes that did arrive
    return ok;
}

VerifiedWrite writeAndVerify(const TransferRunner& run, const Prompter& texts,
                             const ConfigBlock& block, ConfigBlock* readBack,
                             QString* mismatchField, int* mismatchOffset)
{
    ConfigBlock back;
    bool committed = false;
    // The frames of the write stay as they are; the read-back follows the commit in the same
    // transfer, as its last step.
    const int total = kWriteExchanges + kReadExchanges;
    const QString verifying = texts.line(M::VerifyingLabel);
    const bool read = run(texts.line(M::WritingLabel), [&](Link& link, ProgressSink& progress) {
        committed = WriteConfigBlock(link, block, nullptr, [&progress, total](int done, int) {
            progress.setProgress(done, total);
        });
        if (!committed)
            return false;
        progress.setLabel(verifying);
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
        return M::UnsupportedSeries;
    if (block.at(Field::ModelOptions) & kSpecialVersionBit)
        return M::SpecialVersion;
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
