// Message boxes as the frame and the pages raise them: by string identifier or by text.
#pragma once

#include <QString>
#include <QStringList>

class Prompter
{
public:
    enum class Buttons
    {
        Ok,
        OkCancel,
        YesNo,
        RetryCancel,
        YesNoDefaultNo, // a question whose safe answer is No
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
    // Shows message `stringId` with its %1, %2... filled from `args`, in order.
    virtual Answer askFilled(int stringId, const QStringList& args, Buttons buttons,
                             Icon icon = Icon::None)
    {
        QString filled = text(stringId);
        for (const QString& arg : args)
            filled = filled.arg(arg);
        return tell(filled, buttons, icon);
    }
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
