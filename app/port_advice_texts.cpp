// The port help below message 103, in the words of the loaded resource module.
#include "port_advice_texts.h"

#include "message_ids.h"
#include "prompter.h"

int portAdviceStringId(PortAdvice::Kind kind)
{
    switch (kind) {
    case PortAdvice::JoinGroup:
        return MessageIds::JoinGroupHelp;
    case PortAdvice::LogInAgain:
        return MessageIds::LogInAgainHelp;
    case PortAdvice::HeldBy:
        return MessageIds::HeldByHelp;
    case PortAdvice::HeldByOther:
        return MessageIds::HeldByOtherHelp;
    case PortAdvice::ModemManager:
        return MessageIds::ModemManagerHelp;
    case PortAdvice::Brltty:
        return MessageIds::BrlttyHelp;
    case PortAdvice::InstallRule:
        return MessageIds::InstallRuleHelp;
    }
    return 0;
}

QString portAdviceDetails(const QList<PortAdvice>& advice, const Prompter& prompter)
{
    if (advice.isEmpty())
        return {};
    QStringList paragraphs;
    for (const PortAdvice& item : advice) {
        QString text = prompter.line(portAdviceStringId(item.kind));
        // All names in one pass, so that a name holding "%2" stays as it is.
        const QStringList& a = item.args;
        switch (a.size()) {
        case 0:
            break;
        case 1:
            text = text.arg(a[0]);
            break;
        case 2:
            text = text.arg(a[0], a[1]);
            break;
        default:
            text = text.arg(a[0], a[1], a[2]);
        }
        paragraphs << text;
    }
    return prompter.line(MessageIds::WhatToDo) + QLatin1Char('\n') +
           paragraphs.join(QStringLiteral("\n\n"));
}
