// The steps every mode takes with a controller: search, read and identify, write and verify,
// each behind the progress dialog with the messages the technician knows from the wizard.
#include "controller_session.h"

#include "backup_policy.h"
#include "field_rules.h"
#include "message_ids.h"
#include "port_advice_texts.h"
#include "prompter.h"

namespace {

using M = MessageIds;

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

// Forwards a transfer's progress to its dialog, whose label becomes `label` at step `labelled`.
TransferObserver showingProgress(ProgressSink& progress, TransferStep labelled,
                                 const QString& label)
{
    TransferObserver observer;
    observer.step = [&progress, labelled, label](TransferStep step) {
        if (step == labelled)
            progress.setLabel(label);
    };
    observer.progress = [&progress](int done, int total) { progress.setProgress(done, total); };
    return observer;
}

// The open's phases behind their progress dialogs: "Searching…" naming the port being tried,
// message 164 for each setting a port refuses; "Reading…", then "Identifying…".
OpenPhaseRunner phasesBehindProgress(const TransferRunner& run, LinkWorker& link,
                                     Prompter& prompter)
{
    return [run, &link, &prompter](OpenPhase phase, const OpenJob& job) {
        if (phase == OpenPhase::Searching) {
            const QString probing = prompter.line(M::SearchingOnLabel);
            return run(prompter.line(M::SearchingLabel), [&](Link& l, ProgressSink& progress) {
                LinkObservers observers;
                observers.connect.probing = [&progress, probing](const QString& path) {
                    progress.setLabel(QString(probing).arg(path));
                };
                observers.connect.configureFailed = [&](const QString&, const QString&) {
                    link.onGuiThread([&prompter] {
                        prompter.ask(M::PortSetupError, Prompter::Buttons::Ok,
                                     Prompter::Icon::Warning);
                    });
                };
                return job(l, observers);
            });
        }
        const QString identifying = prompter.line(M::IdentifyingLabel);
        return run(prompter.line(M::ReadingLabel), [&](Link& l, ProgressSink& progress) {
            LinkObservers observers;
            observers.transfer = showingProgress(progress, TransferStep::Identifying, identifying);
            return job(l, observers);
        });
    };
}

// Message 103 with what was tried: Retry searches again.
SearchAgain askSearchAgain(Prompter& prompter)
{
    return [&prompter](const ConnectResult& result) {
        return prompter.ask(M::NoController, Prompter::Buttons::RetryCancel,
                            Prompter::Icon::Warning,
                            openFailureDetails(result, prompter)) == Prompter::Answer::Retry;
    };
}

} // namespace

ConnectResult searchBehindProgress(const TransferRunner& run, LinkWorker& link, Prompter& prompter,
                                   const QStringList& ports)
{
    return searchController(phasesBehindProgress(run, link, prompter), ports,
                            askSearchAgain(prompter));
}

OpenOutcome openBehindProgress(const TransferRunner& run, LinkWorker& link, Prompter& prompter,
                               const OpenOptions& options)
{
    return openController(phasesBehindProgress(run, link, prompter), options,
                          askSearchAgain(prompter));
}

WriteOutcome writeAndVerify(const TransferRunner& run, const Prompter& texts,
                            const ConfigBlock& block, const ConfigBlock& previous,
                            const VerifiedWriteOptions& options)
{
    WriteOutcome outcome;
    const QString verifying = texts.line(M::VerifyingLabel);
    run(texts.line(M::WritingLabel), [&](Link& link, ProgressSink& progress) {
        outcome = writeVerified(link, block, previous, options,
                                showingProgress(progress, TransferStep::Verifying, verifying));
        return outcome.succeeded();
    });
    return outcome;
}

bool keepBackupsOrAsk(Prompter& prompter, const QString& folder, const ConfigBlock& image)
{
    const BackupOutcome backup = keepBackups(folder, image);
    if (backup.kept)
        return true;
    return prompter.askFilled(M::WriteWithoutBackup, {backup.folder, backup.reason},
                              Prompter::Buttons::YesNoDefaultNo,
                              Prompter::Icon::Warning) == Prompter::Answer::Yes;
}

QString writeFailureText(const WriteOutcome& outcome, const ConfigBlock& written,
                         const Prompter& prompter)
{
    const auto exchange = [&prompter](const TransferFailure& failure) {
        if (failure.offset < 0)
            return failure.commandName();
        return prompter.text(M::ExchangeAtOffset).arg(failure.commandName()).arg(failure.offset);
    };
    if (outcome.kind == WriteOutcome::Kind::NotStored)
        return prompter.text(M::NotStoredNoRetry)
            .arg(QLatin1String(fieldDef(outcome.field).name))
            .arg(outcome.offset)
            .arg(fieldValueText(outcome.readBlock, outcome.field),
                 fieldValueText(written, outcome.field));
    if (outcome.failure.command != CMD_COMMIT)
        return prompter
            .text(outcome.held == WriteOutcome::Held::NewBlock ? M::ReadBackStopped
                                                               : M::WriteStoppedBeforeCommit)
            .arg(exchange(outcome.failure));
    switch (outcome.held) {
    case WriteOutcome::Held::NewBlock:
        return prompter.text(M::CommitLostNewHeld);
    case WriteOutcome::Held::OldBlock:
        return prompter.text(M::CommitLostOldHeld);
    case WriteOutcome::Held::Unknown:
        break;
    }
    return prompter.text(M::CommitLostUnknown);
}
