// Message boxes with the texts of the loaded resource module.
#include "message_prompter.h"

#include "resource_module.h"

#include <QCoreApplication>
#include <QMessageBox>

Prompter::Answer MessagePrompter::ask(int stringId, Buttons buttons, Icon icon,
                                      const QString& details)
{
    QString text = m_resources.string(stringId);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return show(text, details, buttons, icon);
}

Prompter::Answer MessagePrompter::askFilled(int stringId, const QStringList& args, Buttons buttons,
                                            Icon icon)
{
    QString text = m_resources.string(stringId);
    for (const QString& arg : args)
        text = text.arg(arg);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return show(text, QString(), buttons, icon);
}

QString MessagePrompter::text(int stringId) const
{
    return m_resources.string(stringId);
}

Prompter::Answer MessagePrompter::tell(const QString& text, Buttons buttons, Icon icon)
{
    return show(text, QString(), buttons, icon);
}

Prompter::Answer MessagePrompter::show(const QString& text, const QString& details, Buttons buttons,
                                       Icon icon)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(QCoreApplication::applicationName());
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    if (!details.isEmpty())
        box.setInformativeText(details);
    switch (icon) {
    case Icon::None:
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    }
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case Buttons::YesNoDefaultNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        break;
    case Buttons::RetryCancel:
        box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Retry:
        return Answer::Retry;
    default:
        // Closing the box counts as its negative answer.
        return buttons == Buttons::YesNo || buttons == Buttons::YesNoDefaultNo
                   ? Answer::No
                   : (buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel);
    }
}
