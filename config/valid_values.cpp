// A set of whole numbers as spans with steps: the valid values of a field.
#include "valid_values.h"

#include <QStringList>

#include <algorithm>

ValidValues ValidValues::range(std::int64_t min, std::int64_t max, std::int64_t step)
{
    ValidValues v;
    v.add(min, max, step);
    return v;
}

ValidValues& ValidValues::add(std::int64_t min, std::int64_t max, std::int64_t step)
{
    m_spans.append({min, max, step < 1 ? 1 : step});
    return *this;
}

bool ValidValues::contains(std::int64_t value) const
{
    for (const Span& s : m_spans)
        if (value >= s.min && value <= s.max && (value - s.min) % s.step == 0)
            return true;
    return false;
}

std::int64_t ValidValues::min() const
{
    std::int64_t m = m_spans.isEmpty() ? 0 : m_spans.first().min;
    for (const Span& s : m_spans)
        m = std::min(m, s.min);
    return m;
}

std::int64_t ValidValues::max() const
{
    std::int64_t m = m_spans.isEmpty() ? 0 : m_spans.first().max;
    for (const Span& s : m_spans)
        m = std::max(m, s.max);
    return m;
}

QString ValidValues::text() const
{
    return text(QStringLiteral("even %1..%2"), QStringLiteral("%1..%2 in steps of %3"),
                QStringLiteral(" or "));
}

QString ValidValues::text(const QString& even, const QString& stepped,
                          const QString& separator) const
{
    QStringList parts;
    for (const Span& s : m_spans) {
        if (s.min == s.max)
            parts << QString::number(s.min);
        else if ((s.max - s.min) / s.step == 1)
            for (std::int64_t v = s.min; v <= s.max; v += s.step)
                parts << QString::number(v);
        else if (s.step == 1)
            parts << QStringLiteral("%1..%2").arg(s.min).arg(s.max);
        else if (s.step == 2 && s.min % 2 == 0)
            parts << even.arg(s.min).arg(s.max);
        else
            parts << stepped.arg(s.min).arg(s.max).arg(s.step);
    }
    return parts.join(separator);
}
