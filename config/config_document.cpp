// The configuration document: a controller's settings by field name, as a JSON file.
#include "config_document.h"

#include "field_couplings.h"
#include "json_keys.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>

#include <cctype>
#include <cmath>

namespace {

// Fields that no controller lets anyone write; they never belong under "fields".
bool neverWritable(const FieldDef& def)
{
    return def.kind == FieldKind::Text || def.kind == FieldKind::Reserved ||
           derivedSource(def.field).has_value();
}

QString kindText(const FieldDef& def)
{
    if (def.kind == FieldKind::Flag)
        return QStringLiteral("true or false");
    return QStringLiteral("a whole number");
}

QString jsonText(const QJsonValue& v)
{
    if (v.isBool())
        return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    if (v.isDouble())
        return QString::number(v.toDouble(), 'g', 17);
    if (v.isString())
        return QStringLiteral("\"%1\"").arg(v.toString());
    if (v.isNull())
        return QStringLiteral("null");
    return v.isArray() ? QStringLiteral("an array") : QStringLiteral("an object");
}

// A value as JSON writes it, for a window's words; arrays and objects shortened.
QString jsonLiteral(const QJsonValue& v)
{
    return v.isArray()    ? QStringLiteral("[\u2026]")
           : v.isObject() ? QStringLiteral("{\u2026}")
                          : jsonText(v);
}

void lineAndColumn(const QByteArray& json, int offset, int* lineOut, int* columnOut)
{
    int line = 1, column = 1;
    for (int i = 0; i < offset && i < json.size(); ++i) {
        if (json.at(i) == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(json.at(i)) & 0xC0) != 0x80) {
            ++column; // count characters, not UTF-8 continuation bytes
        }
    }
    *lineOut = line;
    *columnOut = column;
}

// The largest number a field of `width` bytes holds.
std::int64_t widthMax(const FieldDef& def)
{
    return def.kind == FieldKind::Flag ? 1 : (std::int64_t{1} << (8 * def.width)) - 1;
}

// Reads one field value from JSON; false with a message on a wrong type or a number the field
// cannot hold.
bool fieldValue(const FieldDef& def, const QJsonValue& v, std::uint32_t* out, DocumentError* why)
{
    const QString name = QLatin1String(def.name);
    why->field = name;
    why->args = QStringList{name, jsonLiteral(v)};
    if (def.kind == FieldKind::Flag) {
        if (!v.isBool()) {
            why->kind = DocumentError::NotBoolean;
            why->message = QStringLiteral("%1: %2 is not allowed; allowed: true or false")
                               .arg(name, jsonText(v));
            return false;
        }
        *out = v.toBool() ? 1u : 0u;
        return true;
    }
    if (!v.isDouble()) {
        why->kind = DocumentError::NotNumber;
        why->message = QStringLiteral("%1: %2 is not allowed; allowed: %3")
                           .arg(name, jsonText(v), kindText(def));
        return false;
    }
    const double d = v.toDouble();
    if (!std::isfinite(d) || d != std::floor(d)) {
        why->kind = DocumentError::NotWhole;
        why->message = QStringLiteral("%1: %2 is not a whole number").arg(name, jsonText(v));
        return false;
    }
    if (d < 0 || d > static_cast<double>(widthMax(def))) {
        why->kind = DocumentError::OutOfWidth;
        why->args << QString::number(def.min) << QString::number(def.max);
        why->message = QStringLiteral("%1: %2 is out of range; allowed: %3..%4")
                           .arg(name, jsonText(v))
                           .arg(def.min)
                           .arg(def.max);
        return false;
    }
    *out = static_cast<std::uint32_t>(d);
    return true;
}

QString hexOf(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

// Identity fields as the document writes them: text for the letters, hex for the rest.
struct IdentityKey
{
    const char* key;
    Field field;
    bool hex;
};
constexpr IdentityKey kIdentityKeys[] = {
    {"prefix", Field::ModelPrefix, false},
    {"number", Field::ModelNumber, false},
    {"options", Field::ModelOptions, true},
    {"variant", Field::ModelVariant, false},
    {"software", Field::SoftwareVersion, true},
    {"serial", Field::SerialNumber, true},
    {"ad", Field::AdVersion, true},
};

// Reads the identity part into the identity bytes of a block of 0xFF.
bool readController(const QJsonObject& o, ConfigBlock* block, QList<DocumentError>* errors)
{
    bool ok = true;
    for (const IdentityKey& k : kIdentityKeys) {
        const FieldDef& def = fieldDef(k.field);
        const QJsonValue v = o.value(QLatin1String(k.key));
        const bool optional = k.field == Field::SerialNumber || k.field == Field::AdVersion;
        if (v.isUndefined() && optional)
            continue;
        QByteArray bytes;
        if (v.isString()) {
            const QString s = v.toString();
            bytes = k.hex ? QByteArray::fromHex(s.toLatin1()) : s.toLatin1();
            bool hexDigits = true;
            for (QChar c : s)
                hexDigits = hexDigits && c.unicode() < 0x80 && std::isxdigit(c.toLatin1());
            if (k.hex && (s.size() != 2 * def.width || !hexDigits))
                bytes.clear();
        }
        if (bytes.size() != def.width) {
            errors->append(
                {QStringLiteral("controller"),
                 QStringLiteral("controller.%1: %2 is not allowed; allowed: %3")
                     .arg(QLatin1String(k.key), jsonText(v),
                          k.hex ? QStringLiteral("%1 hexadecimal digits").arg(2 * def.width)
                                : QStringLiteral("a text of %1 characters").arg(def.width)),
                 k.hex ? DocumentError::BadIdentityHex : DocumentError::BadIdentityText,
                 {QLatin1String(k.key), jsonLiteral(v),
                  QString::number(k.hex ? 2 * def.width : def.width)}});
            ok = false;
            continue;
        }
        for (int i = 0; i < def.width; ++i)
            block->setByte(def.offset + i, static_cast<std::uint8_t>(bytes.at(i)));
    }
    return ok;
}

} // namespace

const FieldDef* fieldNamed(const QString& name)
{
    // Compared whole: a name with a NUL inside must not match the field its first part names.
    const FieldDef* def = findField(name.toUtf8().constData());
    return def != nullptr && name == QLatin1String(def->name) ? def : nullptr;
}

bool documentMayName(const FieldDef& def)
{
    return !neverWritable(def);
}

bool ConfigDocument::names(Field f) const
{
    for (const auto& [field, value] : fields)
        if (field == f)
            return true;
    return false;
}

std::uint32_t ConfigDocument::value(Field f) const
{
    for (const auto& [field, value] : fields)
        if (field == f)
            return value;
    return 0;
}

ConfigDocument ConfigDocument::parse(const QByteArray& json, QList<DocumentError>* errors)
{
    ConfigDocument doc;
    QList<DocumentError> found;
    QJsonParseError parseError{};
    const QJsonDocument jd = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        int line = 0, column = 0;
        lineAndColumn(json, parseError.offset, &line, &column);
        found.append({QString(),
                      QStringLiteral("not a JSON document: %1 at line %2, column %3")
                          .arg(parseError.errorString())
                          .arg(line)
                          .arg(column),
                      DocumentError::NotJson,
                      {parseError.errorString(), QString::number(line), QString::number(column)}});
    } else if (!jd.isObject()) {
        found.append({QString(),
                      QStringLiteral("not a configuration document: the JSON is not an object"),
                      DocumentError::NotObject});
    } else {
        const QJsonObject root = jd.object();
        // QJsonDocument keeps one of two values under one key without a word: a document
        // that says two things about one field cannot be trusted for either.
        // Other top-level keys (a comment) are not read, so they may repeat.
        static const QStringList kRead = {"format", "version", "controller", "fields"};
        for (const JsonDuplicate& d : duplicateJsonKeys(json, {"controller", "fields"})) {
            if (!d.object.isEmpty())
                found.append({d.key, QStringLiteral("%1: named twice in %2").arg(d.key, d.object)});
            else if (kRead.contains(d.key))
                found.append({d.key, QStringLiteral("%1: given twice").arg(d.key)});
        }
        const QJsonValue format = root.value(QStringLiteral("format"));
        const QJsonValue version = root.value(QStringLiteral("version"));
        if (format.toString() != QLatin1String(ConfigDocument::kFormat)) {
            found.append({QString(),
                          QStringLiteral("not a configuration document: format is %1, not \"%2\"")
                              .arg(jsonText(format), QLatin1String(ConfigDocument::kFormat)),
                          DocumentError::WrongFormat,
                          {jsonLiteral(format), QLatin1String(ConfigDocument::kFormat)}});
        } else if (!version.isDouble() || version.toDouble() != std::floor(version.toDouble()) ||
                   version.toDouble() < 1) {
            found.append(
                {QString(),
                 QStringLiteral("version %1 is not allowed; allowed: a whole number from 1")
                     .arg(jsonText(version)),
                 DocumentError::BadVersion,
                 {jsonLiteral(version)}});
        } else if (version.toDouble() > kFormatVersion) {
            found.append({QString(),
                          QStringLiteral("version %1 is newer than this program reads (%2); use a "
                                         "newer program")
                              .arg(jsonText(version))
                              .arg(kFormatVersion),
                          DocumentError::NewerVersion,
                          {jsonLiteral(version), QString::number(kFormatVersion)}});
        } else {
            const QJsonValue controller = root.value(QStringLiteral("controller"));
            if (controller.isObject()) {
                ConfigBlock identity;
                if (readController(controller.toObject(), &identity, &found))
                    doc.controller = identity;
            } else if (!controller.isUndefined()) {
                found.append({QStringLiteral("controller"),
                              QStringLiteral("controller: %1 is not allowed; allowed: an object")
                                  .arg(jsonText(controller)),
                              DocumentError::ControllerNotObject,
                              {jsonLiteral(controller)}});
            }
            const QJsonValue fieldsValue = root.value(QStringLiteral("fields"));
            if (!fieldsValue.isObject() && !fieldsValue.isUndefined()) {
                found.append({QStringLiteral("fields"),
                              QStringLiteral("fields: %1 is not allowed; allowed: an object")
                                  .arg(jsonText(fieldsValue)),
                              DocumentError::FieldsNotObject,
                              {jsonLiteral(fieldsValue)}});
            }
            const QJsonObject fields = fieldsValue.toObject();
            for (auto it = fields.begin(); it != fields.end(); ++it) {
                const QString name = it.key();
                const FieldDef* def = fieldNamed(name);
                if (def == nullptr) {
                    found.append({name,
                                  QStringLiteral("%1: no such field").arg(name),
                                  DocumentError::NoSuchField,
                                  {name}});
                    continue;
                }
                if (neverWritable(*def)) {
                    const std::optional<Field> source = derivedSource(def->field);
                    const QStringList args{name, source ? fieldDef(*source).name : QString()};
                    const QString why =
                        source ? QStringLiteral("it follows %1").arg(args[1])
                               : QStringLiteral("it is read from the controller, never written");
                    found.append(
                        {name, QStringLiteral("%1 is not writable: %2").arg(name, why),
                         source ? DocumentError::Derived : DocumentError::ReadFromController,
                         args});
                    continue;
                }
                std::uint32_t value = 0;
                DocumentError why;
                if (!fieldValue(*def, it.value(), &value, &why)) {
                    found.append(why);
                    continue;
                }
                doc.fields.append({def->field, value});
            }
        }
    }
    if (errors)
        *errors = found;
    if (!found.isEmpty())
        return {};
    return doc;
}

ConfigDocument ConfigDocument::of(const ConfigBlock& block)
{
    ConfigDocument doc;
    doc.controller = block;
    for (Field f : FieldRules(block).writableFields())
        doc.fields.append({f, block.get(f)});
    return doc;
}

QByteArray ConfigDocument::toJson() const
{
    // Written by hand at the top level so that "format" and "version" come first; the parts
    // below keep JSON's sorted keys, which stay stable under version control.
    const auto part = [](const QJsonObject& o) {
        QByteArray text = QJsonDocument(o).toJson(QJsonDocument::Indented).trimmed();
        return text.replace("\n", "\n    ");
    };
    QByteArray out = "{\n    \"format\": \"";
    out += ConfigDocument::kFormat;
    out += "\",\n    \"version\": " + QByteArray::number(kFormatVersion);
    if (controller) {
        QJsonObject c;
        c.insert(QStringLiteral("key"), ControllerKey(*controller));
        for (const IdentityKey& k : kIdentityKeys) {
            const QByteArray raw = controller->raw(k.field);
            c.insert(QLatin1String(k.key), k.hex ? hexOf(raw) : QString::fromLatin1(raw));
        }
        out += ",\n    \"controller\": " + part(c);
    }
    QJsonObject f;
    for (const auto& [field, value] : fields) {
        const FieldDef& def = fieldDef(field);
        if (def.kind == FieldKind::Flag)
            f.insert(QLatin1String(def.name), value != 0);
        else
            f.insert(QLatin1String(def.name), static_cast<qint64>(value));
    }
    out += ",\n    \"fields\": " + part(f) + "\n}\n";
    return out;
}

bool applyDocument(const ConfigDocument& doc, const ConfigBlock& current,
                   const ApplyOptions& options, ConfigBlock* result, QList<DocumentError>* errors)
{
    QList<DocumentError> found;
    if (doc.controller && !options.force && !sameModelAndVersion(*doc.controller, current))
        found.append({QStringLiteral("controller"),
                      QStringLiteral("the document is for %1, the controller is %2; use --force "
                                     "to apply it anyway")
                          .arg(identityText(*doc.controller), identityText(current)),
                      DocumentError::OtherController,
                      {modelDesignation(*doc.controller, true), versionText(*doc.controller),
                       modelDesignation(current, true), versionText(current)}});
    for (const QString& name : options.only) {
        const FieldDef* def = fieldNamed(name);
        if (def == nullptr)
            found.append({name,
                          QStringLiteral("%1: no such field").arg(name),
                          DocumentError::NoSuchField,
                          {name}});
        else if (!doc.names(def->field))
            found.append({name,
                          QStringLiteral("%1: the document does not name it").arg(name),
                          DocumentError::NotNamed,
                          {name}});
    }

    const FieldRules rules(current);
    ConfigBlock next = current;
    for (const auto& [field, value] : doc.fields) {
        const FieldDef& def = fieldDef(field);
        const QString name = QLatin1String(def.name);
        if (!options.only.isEmpty() && !options.only.contains(name))
            continue;
        if (current.get(field) == value)
            continue; // no change: never refused
        const FieldRule rule = rules.rule(field);
        const QString shown = def.kind == FieldKind::Flag
                                  ? (value ? QStringLiteral("true") : QStringLiteral("false"))
                                  : QString::number(value);
        if (!rule.used) {
            found.append({name,
                          QStringLiteral("%1=%2: this controller (%3) does not use %1")
                              .arg(name, shown, identityText(current)),
                          DocumentError::NotUsed,
                          {name, shown}});
        } else if (!rule.writable) {
            found.append(
                {name,
                 QStringLiteral("%1=%2: %1 is fixed on this controller (%3); it stays %4")
                     .arg(name, shown, identityText(current), fieldValueText(current, field)),
                 DocumentError::Fixed,
                 {name, shown, fieldValueText(current, field)}});
        } else if (!rule.valid.contains(value)) {
            found.append({name,
                          QStringLiteral("%1=%2 is out of range; allowed: %3")
                              .arg(name, shown, rule.valid.text()),
                          DocumentError::OutOfRange,
                          {name, shown},
                          rule.valid});
        } else {
            setWithDerived(next, field, value);
        }
    }
    if (found.isEmpty()) {
        const QStringList messages = rules.couplingErrors(current, next);
        const QList<CouplingRule> broken = rules.brokenCouplings(current, next);
        // The couplings' kinds follow SharedBrakeInput in the order CouplingRule lists them.
        for (int i = 0; i < broken.size(); ++i)
            found.append({QString(), messages.value(i),
                          DocumentError::Kind(DocumentError::SharedBrakeInput + int(broken[i])),
                          broken[i] == CouplingRule::BrakeSensorOrFunctions
                              ? QStringList{QString::number(next.get(Field::BrakeSensorType))}
                              : QStringList()});
    }
    if (errors)
        *errors = found;
    if (!found.isEmpty())
        return false;
    if (result)
        *result = next;
    return true;
}
