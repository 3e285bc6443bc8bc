// Why a unit passed or failed.
#include "unit_reason.h"

#include "field_rules.h"
#include "frame.h"

namespace {

QString writeReason(const WriteOutcome& write, const ConfigBlock& written)
{
    switch (write.kind) {
    case WriteOutcome::Kind::Verified:
        return QStringLiteral("written and verified");
    case WriteOutcome::Kind::Committed:
        return QStringLiteral("written, not verified");
    case WriteOutcome::Kind::NotStored:
        return QStringLiteral("verification failed: %1 reads back as %2, written %3")
            .arg(QLatin1String(fieldDef(write.field).name),
                 fieldValueText(write.readBlock, write.field),
                 fieldValueText(written, write.field));
    case WriteOutcome::Kind::LinkFailed:
        break;
    }
    if (write.failure.command != CMD_COMMIT) {
        if (write.held == WriteOutcome::Held::NewBlock)
            return QStringLiteral("committed, read-back failed at %1: not verified")
                .arg(write.failure.text());
        return QStringLiteral("write failed at %1: old configuration kept")
            .arg(write.failure.text());
    }
    const QString lost = QStringLiteral("COMMIT unanswered (%1)").arg(write.failure.reason);
    switch (write.held) {
    case WriteOutcome::Held::NewBlock:
        return lost + QStringLiteral(": new configuration held, not verified");
    case WriteOutcome::Held::OldBlock:
        return lost + QStringLiteral(": old configuration kept");
    case WriteOutcome::Held::Unknown:
        break;
    }
    return lost + QStringLiteral(": cannot tell which configuration the controller holds");
}

} // namespace

QString unitReasonText(const UnitImportOutcome& outcome)
{
    using Result = UnitImportOutcome::Result;
    switch (outcome.result) {
    case Result::Verified:
    case Result::WriteFailed:
        return writeReason(outcome.write, outcome.plan.next);
    case Result::Unchanged:
        return QStringLiteral("already configured, nothing written");
    case Result::ReadFailed:
        return QStringLiteral("%1 failed at %2")
            .arg(outcome.read.failure.command == CMD_IDENTIFY ? QStringLiteral("identification")
                                                              : QStringLiteral("read"),
                 outcome.read.failure.text());
    case Result::NotServed:
        return outcome.plan.open.verdict == OpenDecision::Verdict::SpecialVersion
                   ? QStringLiteral("special version, not configured by this tool")
                   : QStringLiteral("series %1 not configured by this tool")
                         .arg(fieldValueText(outcome.read.block, Field::ModelPrefix));
    case Result::DocumentRefused: {
        QStringList messages;
        for (const DocumentError& e : outcome.plan.errors)
            messages << e.message;
        return QStringLiteral("document refused: ") + messages.join(QStringLiteral("; "));
    }
    case Result::Implausible: {
        QStringList pairs;
        for (const ImplausiblePair& pair : outcome.plan.implausible)
            pairs << implausibleText(pair);
        return QStringLiteral("settings do not work together: ") + pairs.join(QStringLiteral("; "));
    }
    case Result::BackupFailed:
        return QStringLiteral("backup not kept in %1 (%2): nothing written")
            .arg(outcome.backup.folder, outcome.backup.reason);
    }
    return QString();
}
