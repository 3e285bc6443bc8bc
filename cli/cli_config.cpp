// The command-line tool's named-field commands: show, get, set, export, import, diff, backups.
#include "cli_tool.h"

#include "backup_history.h"
#include "config_block.h"
#include "config_document.h"
#include "field_rules.h"
#include "file_io.h"
#include "link.h"

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
    ConfigBlock current;
    if (!readController(link, current))
        return kExitLink;
    ApplyOptions apply;
    apply.force = options.force;
    apply.only = options.only;
    ConfigBlock next;
    QList<DocumentError> errors;
    if (!applyDocument(doc, current, apply, &next, &errors)) {
        for (const DocumentError& e : errors)
            m_err << "norvelctl: " << e.message << Qt::endl;
        return fail(QStringLiteral("nothing written"), kExitUsage);
    }
    const QList<FieldChange> changes = diffBlocks(current, next, FieldRules(current));
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
    return writeBlock(link, current, next, options);
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
    ConfigurationInput sides[2];
    for (int i = 0; i < 2; ++i) {
        ConfigurationInput& side = sides[i];
        if (names[i] == QLatin1String("controller")) {
            if (!readController(link, side.block))
                return kExitUsage; // as diff(1): trouble is 2
            side.whole = true;
        } else if (const int code = readConfiguration(names[i], &side); code != kExitOk) {
            return code;
        }
        if (side.whole)
            side.fields = FieldRules(side.block).usedFields();
    }

    // A's fields in order, then those only B holds. A field one side lacks counts only when
    // that side is a whole image: a document that does not name a field says nothing of it.
    QList<Field> order = sides[0].fields;
    for (Field f : sides[1].fields)
        if (!order.contains(f))
            order.append(f);
    bool differ = false;
    for (Field f : order) {
        const bool inA = sides[0].fields.contains(f), inB = sides[1].fields.contains(f);
        if ((!inA && !sides[0].whole) || (!inB && !sides[1].whole))
            continue;
        const QString a = inA ? fieldValueText(sides[0].block, f) : QStringLiteral("-");
        const QString b = inB ? fieldValueText(sides[1].block, f) : QStringLiteral("-");
        if (a == b)
            continue;
        m_out << changeText({f, a, b}) << '\n';
        differ = true;
    }
    m_out.flush();
    return differ ? kExitLink : kExitOk;
}

int CliTool::readConfiguration(const QString& path, ConfigurationInput* input)
{
    QByteArray data;
    QString error;
    if (!readFileCapped(path, kDocumentSizeCap, &data, &error))
        return fail(error, kExitUsage);
    // A 128-byte file is an image unless it is a JSON object: an image may well start with a
    // brace or blanks, but it is never whole JSON.
    if (data.size() == kConfigBlockSize && !QJsonDocument::fromJson(data).isObject()) {
        input->block = ConfigBlock::fromByteArray(data);
        input->whole = true;
        input->identified = true;
        return kExitOk;
    }
    QList<DocumentError> errors;
    const ConfigDocument doc = ConfigDocument::parse(data, &errors);
    for (const DocumentError& e : errors)
        m_err << "norvelctl: " << path << ": " << e.message << Qt::endl;
    if (!errors.isEmpty())
        return kExitUsage;
    input->block = doc.controller.value_or(ConfigBlock());
    input->identified = doc.controller.has_value();
    for (const auto& [field, value] : doc.fields) {
        input->block.set(field, value);
        input->fields.append(field);
    }
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
