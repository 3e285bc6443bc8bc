// A configuration as the front ends open, save and compare it: a 128-byte image or a
// configuration document.
#include "configuration_file.h"

#include "field_rules.h"
#include "file_io.h"

#include <QJsonDocument>

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
    QByteArray data;
    bool tooLarge = false;
    QString why;
    if (!readFileCapped(path, kDocumentSizeCap, &data, &why, &tooLarge) && !tooLarge) {
        if (ioError)
            *ioError = why;
        return false;
    }
    ConfigurationFile result;
    // A 128-byte file is an image unless it is a JSON object: an image may well start with a
    // brace or blanks, but it is never whole JSON.
    if (data.size() == kConfigBlockSize && !QJsonDocument::fromJson(data).isObject()) {
        result.image = ConfigBlock::fromByteArray(data);
    } else {
        QList<DocumentError> found;
        if (tooLarge)
            found.append({QString(),
                          QStringLiteral("the file is too large for a configuration: "
                                         "more than 1 MiB"),
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
    return writeFileWhole(path, content, error);
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
