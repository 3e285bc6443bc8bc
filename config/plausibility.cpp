// Settings the controller accepts one by one but cannot work with together as meant.
#include "plausibility.h"

#include "field_rules.h"

namespace {

struct PairRule
{
    ImplausiblePair::Rule rule;
    Field first;
    Field second;
    bool (*broken)(std::uint32_t first, std::uint32_t second);
    const char* why;
};

const PairRule kRules[] = {
    {ImplausiblePair::Rule::VoltageCutBacksOverlap, Field::UnderVoltage, Field::OverVoltage,
     // 1.1 x under >= 0.95 x over, in whole numbers
     [](std::uint32_t under, std::uint32_t over) { return 110 * under >= 95 * over; },
     "the under-voltage cut-back (110 % of UnderVoltage) reaches into the over-voltage cut-back "
     "(95 % of OverVoltage)"},
    {ImplausiblePair::Rule::ResumeNotBelowStop, Field::ResumeOutputTemperature,
     Field::StopOutputTemperature,
     [](std::uint32_t resume, std::uint32_t stop) { return resume >= stop; },
     "output would resume at or above the temperature at which it stops"},
};

const PairRule& ruleOf(ImplausiblePair::Rule rule)
{
    for (const PairRule& r : kRules)
        if (r.rule == rule)
            return r;
    return kRules[0];
}

} // namespace

QList<ImplausiblePair> implausiblePairs(const ConfigBlock& block)
{
    const FieldRules rules(block);
    QList<ImplausiblePair> found;
    for (const PairRule& r : kRules) {
        if (!rules.used(r.first) || !rules.used(r.second))
            continue;
        const std::uint32_t a = block.get(r.first), b = block.get(r.second);
        if (r.broken(a, b))
            found.append({r.rule, r.first, a, r.second, b});
    }
    return found;
}

QList<ImplausiblePair> newImplausiblePairs(const ConfigBlock& before, const ConfigBlock& after)
{
    const QList<ImplausiblePair> old = implausiblePairs(before);
    QList<ImplausiblePair> found;
    for (const ImplausiblePair& pair : implausiblePairs(after)) {
        bool known = false;
        for (const ImplausiblePair& o : old)
            known = known || (o.rule == pair.rule && o.firstValue == pair.firstValue &&
                              o.secondValue == pair.secondValue);
        if (!known)
            found.append(pair);
    }
    return found;
}

QString implausibleText(const ImplausiblePair& pair)
{
    const auto value = [](Field f, std::uint32_t v) {
        const QString unit = FieldRules::unit(f);
        return QStringLiteral("%1 %2%3")
            .arg(QLatin1String(fieldDef(f).name))
            .arg(v)
            .arg(unit.isEmpty() ? QString() : QLatin1Char(' ') + unit);
    };
    return QStringLiteral("%1 and %2: %3")
        .arg(value(pair.first, pair.firstValue), value(pair.second, pair.secondValue),
             QLatin1String(ruleOf(pair.rule).why));
}
