// A configuration as the front ends open, save and compare it: a 128-byte image or a
// configuration document.
#include "configuration_file.h"

#include "field_rules.h"

#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>

ConfigDocument ConfigurationFile::asDocument() const
{
    return image ? ConfigDocument::of(*image) : document;
}

bool ConfigurationFile::read(const QString& path, ConfigurationFile* file, QString* ioError,
                             QList<DocumentError>* errors)
{
    if (ioError)
        ioError->clear();
    if (errors)
        errors->clear();
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        if (ioError)
            *ioError = in.errorString();
        return false;
    }
    // Nothing larger is a configuration; a bound keeps a wrong choice from filling memory.
    constexpr qint64 kLargest = 1 << 20;
    const QByteArray data = in.read(kLargest + 1);
    if (in.error() != QFileDevice::NoError) {
        if (ioError)
            *ioError = in.errorString();
        return false;
    }
    ConfigurationFile result;
    // A 128-byte file is an image unless it is a JSON object: an image may well start with a
    // brace or blanks, but it is never whole JSON.
    if (data.size() == kConfigBlockSize && !QJsonDocument::fromJson(data).isObject()) {
        result.image = ConfigBlock::fromByteArray(data);
    } else {
        QList<DocumentError> found;
        if (data.size() > kLargest)
            found.append({QString(), QStringLiteral("the file is larger than any configuration"),
                          DocumentError::FileTooLarge});
        else
            result.document = ConfigDocument::parse(data, &found);
        if (!found.isEmpty()) {
            if (errors)
                *errors = found;
            return false;
        }
    }
    if (file)
        *file = result;
    return true;
}

QByteArray ConfigurationFile::content(const ConfigDocument& document)
{
    return document.toJson();
}

QByteArray ConfigurationFile::content(const ConfigBlock& image)
{
    return image.toByteArray();
}

bool ConfigurationFile::write(const QString& path, const QByteArray& content, QString* error)
{
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size() || !out.commit()) {
        if (error)
            *error = out.errorString();
        return false;
    }
    return true;
}

ConfigurationSide ConfigurationSide::of(const ConfigBlock& image)
{
    return {image, FieldRules(image).usedFields(), true, true};
}

ConfigurationSide ConfigurationSide::of(const ConfigDocument& document)
{
    ConfigurationSide side;
    side.block = document.controller.value_or(ConfigBlock());
    side.identified = document.controller.has_value();
    for (const auto& [field, value] : document.fields) {
        side.block.set(field, value);
        side.fields.append(field);
    }
    return side;
}

ConfigurationSide ConfigurationSide::of(const ConfigurationFile& file)
{
    return file.image ? of(*file.image) : of(file.document);
}

QList<FieldChange> compareConfigurations(const ConfigurationSide& a, const ConfigurationSide& b)
{
    QList<Field> order = a.fields;
    for (Field f : b.fields)
        if (!order.contains(f))
            order.append(f);
    QList<FieldChange> changes;
    for (Field f : order) {
        const bool inA = a.fields.contains(f), inB = b.fields.contains(f);
        if ((!inA && !a.whole) || (!inB && !b.whole))
            continue;
        const QString before = inA ? fieldValueText(a.block, f) : QStringLiteral("-");
        const QString after = inB ? fieldValueText(b.block, f) : QStringLiteral("-");
        if (before != after)
            changes.append({f, before, after});
    }
    return changes;
}
