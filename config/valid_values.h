// A set of whole numbers as spans with steps: the valid values of a field.
#pragma once

#include <QList>
#include <QString>

#include <cstdint>

// A set of whole numbers: spans of values from min to max in steps of `step` from min.
class ValidValues
{
public:
    struct Span
    {
        std::int64_t min;
        std::int64_t max;
        std::int64_t step;
    };

    ValidValues() = default;
    static ValidValues range(std::int64_t min, std::int64_t max, std::int64_t step = 1);
    ValidValues& add(std::int64_t min, std::int64_t max, std::int64_t step = 1);

    bool contains(std::int64_t value) const;
    bool isEmpty() const { return m_spans.isEmpty(); }
    std::int64_t min() const;
    std::int64_t max() const;
    const QList<Span>& spans() const { return m_spans; }
    // "20..100", "0..127 or 248..253", "60 or 120", "even 2..200", "10..200 in steps of 10".
    QString text() const;
    // The same in other words: `even` ("even %1..%2"), `stepped` ("%1..%2 in steps of %3") and
    // the separator (" or ").
    QString text(const QString& even, const QString& stepped, const QString& separator) const;

private:
    QList<Span> m_spans;
};
