// Texts of the resource modules filled in: placeholders, and the rules' units and meanings.
#include "module_text.h"

#include "message_ids.h"

namespace {

int messageOf(FieldWord::Kind kind)
{
    using M = MessageIds;
    switch (kind) {
    case FieldWord::None:
    case FieldWord::Literal:
        return 0;
    case FieldWord::Degrees:
        return M::Degrees;
    case FieldWord::Nibbles:
        return M::Nibbles;
    case FieldWord::Torque:
        return M::TorqueMode;
    case FieldWord::Balanced:
        return M::BalancedMode;
    case FieldWord::Legacy:
        return M::LegacyMode;
    case FieldWord::SpeedControl:
        return M::SpeedControl;
    case FieldWord::Off:
        return M::Off;
    case FieldWord::Disabled:
        return M::Disabled;
    case FieldWord::ProtectionOn:
        return M::ProtectionOn;
    case FieldWord::ProtectionOff:
        return M::ProtectionOff;
    case FieldWord::NoUsed:
        return M::NoUsed;
    case FieldWord::NoSensor:
        return M::NoSensor;
    case FieldWord::Disable:
        return M::DisableWord;
    case FieldWord::Enable:
        return M::EnableWord;
    case FieldWord::ThreeWirePot:
        return M::ThreeWirePot;
    case FieldWord::HallActiveThrottle:
        return M::HallActiveThrottle;
    case FieldWord::RateStep:
        return M::RateStep;
    case FieldWord::StartEndSteps:
        return M::StartEndSteps;
    }
    return 0;
}

} // namespace

QString fillArgs(const QString& text, const QStringList& args)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        qsizetype end = i + 1;
        while (c == QLatin1Char('%') && end < text.size() && text.at(end).isDigit() && end - i < 3)
            ++end;
        const int n = end > i + 1 ? text.mid(i + 1, end - i - 1).toInt() : 0;
        if (n >= 1 && n <= args.size()) {
            out += args.at(n - 1);
            i = end - 1;
        } else {
            out += c;
        }
    }
    return out;
}

QString fieldWordText(const FieldWord& word, const ModuleStrings& strings)
{
    const int id = messageOf(word.kind);
    const QString text = id != 0 && strings ? strings(id) : QString();
    return text.isEmpty() ? word.english() : fillArgs(text, word.args);
}
