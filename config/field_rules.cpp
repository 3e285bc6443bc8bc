// Which fields a controller uses, which of them may be written, and their valid values.
#include "field_rules.h"

#include <QStringList>

namespace V = SoftwareVersions;

namespace {

// Voltage classes: the first two model characters and the volts the limits span.
struct VoltageClass
{
    char first;
    char second;
    int min;
    int max;
};
constexpr VoltageClass kVoltageClasses[] = {
    {'1', '2', 18, 136}, {'1', '4', 18, 180}, {'1', '5', 18, 180}, {'2', '4', 8, 30},
    {'3', '6', 18, 45},  {'4', '8', 18, 60},  {'6', '0', 18, 80},  {'7', '2', 18, 90},
    {'8', '4', 18, 92},  {'0', '9', 18, 120}, {'9', '6', 18, 120},
};
// A model outside every class keeps the limits' default span.
constexpr VoltageRange kDefaultVoltageRange = {0, 100};

// The steps byte of software before 0302: starting step 0..4 in the high nibble, ending step
// 0..5 in the low nibble.
constexpr int kLastStartStep = 4;
constexpr int kLastEndStep = 5;

ValidValues stepPairs()
{
    ValidValues v;
    for (int start = 0; start <= kLastStartStep; ++start)
        v.add(start * 16, start * 16 + kLastEndStep);
    return v;
}

bool isIdentity(Field f)
{
    switch (f) {
    case Field::ModelPrefix:
    case Field::ModelNumber:
    case Field::ModelOptions:
    case Field::AdVersion:
    case Field::SerialNumber:
    case Field::SoftwareVersion:
    case Field::ModelVariant:
        return true;
    default:
        return false;
    }
}

FieldGroup groupOf(Field f)
{
    switch (f) {
    case Field::ThrottleSensorType:
    case Field::ThrottleStartPosition:
    case Field::ThrottleStartEndSteps:
    case Field::ThrottleEndPosition:
    case Field::FootSwitch:
    case Field::ForwardSwitch:
    case Field::MaxMotorCurrent:
    case Field::MaxBatteryCurrent:
    case Field::LowThresholdVoltage:
    case Field::HighThresholdVoltage:
        return FieldGroup::Throttle;
    case Field::StartupDelay:
    case Field::HallSensorType:
    case Field::ControlMode:
    case Field::ControlModeCopy:
    case Field::SpeedMode:
    case Field::PowerOnHighPedalDisable:
    case Field::ReleasingBrakeHighPedalDisable:
    case Field::UnderVoltage:
    case Field::OverVoltage:
    case Field::ThrottleUpDownRate:
        return FieldGroup::Startup;
    case Field::MotorTopSpeed:
    case Field::MotorPoles:
    case Field::HalfSpeedInReverse:
    case Field::BoostFunction:
    case Field::EconomyFunction:
    case Field::HalfCurrentInReverse:
    case Field::NoiseReduction:
    case Field::Abs:
    case Field::Output12V:
    case Field::MotorTopSpeedInReverse:
        return FieldGroup::Motor;
    case Field::Regeneration:
    case Field::ReleasingThrottleStartsRegen:
    case Field::BrakeSwitch:
    case Field::Joystick:
    case Field::Cruise:
    case Field::RegenCurrentByBrakeSwitchOn:
    case Field::MaxRegenCurrent:
    case Field::BrakeSensorStartingPoint:
    case Field::BrakeSensorEndingPoint:
    case Field::BrakeSensorStartEndSteps:
    case Field::BrakeSensorType:
        return FieldGroup::Regeneration;
    case Field::MotorTemperatureSensor:
    case Field::StopOutputTemperature:
    case Field::ResumeOutputTemperature:
    case Field::SendId:
    case Field::ReceiveId:
    case Field::HallPhaseSequence:
    case Field::AutoIdentify:
    case Field::IdentifyRev:
    case Field::Smooth:
    case Field::InflectionPoint:
    case Field::LowAccel:
    case Field::LowDecel:
    case Field::HighAccel:
    case Field::HighDecel:
        return FieldGroup::Temperature;
    case Field::PreferredAddress:
    case Field::ArbitraryAddressCapable:
    case Field::IndustryGroup:
    case Field::VehicleSystemInstance:
    case Field::VehicleSystem:
    case Field::ReservedFields:
    case Field::FunctionFields:
    case Field::FunctionInstance:
    case Field::EcuInstance:
    case Field::ManufacturerCode:
    case Field::IdentityNumber:
        return FieldGroup::J1939;
    default:
        return isIdentity(f) ? FieldGroup::Identity : FieldGroup::None;
    }
}

// Order of the groups as the wizard shows its pages.
constexpr FieldGroup kGroupOrder[] = {
    FieldGroup::Identity,     FieldGroup::Throttle,    FieldGroup::Startup, FieldGroup::Motor,
    FieldGroup::Regeneration, FieldGroup::Temperature, FieldGroup::J1939};

QString tenthsText(std::uint32_t tenths)
{
    return QStringLiteral("%1.%2 s").arg(tenths / 10).arg(tenths % 10);
}

} // namespace

ControllerIdentity ControllerIdentity::of(const ConfigBlock& block)
{
    ControllerIdentity id;
    id.prefix = block.raw(Field::ModelPrefix);
    id.modelNumber = block.raw(Field::ModelNumber);
    id.options = block.at(Field::ModelOptions);
    id.variant = block.at(Field::ModelVariant);
    id.version = block.softwareVersion();
    return id;
}

bool voltageClassRange(const ControllerIdentity& id, VoltageRange* range)
{
    if (id.modelNumber.size() < 2)
        return false;
    for (const VoltageClass& c : kVoltageClasses) {
        if (c.first == id.modelNumber.at(0) && c.second == id.modelNumber.at(1)) {
            if (range)
                *range = {c.min, c.max};
            return true;
        }
    }
    return false;
}

ValidValues ValidValues::range(std::int64_t min, std::int64_t max, std::int64_t step)
{
    ValidValues v;
    v.add(min, max, step);
    return v;
}

ValidValues& ValidValues::add(std::int64_t min, std::int64_t max, std::int64_t step)
{
    m_spans.append({min, max, step < 1 ? 1 : step});
    return *this;
}

bool ValidValues::contains(std::int64_t value) const
{
    for (const Span& s : m_spans)
        if (value >= s.min && value <= s.max && (value - s.min) % s.step == 0)
            return true;
    return false;
}

std::int64_t ValidValues::min() const
{
    std::int64_t m = m_spans.isEmpty() ? 0 : m_spans.first().min;
    for (const Span& s : m_spans)
        m = std::min(m, s.min);
    return m;
}

std::int64_t ValidValues::max() const
{
    std::int64_t m = m_spans.isEmpty() ? 0 : m_spans.first().max;
    for (const Span& s : m_spans)
        m = std::max(m, s.max);
    return m;
}

QString ValidValues::text() const
{
    return text(QStringLiteral("even %1..%2"), QStringLiteral("%1..%2 in steps of %3"),
                QStringLiteral(" or "));
}

QString ValidValues::text(const QString& even, const QString& stepped,
                          const QString& separator) const
{
    QStringList parts;
    for (const Span& s : m_spans) {
        if (s.min == s.max)
            parts << QString::number(s.min);
        else if ((s.max - s.min) / s.step == 1)
            for (std::int64_t v = s.min; v <= s.max; v += s.step)
                parts << QString::number(v);
        else if (s.step == 1)
            parts << QStringLiteral("%1..%2").arg(s.min).arg(s.max);
        else if (s.step == 2 && s.min % 2 == 0)
            parts << even.arg(s.min).arg(s.max);
        else
            parts << stepped.arg(s.min).arg(s.max).arg(s.step);
    }
    return parts.join(separator);
}

const char* fieldGroupName(FieldGroup group)
{
    switch (group) {
    case FieldGroup::Identity:
        return "Controller";
    case FieldGroup::Throttle:
        return "Throttle and general";
    case FieldGroup::Startup:
        return "Start-up, hall and voltage";
    case FieldGroup::Motor:
        return "Motor";
    case FieldGroup::Regeneration:
        return "Regeneration";
    case FieldGroup::Temperature:
        return "Temperature, CAN and smoothing";
    case FieldGroup::J1939:
        return "J1939";
    case FieldGroup::None:
        break;
    }
    return "Reserved";
}

FieldRules::FieldRules(const ControllerIdentity& identity) : m_identity(identity) {}

FieldRule FieldRules::rule(Field f) const
{
    const ControllerIdentity& id = m_identity;
    FieldRule r;
    r.def = &fieldDef(f);
    r.group = groupOf(f);
    // Flags take 0 and 1, numbers their documented range unless narrowed below.
    r.valid = ValidValues::range(r.def->min, r.def->max);

    const bool positions = id.versionAtLeast(V::kPositions);
    // A field exists only where the wizard has its page; the cases below narrow that further.
    bool used = true;
    switch (r.group) {
    case FieldGroup::Motor:
        used = id.versionAtLeast(V::kMotorPage);
        break;
    case FieldGroup::Regeneration:
        used = id.hasRegeneration();
        break;
    case FieldGroup::J1939:
        used = id.j1939Variant();
        break;
    case FieldGroup::Identity:
    case FieldGroup::None:
        // Identity fields are shown, never written; reserved bytes neither.
        r.used = r.group == FieldGroup::Identity;
        r.writable = false;
        r.valid = ValidValues();
        return r;
    default:
        break;
    }
    bool writable = true;

    switch (f) {
    // Throttle and general page.
    case Field::ThrottleStartPosition:
        used = positions;
        r.valid = ValidValues::range(0, 80, 2); // half percent, 0 % .. 40 %
        break;
    case Field::ThrottleEndPosition:
        used = positions;
        r.valid = ValidValues::range(120, 200, 2); // half percent, 60 % .. 100 %
        break;
    case Field::ThrottleStartEndSteps:
        used = !positions;
        r.valid = stepPairs();
        break;
    case Field::ThrottleSensorType:
        r.valid = ValidValues::range(1, id.versionAtLeast(V::kThreeSensors) ? 3 : 2);
        break;
    case Field::ForwardSwitch:
        used = id.versionAtLeast(V::kForwardSwitch);
        break;
    case Field::MaxBatteryCurrent:
        used = id.versionAtLeast(V::kBatteryCurrent);
        break;
    case Field::LowThresholdVoltage:
    case Field::HighThresholdVoltage:
        used = id.versionAtLeast(V::kIdentification);
        break;

    // Start-up, hall and voltage page.
    case Field::HallSensorType:
        r.valid = ValidValues::range(60, 120, 60);
        break;
    case Field::ControlMode:
        r.valid = ValidValues::range(1, 3, 2); // 1 balanced, 3 torque
        break;
    case Field::ControlModeCopy:
        writable = false; // written together with ControlMode, never alone
        r.valid = ValidValues::range(1, 3, 2);
        break;
    case Field::SpeedMode:
        r.valid = ValidValues::range(0, 2, 2);
        break;
    case Field::ReleasingBrakeHighPedalDisable:
        used = id.versionAtLeast(V::kReleasing);
        break;
    case Field::UnderVoltage:
    case Field::OverVoltage: {
        VoltageRange range = kDefaultVoltageRange;
        voltageClassRange(id, &range);
        r.valid = ValidValues::range(range.min, range.max);
        break;
    }
    case Field::ThrottleUpDownRate:
        r.valid = ValidValues::range(10, 200, 10); // 10 x rate step 1..20
        break;

    // Motor page.
    case Field::MotorPoles:
        writable = id.j1939Variant() || id.canVariant(); // the others show it fixed
        r.valid = ValidValues::range(2, 200, 2);
        break;
    case Field::HalfSpeedInReverse:
        used = used && id.versionAtLeast(V::kReleasing);
        writable = !id.versionAtLeast(V::kThreeSensors); // shown but fixed from 0403 on
        break;
    case Field::BoostFunction:
    case Field::EconomyFunction:
    case Field::HalfCurrentInReverse:
        used = used && id.versionAtLeast(V::kFunctions);
        break;
    case Field::NoiseReduction:
        used = used && id.versionAtLeast(V::kNoiseReduction);
        break;
    case Field::Abs:
    case Field::MotorTopSpeedInReverse:
        used = used && id.versionAtLeast(V::kThreeSensors);
        break;
    case Field::Output12V:
        used = used && id.versionAtLeast(V::kThreeSensors) && !id.pdSeries();
        break;

    // Regeneration page.
    case Field::ReleasingThrottleStartsRegen:
        used = used && id.versionAtLeast(V::kReleasing);
        break;
    case Field::BrakeSensorStartingPoint:
    case Field::BrakeSensorEndingPoint:
        used = used && positions;
        break;
    case Field::BrakeSensorStartEndSteps:
        used = used && !positions;
        r.valid = stepPairs();
        break;
    case Field::BrakeSensorType:
        r.valid = ValidValues::range(0, id.versionAtLeast(V::kThreeSensors) ? 3 : 2);
        break;

    // Temperature, CAN and smoothing page.
    case Field::MotorTemperatureSensor:
        r.valid = ValidValues::range(0, id.versionAtLeast(V::kThermistors) ? 2 : 1);
        break;
    case Field::SendId:
    case Field::ReceiveId:
        used = id.canVariant();
        break;
    case Field::AutoIdentify:
    case Field::IdentifyRev:
        used = id.versionAtLeast(V::kIdentification);
        break;
    case Field::HallPhaseSequence:
        used = id.versionAtLeast(V::kIdentification);
        writable = false; // the controller measures it
        break;
    case Field::Smooth:
    case Field::InflectionPoint:
    case Field::LowAccel:
    case Field::LowDecel:
    case Field::HighAccel:
    case Field::HighDecel:
        used = id.versionAtLeast(V::kThermistors);
        break;

    // J1939 page.
    case Field::PreferredAddress:
        // 128..247 belong to arbitrary-address-capable nodes, 254 and 255 are the null and
        // global addresses: none of them can be a preferred address.
        r.valid = ValidValues::range(0, 127).add(248, 253);
        break;

    default:
        break; // used wherever its page is, with its documented range
    }
    r.used = used;
    r.writable = used && writable;
    return r;
}

QList<Field> FieldRules::usedFields() const
{
    QList<Field> fields;
    int count = 0;
    const FieldDef* table = fieldTable(&count);
    for (FieldGroup group : kGroupOrder)
        for (int i = 0; i < count; ++i)
            if (groupOf(table[i].field) == group && used(table[i].field))
                fields.append(table[i].field);
    return fields;
}

QList<Field> FieldRules::writableFields() const
{
    QList<Field> fields;
    for (Field f : usedFields())
        if (writable(f))
            fields.append(f);
    return fields;
}

FieldWord FieldRules::meaningWord(Field f, std::uint32_t value) const
{
    using W = FieldWord;
    const bool threeSensors = m_identity.versionAtLeast(V::kThreeSensors);
    const bool positions = m_identity.versionAtLeast(V::kPositions);
    const auto literal = [](const QString& text) { return W{W::Literal, {text}}; };
    // A name of a list: a word, or a sensor designation that stands as it is.
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
        return value % 10 == 0 ? W{W::RateStep, {QString::number(value / 10)}} : W{};
    case Field::ThrottleStartPosition:
    case Field::ThrottleEndPosition:
        return literal(QStringLiteral("%1 %").arg(value / 2));
    case Field::ThrottleStartEndSteps:
    case Field::BrakeSensorStartEndSteps: {
        const std::uint32_t start = value >> 4, end = value & 0x0F;
        if (start > static_cast<std::uint32_t>(kLastStartStep) ||
            end > static_cast<std::uint32_t>(kLastEndStep))
            return {};
        return {W::StartEndSteps, {QString::number(start * 10), QString::number(100 - end * 10)}};
    }
    case Field::ControlMode:
    case Field::ControlModeCopy:
        return value == 3   ? W{W::Torque, {}}
               : value == 1 ? W{W::Balanced, {}}
               : value == 2 ? W{W::Legacy, {}}
                            : W{};
    case Field::SpeedMode:
        return {value == 2 ? W::SpeedControl : W::Off, {}};
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

QList<FieldRules::Coupling> FieldRules::brokenCouplings(const ConfigBlock& before,
                                                        const ConfigBlock& after) const
{
    QList<Coupling> broken;
    const auto changed = [&](std::initializer_list<Field> fields) {
        for (Field f : fields)
            if (before.get(f) != after.get(f))
                return true;
        return false;
    };
    // Boost and Economy both use the brake input: never both on, and not with a brake sensor.
    if (used(Field::BoostFunction) && after.flag(Field::BoostFunction) &&
        after.flag(Field::EconomyFunction) &&
        changed({Field::BoostFunction, Field::EconomyFunction}))
        broken << Coupling::SharedBrakeInput;
    if (used(Field::BoostFunction) && used(Field::BrakeSensorType) &&
        after.get(Field::BrakeSensorType) != 0 &&
        (after.flag(Field::BoostFunction) || after.flag(Field::EconomyFunction)) &&
        changed({Field::BoostFunction, Field::EconomyFunction, Field::BrakeSensorType}))
        broken << Coupling::BrakeInputTaken;
    // With the Forward Switch on, the throttle switch is the forward switch: no foot switch.
    if (used(Field::ForwardSwitch) && after.flag(Field::ForwardSwitch) &&
        after.flag(Field::FootSwitch) && changed({Field::ForwardSwitch, Field::FootSwitch}))
        broken << Coupling::FootSwitchWithForward;
    return broken;
}

QStringList FieldRules::couplingErrors(const ConfigBlock& before, const ConfigBlock& after) const
{
    QStringList errors;
    for (Coupling c : brokenCouplings(before, after)) {
        switch (c) {
        case Coupling::SharedBrakeInput:
            errors << QStringLiteral("BoostFunction and EconomyFunction cannot both be true (they "
                                     "share the brake input)");
            break;
        case Coupling::BrakeInputTaken:
            errors << QStringLiteral("BrakeSensorType=%1 needs BoostFunction and EconomyFunction "
                                     "false (they share the brake input)")
                          .arg(after.get(Field::BrakeSensorType));
            break;
        case Coupling::FootSwitchWithForward:
            errors << QStringLiteral("FootSwitch must be false while ForwardSwitch is true");
            break;
        }
    }
    return errors;
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
