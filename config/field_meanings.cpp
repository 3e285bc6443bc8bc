// What a field's stored value means: its unit, its name where a number says too little (as a
// word the front ends put in their own language), and its value as text.
#include "field_encodings.h"
#include "field_rules.h"

namespace V = SoftwareVersions;

namespace {

QString tenthsText(std::uint32_t tenths)
{
    return QStringLiteral("%1.%2 s").arg(tenths / 10).arg(tenths % 10);
}

} // namespace

QString FieldWord::english() const
{
    switch (kind) {
    case None:
        return {};
    case Literal:
        return args.value(0);
    case Degrees:
        return QStringLiteral("degrees");
    case Nibbles:
        return QStringLiteral("nibbles");
    case Torque:
        return QStringLiteral("Torque");
    case Balanced:
        return QStringLiteral("Balanced");
    case Legacy:
        return QStringLiteral("legacy");
    case SpeedControl:
        return QStringLiteral("Speed control");
    case Off:
        return QStringLiteral("off");
    case Disabled:
        return QStringLiteral("disabled");
    case ProtectionOn:
        return QStringLiteral("protection on");
    case ProtectionOff:
        return QStringLiteral("protection off");
    case NoUsed:
        return QStringLiteral("No Used");
    case NoSensor:
        return QStringLiteral("No");
    case Disable:
        return QStringLiteral("Disable");
    case Enable:
        return QStringLiteral("Enable");
    case ThreeWirePot:
        return QStringLiteral("3-wire Pot");
    case HallActiveThrottle:
        return QStringLiteral("Hall Active Throttle");
    case RateStep:
        return QStringLiteral("rate step %1").arg(args.value(0));
    case StartEndSteps:
        return QStringLiteral("start %1 %, end %2 %").arg(args.value(0), args.value(1));
    }
    return {};
}

FieldWord FieldRules::unitWord(Field f)
{
    const auto literal = [](const char* text) {
        const QString s = QString::fromUtf8(text);
        return s.isEmpty() ? FieldWord{} : FieldWord{FieldWord::Literal, {s}};
    };
    switch (f) {
    case Field::StartupDelay:
        return literal("0.1 s");
    case Field::ThrottleStartPosition:
    case Field::ThrottleEndPosition:
        return literal("0.5 %");
    case Field::HallSensorType:
        return {FieldWord::Degrees, {}};
    case Field::StopOutputTemperature:
    case Field::ResumeOutputTemperature:
        return literal("°C");
    default:
        if (QLatin1String(fieldDef(f).unit) == QLatin1String("nibbles"))
            return {FieldWord::Nibbles, {}};
        return literal(fieldDef(f).unit);
    }
}

FieldWord FieldRules::meaningWord(Field f, std::uint32_t value) const
{
    using W = FieldWord;
    const bool threeSensors = m_identity.versionAtLeast(V::kThreeSensors);
    const bool positions = m_identity.versionAtLeast(V::kPositions);
    const auto literal = [](const QString& text) { return W{W::Literal, {text}}; };
    // An item of a list: a word, or a sensor designation that stands as it is.
    struct Item
    {
        W::Kind kind;
        const char* text;
    };
    const auto item = [value, &literal](std::initializer_list<Item> names) {
        std::uint32_t i = 0;
        for (const Item& name : names)
            if (i++ == value)
                return name.kind == W::Literal ? literal(QString::fromLatin1(name.text))
                                               : W{name.kind, {}};
        return W{};
    };
    const Item none{W::None, ""};
    switch (f) {
    case Field::StartupDelay:
        return literal(tenthsText(value));
    case Field::ThrottleUpDownRate:
        return RateStep::isWholeStep(value)
                   ? W{W::RateStep, {QString::number(RateStep::step(value))}}
                   : W{};
    case Field::ThrottleStartPosition:
    case Field::ThrottleEndPosition:
        return literal(QStringLiteral("%1 %").arg(HalfPercent::wholePercent(value)));
    case Field::ThrottleStartEndSteps:
    case Field::BrakeSensorStartEndSteps: {
        const int start = StepPair::start(value), end = StepPair::end(value);
        if (value > 0xFF || start > StepPair::kLastStart || end > StepPair::kLastEnd)
            return {};
        return {W::StartEndSteps,
                {QString::number(StepPair::startPercent(start)),
                 QString::number(StepPair::endPercent(end))}};
    }
    case Field::ControlMode:
    case Field::ControlModeCopy:
        return value == ControlModeCode::kTorque     ? W{W::Torque, {}}
               : value == ControlModeCode::kBalanced ? W{W::Balanced, {}}
               : value == ControlModeCode::kLegacy   ? W{W::Legacy, {}}
                                                     : W{};
    case Field::SpeedMode:
        return {value == SpeedModeCode::kOn ? W::SpeedControl : W::Off, {}};
    case Field::ThrottleSensorType:
        if (threeSensors)
            return item({none, {W::Literal, "0-5V"}, {W::Literal, "1-4V"}, {W::Literal, "0-5K"}});
        if (positions)
            return item({none, {W::ThreeWirePot, ""}, {W::HallActiveThrottle, ""}});
        return item({none, {W::Literal, "0-5V"}, {W::Literal, "5-0V"}});
    case Field::BrakeSensorType:
        if (threeSensors)
            return item({{W::NoSensor, ""},
                         {W::Literal, "0-5V"},
                         {W::Literal, "1-4V"},
                         {W::Literal, "0-5K"}});
        if (positions)
            return item({{W::NoUsed, ""}, {W::ThreeWirePot, ""}, {W::HallActiveThrottle, ""}});
        return item({{W::NoUsed, ""}, {W::Literal, "0-5V"}, {W::Literal, "5-0V"}});
    case Field::MotorTemperatureSensor:
        if (m_identity.versionAtLeast(V::kThermistors))
            return item({{W::Disable, ""}, {W::Literal, "KTY83-122"}, {W::Literal, "KTY84-130"}});
        return item({{W::Disable, ""}, {W::Enable, ""}});
    case Field::ReleasingThrottleStartsRegen:
        return value == 0 ? W{W::Disabled, {}} : W{};
    case Field::PowerOnHighPedalDisable:
        return {value ? W::ProtectionOff : W::ProtectionOn, {}};
    default:
        return {};
    }
}

QString fieldValueText(const ConfigBlock& block, Field f)
{
    const FieldDef& def = fieldDef(f);
    switch (def.kind) {
    case FieldKind::Flag:
        return block.flag(f) ? QStringLiteral("true") : QStringLiteral("false");
    case FieldKind::Number:
        return QString::number(block.get(f));
    case FieldKind::Text:
        if (f == Field::ModelPrefix || f == Field::ModelNumber || f == Field::ModelVariant) {
            const QByteArray raw = block.raw(f);
            bool printable = true;
            for (char c : raw)
                printable = printable && c >= 0x20 && c < 0x7F;
            if (printable)
                return QString::fromLatin1(raw);
        }
        return QString::fromLatin1(block.raw(f).toHex().toUpper());
    case FieldKind::Reserved:
        break;
    }
    return QString::fromLatin1(block.raw(f).toHex().toUpper());
}

QString modelDesignation(const ConfigBlock& block, bool withVariant)
{
    QString text =
        fieldValueText(block, Field::ModelPrefix) + fieldValueText(block, Field::ModelNumber);
    if (withVariant)
        text += fieldValueText(block, Field::ModelVariant);
    return text;
}
