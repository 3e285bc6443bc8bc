// The values a list offers for a numeric field of the professional view's table.
#include "field_table_model.h"

#include <algorithm>

namespace {

// More values than this get a number entry instead of a list.
constexpr std::int64_t kMaxChoices = 8;

} // namespace

QList<FieldChoice> fieldChoices(const FieldRules& rules, Field f, const ViewTexts& texts)
{
    const ValidValues valid = rules.valid(f);
    if (fieldDef(f).kind != FieldKind::Number || valid.isEmpty())
        return {};
    std::int64_t count = 0;
    bool spaced = valid.spans().size() > 1;
    for (const ValidValues::Span& s : valid.spans()) {
        count += (s.max - s.min) / s.step + 1;
        spaced = spaced || s.step > 1;
    }
    if (count > kMaxChoices)
        return {};

    QList<int> values;
    for (const ValidValues::Span& s : valid.spans())
        for (std::int64_t v = s.min; v <= s.max; v += s.step)
            values.append(static_cast<int>(v));
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());

    bool allNamed = true;
    QList<FieldChoice> choices;
    const QString unit = texts.word(FieldRules::unitWord(f));
    for (int v : values) {
        const QString meaning = texts.word(rules.meaningWord(f, static_cast<std::uint32_t>(v)));
        allNamed = allNamed && !meaning.isEmpty();
        QString text = QString::number(v);
        if (!meaning.isEmpty())
            text = QStringLiteral("%1: %2").arg(v).arg(meaning);
        else if (!unit.isEmpty())
            text = QStringLiteral("%1 %2").arg(v).arg(unit);
        choices.append({v, text});
    }
    if (!allNamed && !spaced)
        return {}; // plain consecutive numbers: a number entry says it as well
    return choices;
}
