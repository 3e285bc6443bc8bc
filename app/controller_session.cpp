// The steps every mode takes with a controller: search, read and identify, write and verify,
// each behind the progress dialog with the messages the technician knows from the wizard.
#include "controller_session.h"

#include "backup_policy.h"
#include "field_rules.h"
#include "port_advice_texts.h"
#include "prompter.h"

#include <QCoreApplication>

namespace {

constexpr int kMsgNoController = 103;
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
    ReadOutcome read;
    read.block = *block;
    run(tr("Reading the configuration…"), [&read](Link& link, ProgressSink& progress) {
        TransferObserver observer;
        observer.step = [&progress](TransferStep step) {
            if (step == TransferStep::Identifying)
                progress.setLabel(QObject::tr("Identifying the controller…"));
        };
        observer.progress = [&progress](int done, int total) { progress.setProgress(done, total); };
        read = readController(link, read.block, observer);
        return read.ok;
    });
    *block = read.block; // a failed read keeps the bytes that did arrive
    return read.ok;
}

WriteOutcome writeAndVerify(const TransferRunner& run, const ConfigBlock& block,
                            const ConfigBlock& previous, const VerifiedWriteOptions& options)
{
    WriteOutcome outcome;
    run(tr("Writing the configuration…"), [&](Link& link, ProgressSink& progress) {
        TransferObserver observer;
        observer.step = [&progress](TransferStep step) {
            if (step == TransferStep::Verifying)
                progress.setLabel(tr("Verifying…"));
        };
        observer.progress = [&progress](int done, int total) { progress.setProgress(done, total); };
        outcome = writeVerified(link, block, previous, options, observer);
        return outcome.succeeded();
    });
    return outcome;
}

bool keepBackupsOrAsk(Prompter& prompter, const QString& folder, const ConfigBlock& image)
{
    const BackupOutcome backup = keepBackups(folder, image);
    if (backup.kept)
        return true;
    return prompter.askFilled(kMsgWriteWithoutBackup, {backup.folder, backup.reason},
                              Prompter::Buttons::YesNoDefaultNo,
                              Prompter::Icon::Warning) == Prompter::Answer::Yes;
}

QString writeFailureText(const WriteOutcome& outcome, const ConfigBlock& written,
                         const Prompter& prompter)
{
    const auto exchange = [&prompter](const TransferFailure& failure) {
        if (failure.offset < 0)
            return failure.commandName();
        return prompter.text(kMsgExchangeAtOffset).arg(failure.commandName()).arg(failure.offset);
    };
    if (outcome.kind == WriteOutcome::Kind::NotStored)
        return prompter.text(kMsgNotStoredNoRetry)
            .arg(QLatin1String(fieldDef(outcome.field).name))
            .arg(outcome.offset)
            .arg(fieldValueText(outcome.readBlock, outcome.field),
                 fieldValueText(written, outcome.field));
    if (outcome.failure.command != CMD_COMMIT)
        return prompter
            .text(outcome.held == WriteOutcome::Held::NewBlock ? kMsgReadBackStopped
                                                               : kMsgWriteStoppedBeforeCommit)
            .arg(exchange(outcome.failure));
    switch (outcome.held) {
    case WriteOutcome::Held::NewBlock:
        return prompter.text(kMsgCommitLostNewHeld);
    case WriteOutcome::Held::OldBlock:
        return prompter.text(kMsgCommitLostOldHeld);
    case WriteOutcome::Held::Unknown:
        break;
    }
    return prompter.text(kMsgCommitLostUnknown);
}
