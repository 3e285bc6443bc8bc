// The byte index of the configuration block: every field with its offset, width or bit mask and
// range.
#include "config_fields.h"

#include <cstring>

namespace {

constexpr FieldDef flag(Field f, const char* name, int offset, std::uint8_t mask)
{
    return {f, name, FieldKind::Flag, offset, 1, mask, 0, 1, false, "", false};
}
constexpr FieldDef num(Field f, const char* name, int offset, int width, std::int64_t min,
                       std::int64_t max, const char* unit = "", bool alias = false)
{
    return {f, name, FieldKind::Number, offset, width, 0, min, max, false, unit, alias};
}
constexpr FieldDef text(Field f, const char* name, int offset, int width)
{
    return {f, name, FieldKind::Text, offset, width, 0, 0, 0, true, "", false};
}
constexpr FieldDef reserved(Field f, const char* name, int offset, int width)
{
    return {f, name, FieldKind::Reserved, offset, width, 0, 0, 255, true, "", false};
}

// The only place where block offsets and masks are written down.
constexpr FieldDef kTable[] = {
    flag(Field::BoostFunction, "BoostFunction", 0, 0x01),
    flag(Field::EconomyFunction, "EconomyFunction", 0, 0x02),
    flag(Field::HalfCurrentInReverse, "HalfCurrentInReverse", 0, 0x04),
    flag(Field::ReleasingBrakeHighPedalDisable, "ReleasingBrakeHighPedalDisable", 0, 0x08),
    flag(Field::HalfSpeedInReverse, "HalfSpeedInReverse", 0, 0x10),
    flag(Field::Joystick, "Joystick", 0, 0x20),
    flag(Field::NoiseReduction, "NoiseReduction", 0, 0x40),
    flag(Field::FootSwitch, "FootSwitch", 1, 0x01),
    flag(Field::BrakeSwitch, "BrakeSwitch", 1, 0x02),
    flag(Field::ForwardSwitch, "ForwardSwitch", 1, 0x04),
    flag(Field::Abs, "Abs", 1, 0x08),
    flag(Field::Output12V, "Output12V", 1, 0x10),
    flag(Field::PowerOnHighPedalDisable, "PowerOnHighPedalDisable", 1, 0x20),
    flag(Field::Regeneration, "Regeneration", 1, 0x40),
    num(Field::ThrottleSensorType, "ThrottleSensorType", 2, 1, 1, 3),
    num(Field::BrakeSensorType, "BrakeSensorType", 3, 1, 0, 3),
    num(Field::ThrottleStartPosition, "ThrottleStartPosition", 4, 1, 0, 255),
    num(Field::ThrottleStartEndSteps, "ThrottleStartEndSteps", 4, 1, 0, 255, "nibbles", true),
    num(Field::ThrottleEndPosition, "ThrottleEndPosition", 5, 1, 0, 255),
    num(Field::BrakeSensorStartEndSteps, "BrakeSensorStartEndSteps", 5, 1, 0, 255, "nibbles", true),
    reserved(Field::Reserved6, "Reserved6", 6, 5),
    num(Field::HallSensorType, "HallSensorType", 11, 1, 60, 120, "degrees"),
    num(Field::StartupDelay, "StartupDelay", 12, 1, 0, 20, "0.1 s"),
    reserved(Field::Reserved13, "Reserved13", 13, 1),
    num(Field::MaxMotorCurrent, "MaxMotorCurrent", 14, 1, 20, 100, "%"),
    num(Field::MaxRegenCurrent, "MaxRegenCurrent", 15, 1, 20, 100, "%"),
    num(Field::ReleasingThrottleStartsRegen, "ReleasingThrottleStartsRegen", 16, 1, 0, 20, "%"),
    num(Field::RegenCurrentByBrakeSwitchOn, "RegenCurrentByBrakeSwitchOn", 17, 1, 5, 50, "%"),
    num(Field::ControlModeCopy, "ControlModeCopy", 18, 1, 1, 3),
    num(Field::UnderVoltage, "UnderVoltage", 19, 1, 0, 255, "V"),
    num(Field::OverVoltage, "OverVoltage", 20, 1, 0, 255, "V"),
    num(Field::ThrottleUpDownRate, "ThrottleUpDownRate", 21, 1, 10, 200),
    reserved(Field::Reserved22, "Reserved22", 22, 2),
    num(Field::MotorPoles, "MotorPoles", 24, 1, 2, 200),
    reserved(Field::Reserved25, "Reserved25", 25, 3),
    num(Field::SpeedMode, "SpeedMode", 28, 1, 0, 2),
    reserved(Field::Reserved29, "Reserved29", 29, 1),
    num(Field::ControlMode, "ControlMode", 30, 1, 1, 3),
    reserved(Field::Reserved31, "Reserved31", 31, 2),
    num(Field::MotorTopSpeedInReverse, "MotorTopSpeedInReverse", 33, 1, 20, 100, "%"),
    num(Field::MotorTopSpeed, "MotorTopSpeed", 34, 1, 30, 100, "%"),
    reserved(Field::Reserved35, "Reserved35", 35, 3),
    num(Field::BrakeSensorStartingPoint, "BrakeSensorStartingPoint", 38, 1, 0, 40, "%"),
    num(Field::BrakeSensorEndingPoint, "BrakeSensorEndingPoint", 39, 1, 50, 100, "%"),
    num(Field::InflectionPoint, "InflectionPoint", 40, 1, 5, 30),
    num(Field::LowAccel, "LowAccel", 41, 1, 1, 255),
    num(Field::LowDecel, "LowDecel", 42, 1, 1, 255),
    num(Field::HighAccel, "HighAccel", 43, 1, 1, 255),
    num(Field::HighDecel, "HighDecel", 44, 1, 1, 255),
    flag(Field::Smooth, "Smooth", 45, 0x01),
    flag(Field::IdentifyRev, "IdentifyRev", 45, 0x04),
    flag(Field::AutoIdentify, "AutoIdentify", 45, 0x08),
    flag(Field::Cruise, "Cruise", 45, 0x80),
    reserved(Field::Reserved46, "Reserved46", 46, 1),
    text(Field::HallPhaseSequence, "HallPhaseSequence", 47, 6),
    num(Field::LowThresholdVoltage, "LowThresholdVoltage", 53, 1, 0, 40, "%"),
    num(Field::HighThresholdVoltage, "HighThresholdVoltage", 54, 1, 60, 100, "%"),
    reserved(Field::Reserved55, "Reserved55", 55, 2),
    num(Field::ReceiveId, "ReceiveId", 57, 2, 0, 2047),
    num(Field::SendId, "SendId", 59, 2, 0, 2047),
    num(Field::MotorTemperatureSensor, "MotorTemperatureSensor", 61, 1, 0, 2),
    num(Field::StopOutputTemperature, "StopOutputTemperature", 62, 1, 60, 170, "C"),
    num(Field::ResumeOutputTemperature, "ResumeOutputTemperature", 63, 1, 60, 170, "C"),
    text(Field::ModelPrefix, "ModelPrefix", 64, 3),
    text(Field::ModelNumber, "ModelNumber", 67, 5),
    text(Field::ModelOptions, "ModelOptions", 72, 1),
    text(Field::AdVersion, "AdVersion", 73, 1),
    reserved(Field::Reserved74, "Reserved74", 74, 2),
    text(Field::SerialNumber, "SerialNumber", 76, 4),
    reserved(Field::Reserved80, "Reserved80", 80, 3),
    text(Field::SoftwareVersion, "SoftwareVersion", 83, 2),
    reserved(Field::Reserved85, "Reserved85", 85, 15),
    num(Field::MaxBatteryCurrent, "MaxBatteryCurrent", 100, 1, 20, 50, "%"),
    reserved(Field::Reserved101, "Reserved101", 101, 6),
    text(Field::ModelVariant, "ModelVariant", 107, 1),
    num(Field::PreferredAddress, "PreferredAddress", 108, 1, 0, 253),
    num(Field::ArbitraryAddressCapable, "ArbitraryAddressCapable", 109, 1, 0, 1),
    num(Field::IndustryGroup, "IndustryGroup", 110, 1, 0, 7),
    num(Field::VehicleSystemInstance, "VehicleSystemInstance", 111, 1, 0, 15),
    num(Field::VehicleSystem, "VehicleSystem", 112, 1, 0, 127),
    num(Field::ReservedFields, "ReservedFields", 113, 1, 0, 1),
    num(Field::FunctionFields, "FunctionFields", 114, 1, 0, 255),
    num(Field::FunctionInstance, "FunctionInstance", 115, 1, 0, 31),
    num(Field::EcuInstance, "EcuInstance", 116, 1, 0, 7),
    num(Field::ManufacturerCode, "ManufacturerCode", 117, 2, 0, 2047),
    num(Field::IdentityNumber, "IdentityNumber", 119, 3, 0, 2097151),
    reserved(Field::Reserved122, "Reserved122", 122, 6),
};

constexpr int kTableSize = static_cast<int>(sizeof(kTable) / sizeof(kTable[0]));
static_assert(kTableSize == static_cast<int>(Field::Count_), "one table row per field");

constexpr bool tableInEnumOrder()
{
    for (int i = 0; i < kTableSize; ++i)
        if (static_cast<int>(kTable[i].field) != i)
            return false;
    return true;
}
static_assert(tableInEnumOrder(), "table rows follow the Field enumeration");

} // namespace

const FieldDef& fieldDef(Field f)
{
    return kTable[static_cast<int>(f)];
}

const FieldDef* fieldTable(int* count)
{
    if (count)
        *count = kTableSize;
    return kTable;
}

const FieldDef* findField(const char* name)
{
    for (const auto& def : kTable)
        if (std::strcmp(def.name, name) == 0)
            return &def;
    return nullptr;
}
