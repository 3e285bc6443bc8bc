// Comparisons of two blocks: field by field, byte by byte, and by the controller they are for.
#include "config_document.h"

QList<FieldChange> diffBlocks(const ConfigBlock& a, const ConfigBlock& b, const FieldRules& rules)
{
    QList<FieldChange> changes;
    for (Field f : rules.usedFields()) {
        const QString before = fieldValueText(a, f);
        const QString after = fieldValueText(b, f);
        if (before != after)
            changes.append({f, before, after});
    }
    return changes;
}

QString changeText(const FieldChange& change)
{
    return QStringLiteral("%1: %2 -> %3")
        .arg(QLatin1String(fieldDef(change.field).name), change.before, change.after);
}

Field fieldAtOffset(int offset)
{
    int count = 0;
    const FieldDef* table = fieldTable(&count);
    for (int i = 0; i < count; ++i)
        if (offset >= table[i].offset && offset < table[i].offset + table[i].width)
            return table[i].field;
    return Field::Count_;
}

int firstDifference(const ConfigBlock& a, const ConfigBlock& b, Field* field)
{
    for (int offset = 0; offset < kConfigBlockSize; ++offset) {
        const std::uint8_t diff = a.byte(offset) ^ b.byte(offset);
        if (diff == 0)
            continue;
        if (field) {
            *field = fieldAtOffset(offset);
            // In a byte of flags, name the flag whose bit differs.
            int count = 0;
            const FieldDef* table = fieldTable(&count);
            for (int i = 0; i < count; ++i)
                if (table[i].kind == FieldKind::Flag && table[i].offset == offset &&
                    (table[i].mask & diff)) {
                    *field = table[i].field;
                    break;
                }
        }
        return offset;
    }
    return -1;
}

int readBackDifference(const ConfigBlock& written, const ConfigBlock& readBack, Field* field)
{
    ConfigBlock compared = readBack;
    const FieldDef& version = fieldDef(Field::SoftwareVersion);
    for (int i = 0; i < version.width; ++i)
        compared.setByte(version.offset + i, written.byte(version.offset + i));
    return firstDifference(written, compared, field);
}

bool sameModelAndVersion(const ConfigBlock& a, const ConfigBlock& b)
{
    for (Field f : {Field::ModelPrefix, Field::ModelNumber, Field::ModelOptions,
                    Field::ModelVariant, Field::SoftwareVersion})
        if (a.raw(f) != b.raw(f))
            return false;
    return true;
}

QString identityText(const ConfigBlock& block)
{
    return QStringLiteral("%1%2 options %3 variant %4, software %5")
        .arg(fieldValueText(block, Field::ModelPrefix), fieldValueText(block, Field::ModelNumber),
             fieldValueText(block, Field::ModelOptions), fieldValueText(block, Field::ModelVariant),
             versionText(block));
}
