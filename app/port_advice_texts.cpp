// The port help below message 103, in the words of the loaded resource module.
#include "port_advice_texts.h"

#include "prompter.h"

namespace {

constexpr int kMsgWhatToDo = 237;

QString moduleText(const Prompter& prompter, int id)
{
    QString text = prompter.text(id);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

} // namespace

int portAdviceStringId(PortAdvice::Kind kind)
{
    switch (kind) {
    case PortAdvice::JoinGroup:
        return 230;
    case PortAdvice::LogInAgain:
        return 231;
    case PortAdvice::HeldBy:
        return 232;
    case PortAdvice::HeldByOther:
        return 233;
    case PortAdvice::ModemManager:
        return 234;
    case PortAdvice::Brltty:
        return 235;
    case PortAdvice::InstallRule:
        return 236;
    }
    return 0;
}

QString portAdviceDetails(const QList<PortAdvice>& advice, const Prompter& prompter)
{
    if (advice.isEmpty())
        return {};
    QStringList paragraphs;
    for (const PortAdvice& item : advice) {
        QString text = moduleText(prompter, portAdviceStringId(item.kind));
        if (text.isEmpty()) {
            text = portAdviceText(item);
            paragraphs << text.left(1).toUpper() + text.mid(1);
            continue;
        }
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
    const QString heading = moduleText(prompter, kMsgWhatToDo);
    return (heading.isEmpty() ? QStringLiteral("What to do:") : heading) + QLatin1Char('\n') +
           paragraphs.join(QStringLiteral("\n\n"));
}
