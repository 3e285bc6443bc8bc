// Units and meanings of the rules as words: their English, and the unit each field is kept in.
#include "field_rules.h"

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
