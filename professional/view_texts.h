// Texts of the professional view and import mode: the loaded resource module's strings.
#pragma once

#include "config_document.h"
#include "field_rules.h"
#include "message_ids.h"

#include <QString>

#include <functional>

// The identifiers are MessageIds'; every one the view asks for is in both modules.
class ViewTexts : public MessageIds
{
public:
    // `strings` returns string N of the loaded module, empty when it lacks it.
    explicit ViewTexts(std::function<QString(int)> strings = {}) : m_strings(std::move(strings)) {}

    // The module's text, line breaks as plain "\n"; empty when the module lacks it.
    QString text(int id) const;
    // The module's text with %1, %2, ... filled in one pass.
    QString text(int id, const QStringList& args) const;

    // A unit or meaning of the rules in the module's words ("0-5V" and "0.5 s" stand as
    // they are).
    QString word(const FieldWord& word) const;
    // A field's value as fieldValueText gives it, flags in the module's words.
    QString valueText(Field f, const QString& text) const;
    // A field's valid values in the module's words ("even 2..200").
    QString validText(const ValidValues& valid) const;
    // Why a document was refused, in the module's words.
    QString refusal(const DocumentError& error) const;
    // A controller's model and software version in the module's words.
    QString identity(const ConfigBlock& block) const;
    // A field's label as the wizard's page shows it, in the module's words; empty for a field
    // no page shows.
    QString label(Field f) const;

    // The labels of the fields (see ResourceModule::fieldLabels); without them label() is empty.
    std::function<QString(Field)> labels;

private:
    std::function<QString(int)> m_strings;
};
