// The command-line tool's named-field commands: show, get, set, export, import, diff, backups.
#include "cli_tool.h"

#include "backup_history.h"
#include "config_block.h"
#include "config_document.h"
#include "configuration_file.h"
#include "controller_open.h"
#include "field_encodings.h"
#include "field_rules.h"
#include "file_io.h"
#include "link.h"
#include "plausibility.h"
#include "unit_import.h"

#include <QDir>
#include <QJsonDocument>

int CliTool::show(Link& link, bool json)
{
    ConfigBlock block;
    if (!readController(link, block))
        return kExitLink;
    if (json) {
        m_out << ConfigDocument::of(block).toJson();
        m_out.flush();
        return kExitOk;
    }
    const FieldRules rules(block);
    m_out << "Controller " << identityText(block) << ", serial "
          << fieldValueText(block, Field::SerialNumber) << ", AD "
          << fieldValueText(block, Field::AdVersion) << ", key " << ControllerKey(block) << ", on "
          << link.portPath() << '\n';
    FieldGroup group = FieldGroup::None;
    for (Field f : rules.usedFields()) {
        const FieldRule rule = rules.rule(f);
        if (rule.group == FieldGroup::Identity)
            continue; // said in the first line
        if (rule.group != group) {
            group = rule.group;
            m_out << '\n' << fieldGroupName(group) << '\n';
        }
        const QString meaning = rules.meaning(f, block.get(f));
        const QString unit =
            fieldDef(f).kind == FieldKind::Number ? FieldRules::unit(f) : QString();
        QString allowed;
        if (!rule.writable)
            allowed = QStringLiteral("fixed");
        else if (fieldDef(f).kind != FieldKind::Flag)
            allowed = QStringLiteral("valid ") + rule.valid.text();
        m_out << QStringLiteral("  %1 %2 %3 %4 %5")
                     .arg(QLatin1String(fieldDef(f).name), -31)
                     .arg(fieldValueText(block, f), -12)
                     .arg(unit, -7)
                     .arg(meaning.isEmpty() ? QString() : QStringLiteral("= ") + meaning, -22)
                     .arg(allowed)
                     .trimmed()
                     .prepend(QStringLiteral("  "))
              << '\n';
    }
    m_out.flush();
    return kExitOk;
}

int CliTool::get(Link& link, const QStringList& names)
{
    QList<Field> fields;
    for (const QString& name : names) {
        const FieldDef* def = fieldNamed(name);
        if (def == nullptr)
            return fail(QStringLiteral("%1: no such field").arg(name), kExitUsage);
        fields.append(def->field);
    }
    ConfigBlock block;
    if (!readController(link, block))
        return kExitLink;
    for (Field f : fields)
        m_out << fieldDef(f).name << '=' << fieldValueText(block, f) << '\n';
    m_out.flush();
    return kExitOk;
}

int CliTool::set(Link& link, const QStringList& assignments, const WriteOptions& options)
{
    QList<DocumentError> errors;
    const ConfigDocument doc = documentFromAssignments(assignments, &errors);
    for (const DocumentError& e : errors)
        m_err << "norvelctl: " << e.message << Qt::endl;
    if (!errors.isEmpty())
        return fail(QStringLiteral("nothing written"), kExitUsage);
    return applyAndWrite(link, doc, options);
}

int CliTool::import(Link& link, const QString& path, const WriteOptions& options)
{
    QByteArray data;
    QString error;
    if (!readFileCapped(path, kDocumentSizeCap, &data, &error))
        return fail(error, kExitUsage);
    QList<DocumentError> errors;
    const ConfigDocument doc = ConfigDocument::parse(data, &errors);
    for (const DocumentError& e : errors)
        m_err << "norvelctl: " << path << ": " << e.message << Qt::endl;
    if (!errors.isEmpty())
        return fail(QStringLiteral("nothing written"), kExitUsage);
    return applyAndWrite(link, doc, options);
}

int CliTool::applyAndWrite(Link& link, const ConfigDocument& doc, const WriteOptions& options)
{
    OpenOutcome opened;
    if (!open(link, &opened))
        return kExitLink;
    if (!servedForWriting(opened))
        return kExitUsage;
    const ConfigBlock& current = opened.read.block;
    // The station runs the same plan, so that both refuse the same documents.
    ImportOptions how;
    how.force = options.force;
    how.only = options.only;
    const ImportPlan plan = planImport(current, doc, how);
    if (plan.verdict == ImportPlan::Verdict::DocumentRefused) {
        for (const DocumentError& e : plan.errors)
            m_err << "norvelctl: " << e.message << Qt::endl;
        return fail(QStringLiteral("nothing written"), kExitUsage);
    }
    // A legacy control mode left in place goes with this write, converted as the wizard does.
    if (plan.legacyConverted)
        m_err << "The controller holds the legacy control mode " << ControlModeCode::kLegacy
              << ": it is converted to torque mode (ControlMode " << ControlModeCode::kTorque
              << ", SpeedMode " << SpeedModeCode::kOff << ") with this write." << Qt::endl;
    for (const ImplausiblePair& pair : plan.implausible)
        m_err << "norvelctl: " << (options.force ? "written anyway: " : "") << implausibleText(pair)
              << Qt::endl;
    if (plan.verdict == ImportPlan::Verdict::Implausible)
        return fail(QStringLiteral("these settings do not work together; nothing written (--force "
                                   "writes them anyway)"),
                    kExitUsage);
    const QList<FieldChange>& changes = plan.changes;
    if (changes.isEmpty()) {
        m_err << "The controller already holds these values: nothing to change, nothing written."
              << Qt::endl;
        return kExitOk;
    }
    for (const FieldChange& c : changes)
        m_out << changeText(c) << '\n';
    m_out.flush();
    if (options.dryRun) {
        m_err << "Dry run: nothing written." << Qt::endl;
        return kExitOk;
    }
    if (!options.yes && !askMotorStopped())
        return fail(QStringLiteral("nothing written"), kExitUsage);
    return writeBlock(link, current, plan.next, options);
}

int CliTool::exportDocument(Link& link, const QString& path)
{
    ConfigBlock block;
    if (!readController(link, block))
        return kExitLink;
    const QByteArray json = ConfigDocument::of(block).toJson();
    if (path.isEmpty() && !m_exportFolder.isEmpty()) {
        if (!QDir().mkpath(m_exportFolder))
            return fail(QStringLiteral("cannot create %1").arg(m_exportFolder), kExitUsage);
        const QString key = ControllerKey(block);
        const QString named = claimExportName(key, link.portPath());
        const int code = writeDocument(named, json);
        if (code == kExitOk) {
            if (!named.endsWith(QLatin1Char('/') + key + QStringLiteral(".json")))
                m_err << "Another controller here has the key " << key
                      << " too: this one's document is " << named << Qt::endl;
            m_out << named << '\n';
            m_out.flush();
        }
        return code;
    }
    return writeDocument(path, json);
}

int CliTool::writeDocument(const QString& path, const QByteArray& json)
{
    if (path.isEmpty()) {
        m_out << json;
        m_out.flush();
        return kExitOk;
    }
    QString error;
    if (!writeFileWhole(path, json, &error))
        return fail(error, kExitUsage);
    return kExitOk;
}

int CliTool::diff(Link& link, const QStringList& inputs)
{
    const QStringList names = {inputs.value(0), inputs.value(1, QStringLiteral("controller"))};
    ConfigurationSide sides[2];
    for (int i = 0; i < 2; ++i) {
        if (names[i] == QLatin1String("controller")) {
            ConfigBlock block;
            if (!readController(link, block))
                return kExitUsage; // as diff(1): trouble is 2
            sides[i] = ConfigurationSide::of(block);
        } else if (const int code = readConfiguration(names[i], &sides[i]); code != kExitOk) {
            return code;
        }
    }
    const QList<FieldChange> changes = compareConfigurations(sides[0], sides[1]);
    for (const FieldChange& change : changes)
        m_out << changeText(change) << '\n';
    m_out.flush();
    return changes.isEmpty() ? kExitOk : kExitLink;
}

int CliTool::readConfiguration(const QString& path, ConfigurationSide* side)
{
    ConfigurationFile file;
    QString ioError;
    QList<DocumentError> errors;
    if (!ConfigurationFile::read(path, &file, &ioError, &errors)) {
        if (!ioError.isEmpty())
            return fail(ioError, kExitUsage);
        for (const DocumentError& e : errors)
            m_err << "norvelctl: " << path << ": " << e.message << Qt::endl;
        return kExitUsage;
    }
    *side = ConfigurationSide::of(file);
    return kExitOk;
}

int CliTool::backups()
{
    QString error;
    const QString folder = backupDirectory(&error);
    if (folder.isEmpty())
        return fail(error, kExitUsage);
    const BackupHistory history(folder);
    const QList<BackupEntry> entries = history.list();
    if (entries.isEmpty())
        m_err << "No backups in " << history.directory() << Qt::endl;
    for (const BackupEntry& e : entries)
        m_out << e.key << "  " << e.time.toString(Qt::ISODateWithMs) << "  "
              << (e.first ? "first  " : "history") << "  " << e.path << '\n';
    m_out.flush();
    return kExitOk;
}
