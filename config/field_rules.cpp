// Which fields a controller uses, which of them may be written, and their valid values.
#include "field_rules.h"

#include "field_couplings.h"
#include "field_encodings.h"

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

// The steps bytes of software before 0302: every starting step with every ending step.
ValidValues stepPairs()
{
    ValidValues v;
    for (int start = 0; start <= StepPair::kLastStart; ++start)
        v.add(StepPair::of(start, 0), StepPair::of(start, StepPair::kLastEnd));
    return v;
}

// Throttle spans in half percent: from `from` % to `to` % in whole percent.
ValidValues wholePercents(int from, int to)
{
    return ValidValues::range(HalfPercent::stored(from), HalfPercent::stored(to),
                              HalfPercent::kPerPercent);
}

// Both control-mode codes a controller takes: balanced and torque (not the legacy code).
ValidValues controlModes()
{
    return ValidValues::range(ControlModeCode::kBalanced, ControlModeCode::kTorque,
                              ControlModeCode::kTorque - ControlModeCode::kBalanced);
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
        r.valid = wholePercents(0, 40);
        break;
    case Field::ThrottleEndPosition:
        used = positions;
        r.valid = wholePercents(60, 100);
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
        r.valid = controlModes();
        break;
    case Field::ControlModeCopy:
        writable = !derivedSource(f); // written together with ControlMode, never alone
        r.valid = controlModes();
        break;
    case Field::SpeedMode:
        r.valid = ValidValues::range(SpeedModeCode::kOff, SpeedModeCode::kOn,
                                     SpeedModeCode::kOn - SpeedModeCode::kOff);
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
        r.valid = ValidValues::range(RateStep::stored(RateStep::kFirst),
                                     RateStep::stored(RateStep::kLast), RateStep::kScale);
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

QList<Field> FieldRules::settingFields() const
{
    QList<Field> fields;
    for (Field f : usedFields())
        if (groupOf(f) != FieldGroup::Identity)
            fields.append(f);
    return fields;
}

QList<CouplingRule> FieldRules::brokenCouplings(const ConfigBlock& before,
                                                const ConfigBlock& after) const
{
    QList<CouplingRule> broken;
    for (CouplingRule rule : kCouplingRules) {
        const QList<Field> fields = couplingRuleFields(rule);
        bool applies = true, changed = false;
        for (Field f : fields) {
            applies = applies && used(f);
            changed = changed || before.get(f) != after.get(f);
        }
        if (applies && changed && couplingRuleBroken(rule, after))
            broken << rule;
    }
    return broken;
}

QStringList FieldRules::couplingErrors(const ConfigBlock& before, const ConfigBlock& after) const
{
    QStringList errors;
    for (CouplingRule rule : brokenCouplings(before, after))
        errors << couplingRuleText(rule, after);
    return errors;
}
