// Message boxes as the frame and the pages raise them: by string identifier or by text.
#pragma once

#include <QString>

class Prompter
{
public:
    enum class Buttons
    {
        Ok,
        OkCancel,
        YesNo,
        RetryCancel
    };
    enum class Icon
    {
        None,
        Question,
        Warning,
        Information
    };
    enum class Answer
    {
        Ok,
        Cancel,
        Yes,
        No,
        Retry
    };

    virtual ~Prompter() = default;
    // Shows message `stringId` of the loaded resource module; `details`, when given, is shown
    // below it (which ports were tried and why they failed, for example).
    virtual Answer ask(int stringId, Buttons buttons, Icon icon = Icon::None,
                       const QString& details = QString()) = 0;
    // Shows a text of the program's own (validation messages, file errors).
    virtual Answer tell(const QString& text, Buttons buttons = Buttons::Ok,
                        Icon icon = Icon::Warning) = 0;
    // Text `stringId` of the loaded resource module, for composing details; null when this
    // prompter has no module or the module lacks the text.
    virtual QString text(int /*stringId*/) const { return {}; }
    // The same with its line breaks as plain "\n", for labels and details.
    QString line(int stringId) const
    {
        QString t = text(stringId);
        t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        return t;
    }
};
