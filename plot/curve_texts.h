// Words of the curve pictures: the loaded resource module's strings, or built-in English.
#pragma once

#include "curves.h"
#include "message_ids.h"

#include <QList>
#include <QString>

#include <functional>

// The identifiers (ThrottleTitle to BackupLegend) are MessageIds'.
class CurveTexts : public MessageIds
{
public:
    // `strings` returns string N of the loaded module, empty when it lacks it (or is unset).
    explicit CurveTexts(std::function<QString(int)> strings = {}) : m_strings(std::move(strings)) {}

    // The module's text, else the built-in English.
    QString text(int id) const;
    // The words of an axis, line, mark or note; empty for CurveLabel::None.
    QString label(CurveLabel label) const;
    QString title(CurveKind kind) const;
    // A unit or meaning of the rules in the module's words.
    QString word(const FieldWord& word) const;

    // The built-in English text, as the english module holds it; null for an unknown id.
    static QString english(int id);
    // Every identifier the pictures ask for.
    static QList<int> ids();

private:
    std::function<QString(int)> m_strings;
};
