// The question Write asks before settings that do not work together go to the controller.
#include "plausibility_question.h"

#include "field_rules.h"
#include "message_ids.h"

#include <QStringList>

namespace {

int ruleMessage(ImplausiblePair::Rule rule)
{
    switch (rule) {
    case ImplausiblePair::Rule::VoltageCutBacksOverlap:
        return MessageIds::VoltageCutBacksOverlap;
    case ImplausiblePair::Rule::ResumeNotBelowStop:
        break;
    }
    return MessageIds::ResumeNotBelowStop;
}

// "UnderVoltage 86 V": the field's name, as documents and norvelctl spell it, and its value.
QString fieldWithValue(Field f, std::uint32_t value)
{
    const QString unit = FieldRules::unit(f);
    return QStringLiteral("%1 %2%3")
        .arg(QLatin1String(fieldDef(f).name))
        .arg(value)
        .arg(unit.isEmpty() ? QString() : QLatin1Char(' ') + unit);
}

} // namespace

QString implausibleQuestion(const QList<ImplausiblePair>& pairs,
                            const std::function<QString(int)>& strings)
{
    QStringList lines;
    for (const ImplausiblePair& pair : pairs)
        lines << strings(ruleMessage(pair.rule))
                     .arg(fieldWithValue(pair.first, pair.firstValue),
                          fieldWithValue(pair.second, pair.secondValue));
    QString text = strings(MessageIds::ImplausibleQuestion).arg(lines.join(QLatin1Char('\n')));
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}
