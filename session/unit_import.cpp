// Importing a configuration document onto one controller.
#include "unit_import.h"

#include "field_rules.h"

ImportPlan planImport(const ConfigBlock& current, const ConfigDocument& doc,
                      const ImportOptions& options)
{
    ImportPlan plan;
    plan.open = decideOpen(current);
    if (!plan.open.served()) {
        plan.verdict = ImportPlan::Verdict::NotServed;
        return plan;
    }
    ApplyOptions apply;
    apply.force = options.force;
    apply.only = options.only;
    if (!applyDocument(doc, current, apply, &plan.next, &plan.errors)) {
        plan.verdict = ImportPlan::Verdict::DocumentRefused;
        return plan;
    }
    plan.legacyConverted = convertLegacyControlMode(plan.next);
    plan.implausible = newImplausiblePairs(current, plan.next);
    if (!plan.implausible.isEmpty() && !options.force) {
        plan.verdict = ImportPlan::Verdict::Implausible;
        return plan;
    }
    plan.changes = diffBlocks(current, plan.next, FieldRules(current));
    plan.verdict =
        plan.changes.isEmpty() ? ImportPlan::Verdict::Unchanged : ImportPlan::Verdict::Ready;
    return plan;
}

bool UnitImportOutcome::hasAfter() const
{
    // A lost COMMIT whose read-back shows the old block committed nothing.
    return write.readBack && !(write.kind == WriteOutcome::Kind::LinkFailed &&
                               write.held == WriteOutcome::Held::OldBlock);
}

UnitImportOutcome importOnto(Link& link, const OpenOutcome& opened, const ConfigDocument& doc,
                             const ImportOptions& options, const TransferObserver& observer)
{
    using Result = UnitImportOutcome::Result;
    UnitImportOutcome outcome;
    outcome.read = opened.read;
    if (!outcome.read.ok)
        return outcome; // ReadFailed
    const ConfigBlock& current = outcome.read.block;
    outcome.plan = planImport(current, doc, options);
    switch (outcome.plan.verdict) {
    case ImportPlan::Verdict::NotServed:
        outcome.result = Result::NotServed;
        return outcome;
    case ImportPlan::Verdict::DocumentRefused:
        outcome.result = Result::DocumentRefused;
        return outcome;
    case ImportPlan::Verdict::Implausible:
        outcome.result = Result::Implausible;
        return outcome;
    case ImportPlan::Verdict::Unchanged:
        outcome.result = Result::Unchanged;
        return outcome;
    case ImportPlan::Verdict::Ready:
        break;
    }
    // Nothing is written unless the controller's image is safe on disk first, or the caller
    // said to go on without it.
    outcome.backup = keepBackups(options.backupFolder, current);
    if (!outcome.backup.kept && !options.noBackup) {
        outcome.result = Result::BackupFailed;
        return outcome;
    }
    VerifiedWriteOptions how;
    how.verify = options.verify;
    outcome.write = writeVerified(link, outcome.plan.next, current, how, observer);
    outcome.result = outcome.write.succeeded() ? Result::Verified : Result::WriteFailed;
    return outcome;
}
