// Fuzz target: configuration documents. Any input is parsed without harm. A document that
// parses and is applied to a controller's block changes only the writable fields it names, to
// values the controller allows, and never an identity or reserved byte. The document of any
// block (the first 128 input bytes) reads back as the same identity and fields.
#include "config_document.h"
#include "field_couplings.h"
#include "presets.h"

#include <QMap>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

const std::vector<ConfigBlock>& presetBlocks()
{
    static const std::vector<ConfigBlock> blocks = [] {
        std::vector<ConfigBlock> list;
        for (const char* name : {"basic", "full", "can", "pdr", "legacy"}) {
            ConfigBlock block;
            if (presetImage(QLatin1String(name), &block, nullptr, nullptr))
                list.push_back(block);
        }
        return list;
    }();
    return blocks;
}

QMap<Field, std::uint32_t> fieldMap(const ConfigDocument& doc)
{
    QMap<Field, std::uint32_t> map;
    for (const auto& [field, value] : doc.fields)
        map.insert(field, value);
    return map;
}

constexpr Field kIdentity[] = {Field::ModelPrefix,  Field::ModelNumber,     Field::ModelOptions,
                               Field::ModelVariant, Field::SoftwareVersion, Field::SerialNumber,
                               Field::AdVersion};

bool sameIdentity(const ConfigBlock& a, const ConfigBlock& b)
{
    for (Field f : kIdentity)
        if (a.raw(f) != b.raw(f))
            return false;
    return true;
}

// Whether a byte may change when a document is applied: it belongs to a field the controller
// lets anyone write, or to a field derived from one.
bool writableByte(const FieldRules& rules, int offset)
{
    for (const DerivedField& d : derivedFields())
        if (offset == fieldDef(d.field).offset)
            return true;
    int count = 0;
    const FieldDef* table = fieldTable(&count);
    for (int i = 0; i < count; ++i)
        if (offset >= table[i].offset && offset < table[i].offset + table[i].width &&
            rules.writable(table[i].field))
            return true;
    return false;
}

void checkApplied(const ConfigDocument& doc, const ConfigBlock& current,
                  const ApplyOptions& options, const ConfigBlock& next)
{
    const FieldRules rules(current);
    int count = 0;
    const FieldDef* table = fieldTable(&count);
    for (int i = 0; i < count; ++i)
        if (table[i].kind == FieldKind::Reserved || table[i].kind == FieldKind::Text)
            check(current.raw(table[i].field) == next.raw(table[i].field),
                  "an identity or reserved byte changed");
    for (int offset = 0; offset < kConfigBlockSize; ++offset)
        if (current.byte(offset) != next.byte(offset))
            check(writableByte(rules, offset), "a byte of no writable field changed");

    // What the document names (and --only lets through) the controller now holds.
    for (const auto& [field, value] : doc.fields) {
        if (!options.only.isEmpty() && !options.only.contains(QLatin1String(fieldDef(field).name)))
            continue;
        if (rules.used(field))
            check(next.get(field) == value, "a named field does not hold its value");
    }
    // Every field that changed holds a value the controller allows.
    for (Field f : rules.usedFields())
        if (current.get(f) != next.get(f) && !derivedSource(f))
            check(rules.writable(f) && rules.valid(f).contains(next.get(f)),
                  "a field changed to a value the controller does not allow");
    for (const DerivedField& d : derivedFields())
        if (current.get(d.source) != next.get(d.source))
            check(next.get(d.field) == next.get(d.source), "a derived field does not follow");
    check(rules.couplingErrors(current, next).isEmpty(), "a coupling rule is broken");
}

// The document of a block, written and read back, names the same identity and fields, and
// applied to the block it changes nothing.
void checkRoundTrip(const ConfigBlock& block)
{
    const ConfigDocument doc = ConfigDocument::of(block);
    QList<DocumentError> errors;
    const ConfigDocument back = ConfigDocument::parse(doc.toJson(), &errors);
    check(errors.isEmpty(), "the document of a block does not parse");
    check(back.controller.has_value(), "the identity part is lost");
    check(sameIdentity(*back.controller, block), "the identity part reads back differently");
    check(fieldMap(back) == fieldMap(doc), "the fields read back differently");
    check(back.fields.size() == doc.fields.size(), "a field is named twice");

    ConfigBlock next;
    check(applyDocument(back, block, ApplyOptions{}, &next, &errors),
          "a block's own document is refused");
    check(next == block, "a block's own document changes it");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<int>(size));

    QList<DocumentError> errors;
    const ConfigDocument doc = ConfigDocument::parse(input, &errors);
    if (!errors.isEmpty()) {
        check(doc.fields.isEmpty() && !doc.controller, "a refused document carries content");
    } else {
        // Written and read back, the document says the same.
        const ConfigDocument back = ConfigDocument::parse(doc.toJson(), &errors);
        check(errors.isEmpty(), "a parsed document, written again, does not parse");
        check(fieldMap(back) == fieldMap(doc), "a parsed document's fields change on writing");
        check(back.controller.has_value() == doc.controller.has_value() &&
                  (!doc.controller || sameIdentity(*back.controller, *doc.controller)),
              "a parsed document's identity changes on writing");

        // Applied with and without --force, to all fields and to some of them.
        ApplyOptions some;
        for (int i = 0; i < doc.fields.size(); i += 2)
            some.only << QLatin1String(fieldDef(doc.fields[i].first).name);
        for (const ConfigBlock& block : presetBlocks()) {
            for (bool force : {false, true}) {
                for (ApplyOptions options : {ApplyOptions{}, some}) {
                    options.force = force;
                    ConfigBlock next = block;
                    QList<DocumentError> refusals;
                    if (applyDocument(doc, block, options, &next, &refusals)) {
                        check(refusals.isEmpty(), "success with refusals");
                        checkApplied(doc, block, options, next);
                    } else {
                        check(!refusals.isEmpty(), "a refusal that gives no reason");
                        check(next == block, "a refused document changed the result");
                    }
                }
            }
        }
    }

    // The same bytes as NAME=VALUE lines.
    const QStringList lines = QString::fromUtf8(input).split(QLatin1Char('\n'));
    const ConfigDocument assigned = documentFromAssignments(lines, &errors);
    check(errors.isEmpty() || assigned.fields.isEmpty(), "refused assignments carry content");

    if (size >= static_cast<std::size_t>(kConfigBlockSize))
        checkRoundTrip(ConfigBlock::fromByteArray(input.left(kConfigBlockSize)));
    return 0;
}
