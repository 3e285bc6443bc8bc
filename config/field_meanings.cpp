// What a field's stored value means: its unit, its name where a number says too little, and
// its value as text.
#include "field_encodings.h"
#include "field_rules.h"

namespace V = SoftwareVersions;

namespace {

QString tenthsText(std::uint32_t tenths)
{
    return QStringLiteral("%1.%2 s").arg(tenths / 10).arg(tenths % 10);
}

} // namespace

QString FieldRules::unit(Field f)
{
    switch (f) {
    case Field::StartupDelay:
        return QStringLiteral("0.1 s");
    case Field::ThrottleStartPosition:
    case Field::ThrottleEndPosition:
        return QStringLiteral("0.5 %");
    case Field::HallSensorType:
        return QStringLiteral("degrees");
    case Field::StopOutputTemperature:
    case Field::ResumeOutputTemperature:
        return QStringLiteral("°C");
    default:
        return QString::fromUtf8(fieldDef(f).unit);
    }
}

QString FieldRules::meaning(Field f, std::uint32_t value) const
{
    const bool threeSensors = m_identity.versionAtLeast(V::kThreeSensors);
    const bool positions = m_identity.versionAtLeast(V::kPositions);
    const auto item = [value](std::initializer_list<const char*> names) {
        std::uint32_t i = 0;
        for (const char* name : names)
            if (i++ == value)
                return QString::fromLatin1(name);
        return QString();
    };
    switch (f) {
    case Field::StartupDelay:
        return tenthsText(value);
    case Field::ThrottleUpDownRate:
        return RateStep::isWholeStep(value)
                   ? QStringLiteral("rate step %1").arg(RateStep::step(value))
                   : QString();
    case Field::ThrottleStartPosition:
    case Field::ThrottleEndPosition:
        return QStringLiteral("%1 %").arg(HalfPercent::wholePercent(value));
    case Field::ThrottleStartEndSteps:
    case Field::BrakeSensorStartEndSteps: {
        const int start = StepPair::start(value), end = StepPair::end(value);
        if (value > 0xFF || start > StepPair::kLastStart || end > StepPair::kLastEnd)
            return QString();
        return QStringLiteral("start %1 %, end %2 %")
            .arg(StepPair::startPercent(start))
            .arg(StepPair::endPercent(end));
    }
    case Field::ControlMode:
    case Field::ControlModeCopy:
        return value == ControlModeCode::kTorque     ? QStringLiteral("Torque")
               : value == ControlModeCode::kBalanced ? QStringLiteral("Balanced")
               : value == ControlModeCode::kLegacy   ? QStringLiteral("legacy")
                                                     : QString();
    case Field::SpeedMode:
        return value == SpeedModeCode::kOn ? QStringLiteral("Speed control")
                                           : QStringLiteral("off");
    case Field::ThrottleSensorType:
        if (threeSensors)
            return item({"", "0-5V", "1-4V", "0-5K"});
        if (positions)
            return item({"", "3-wire Pot", "Hall Active Throttle"});
        return item({"", "0-5V", "5-0V"});
    case Field::BrakeSensorType:
        if (threeSensors)
            return item({"No", "0-5V", "1-4V", "0-5K"});
        if (positions)
            return item({"No Used", "3-wire Pot", "Hall Active Throttle"});
        return item({"No Used", "0-5V", "5-0V"});
    case Field::MotorTemperatureSensor:
        if (m_identity.versionAtLeast(V::kThermistors))
            return item({"Disable", "KTY83-122", "KTY84-130"});
        return item({"Disable", "Enable"});
    case Field::ReleasingThrottleStartsRegen:
        return value == 0 ? QStringLiteral("disabled") : QString();
    case Field::PowerOnHighPedalDisable:
        return value ? QStringLiteral("protection off") : QStringLiteral("protection on");
    default:
        return QString();
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
