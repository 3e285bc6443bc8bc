// Texts of the professional view and import mode: the loaded resource module's strings.
#include "view_texts.h"

#include "module_text.h"

QString ViewTexts::text(int id) const
{
    QString text = m_strings ? m_strings(id) : QString();
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

QString ViewTexts::text(int id, const QStringList& args) const
{
    return fillArgs(text(id), args);
}

QString ViewTexts::word(const FieldWord& word) const
{
    return fieldWordText(word, m_strings);
}

QString ViewTexts::valueText(Field f, const QString& value) const
{
    if (fieldDef(f).kind != FieldKind::Flag)
        return value;
    if (value == QLatin1String("true"))
        return text(TrueText);
    if (value == QLatin1String("false"))
        return text(FalseText);
    return value;
}

QString ViewTexts::validText(const ValidValues& valid) const
{
    return valid.text(text(EvenSpan), text(SteppedSpan), text(SpanSeparator));
}

QString ViewTexts::refusal(const DocumentError& error) const
{
    if (error.kind == DocumentError::Other)
        return error.message;
    QStringList args = error.args;
    if (error.kind == DocumentError::OutOfRange)
        args << validText(error.valid);
    return text(DocumentErrorFirst + error.kind, args);
}

QString ViewTexts::label(Field f) const
{
    return labels ? labels(f) : QString();
}

QString ViewTexts::identity(const ConfigBlock& block) const
{
    return text(ControllerChoice, {fieldValueText(block, Field::ModelPrefix),
                                   fieldValueText(block, Field::ModelNumber),
                                   fieldValueText(block, Field::ModelVariant), versionText(block)});
}
