// The byte index of the configuration block: every field with its offset, width or bit mask and
// range.
#pragma once

#include <cstdint>

// Field identifiers; the names follow the controller's documentation of the block.
enum class Field
{
    BoostFunction,
    EconomyFunction,
    HalfCurrentInReverse,
    ReleasingBrakeHighPedalDisable,
    HalfSpeedInReverse,
    Joystick,
    NoiseReduction,
    FootSwitch,
    BrakeSwitch,
    ForwardSwitch,
    Abs,
    Output12V,
    PowerOnHighPedalDisable,
    Regeneration,
    ThrottleSensorType,
    BrakeSensorType,
    ThrottleStartPosition,
    ThrottleStartEndSteps,
    ThrottleEndPosition,
    BrakeSensorStartEndSteps,
    Reserved6,
    HallSensorType,
    StartupDelay,
    Reserved13,
    MaxMotorCurrent,
    MaxRegenCurrent,
    ReleasingThrottleStartsRegen,
    RegenCurrentByBrakeSwitchOn,
    ControlModeCopy,
    UnderVoltage,
    OverVoltage,
    ThrottleUpDownRate,
    Reserved22,
    MotorPoles,
    Reserved25,
    SpeedMode,
    Reserved29,
    ControlMode,
    Reserved31,
    MotorTopSpeedInReverse,
    MotorTopSpeed,
    Reserved35,
    BrakeSensorStartingPoint,
    BrakeSensorEndingPoint,
    InflectionPoint,
    LowAccel,
    LowDecel,
    HighAccel,
    HighDecel,
    Smooth,
    IdentifyRev,
    AutoIdentify,
    Cruise,
    Reserved46,
    HallPhaseSequence,
    LowThresholdVoltage,
    HighThresholdVoltage,
    Reserved55,
    ReceiveId,
    SendId,
    MotorTemperatureSensor,
    StopOutputTemperature,
    ResumeOutputTemperature,
    ModelPrefix,
    ModelNumber,
    ModelOptions,
    AdVersion,
    Reserved74,
    SerialNumber,
    Reserved80,
    SoftwareVersion,
    Reserved85,
    MaxBatteryCurrent,
    Reserved101,
    ModelVariant,
    PreferredAddress,
    ArbitraryAddressCapable,
    IndustryGroup,
    VehicleSystemInstance,
    VehicleSystem,
    ReservedFields,
    FunctionFields,
    FunctionInstance,
    EcuInstance,
    ManufacturerCode,
    IdentityNumber,
    Reserved122,
    Count_
};

enum class FieldKind
{
    Flag,     // one bit of a shared byte (mask)
    Number,   // unsigned big-endian number of `width` bytes
    Text,     // raw bytes shown as text or hex (identification fields)
    Reserved, // kept as read, never changed by a page
};

struct FieldDef
{
    Field field;
    const char* name;
    FieldKind kind;
    int offset;
    int width;         // bytes
    std::uint8_t mask; // flags only
    std::int64_t min;  // documented range (numbers); 0..1 for flags
    std::int64_t max;
    bool readOnly; // identification fields and reserved bytes
    const char* unit;
    // Another name for the same bytes, used by other software versions.
    bool alias;
};

constexpr int kConfigBlockSize = 128;

const FieldDef& fieldDef(Field f);
// All fields in table order (aliases included).
const FieldDef* fieldTable(int* count);
// Lookup by name (case-sensitive); nullptr when unknown.
const FieldDef* findField(const char* name);
