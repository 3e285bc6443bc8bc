// A prompter for tests: answers message boxes from a script and records what was raised.
#pragma once

#include "prompter.h"

#include <QList>
#include <QMap>
#include <QStringList>

#include <deque>
#include <functional>

class ScriptedPrompter : public Prompter
{
public:
    // Answers for message `id`, used in order; once used up, the default answer.
    void script(int id, std::initializer_list<Answer> answers)
    {
        auto& q = m_script[id];
        q.insert(q.end(), answers.begin(), answers.end());
    }
    // Answers for program texts (tell), used in order.
    void scriptTell(std::initializer_list<Answer> answers)
    {
        m_tellScript.insert(m_tellScript.end(), answers);
    }

    Answer ask(int id, Buttons buttons, Icon icon, const QString& details) override
    {
        asked.append(id);
        askedDetails.append(details);
        icons.append(icon);
        if (onAsk)
            onAsk(id);
        auto it = m_script.find(id);
        if (it != m_script.end() && !it->empty()) {
            const Answer a = it->front();
            it->pop_front();
            return a;
        }
        return defaultAnswer(buttons);
    }
    Answer askFilled(int id, const QStringList& args, Buttons buttons, Icon icon) override
    {
        return ask(id, buttons, icon, args.join(QLatin1Char('\n')));
    }
    Answer tell(const QString& text, Buttons buttons, Icon icon) override
    {
        told.append(text);
        toldIcons.append(icon);
        if (onTell)
            onTell(text);
        if (!m_tellScript.empty()) {
            const Answer a = m_tellScript.front();
            m_tellScript.pop_front();
            return a;
        }
        return defaultAnswer(buttons);
    }
    QString text(int id) const override { return texts ? texts(id) : QString(); }
    int count(int id) const { return static_cast<int>(asked.count(id)); }

    // Yes to questions, OK to notices, Cancel to Retry/Cancel (so no test loops for ever).
    static Answer defaultAnswer(Buttons buttons)
    {
        switch (buttons) {
        case Buttons::Ok:
        case Buttons::OkCancel:
            return Answer::Ok;
        case Buttons::YesNo:
        case Buttons::YesNoDefaultNo:
            return Answer::Yes;
        case Buttons::RetryCancel:
            return Answer::Cancel;
        }
        return Answer::Ok;
    }

    QList<int> asked;
    QStringList askedDetails;
    QList<Icon> icons;
    QStringList told;
    QList<Icon> toldIcons;
    std::function<void(int)> onAsk;
    std::function<void(const QString&)> onTell;
    std::function<QString(int)> texts; // the module's texts, when a test wants them

private:
    QMap<int, std::deque<Answer>> m_script;
    std::deque<Answer> m_tellScript;
};
