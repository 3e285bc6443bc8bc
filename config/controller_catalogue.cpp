// The controllers the tool knows by name: model designation, software version and one
// plausible configuration image each.
#include "controller_catalogue.h"

#include "field_encodings.h"

#include <cstring>

namespace {

struct Entry
{
    const char* name;
    const char* summary;
    std::uint8_t major;
    std::uint8_t minor;
    const char* prefix;      // three letters
    const char* modelNumber; // five characters: voltage class, current, regeneration mark
    std::uint8_t options;
    char variant;
    std::uint32_t serial;
};

// ModelOptions letter bits: A in bits 0-2, S in bits 3-4, C or J in bits 5-6; bit 7 marks a
// special version.
constexpr std::uint8_t kOptionA = 0x01;
constexpr std::uint8_t kOptionS = 0x08;
constexpr std::uint8_t kOptionC = 0x20;
constexpr std::uint8_t kOptionJ = 0x40;
constexpr std::uint8_t kOptionSpecial = 0x80;

constexpr Entry kEntries[] = {
    {"basic", "DVR 48 V, software 0203, no regeneration, four pages", 0x02, 0x03, "DVR", "48300",
     kOptionA, 'A', 0x12AB0001},
    {"full", "DVR 72 V, software 0405, regeneration and J1939, all seven pages", 0x04, 0x05, "DVR",
     "72401", kOptionA | kOptionJ, 'J', 0x12AB0002},
    {"can", "DVR 60 V, software 0405, CAN variant with send and receive identifiers", 0x04, 0x05,
     "DVR", "60351", kOptionA | kOptionC, 'C', 0x12AB0003},
    {"pdr", "PDR 36 V, software 0403, regeneration", 0x04, 0x03, "PDR", "36201",
     kOptionA | kOptionS, 'A', 0x12AB0004},
    {"legacy", "PDT 48 V, software 0209, legacy control mode 2 (converted on connect)", 0x02, 0x09,
     "PDT", "48251", kOptionA, 'A', 0x12AB0005},
    {"unsupported", "series XQZ, which the tool refuses", 0x04, 0x05, "XQZ", "72401", kOptionA, 'A',
     0x12AB0006},
    {"special", "DVR special version (option bit 7), which the tool refuses", 0x04, 0x05, "DVR",
     "72401", kOptionA | kOptionSpecial, 'A', 0x12AB0007},
};

const Entry* findEntry(const QString& name)
{
    const QString wanted = name.trimmed().toLower();
    for (const auto& entry : kEntries)
        if (wanted == QLatin1String(entry.name))
            return &entry;
    return nullptr;
}

void setText(ConfigBlock& block, Field field, const char* text)
{
    const FieldDef& def = fieldDef(field);
    const int n = static_cast<int>(std::strlen(text));
    for (int i = 0; i < def.width; ++i)
        block.setByte(def.offset + i, static_cast<std::uint8_t>(i < n ? text[i] : ' '));
}

void setBytes(ConfigBlock& block, Field field, std::initializer_list<std::uint8_t> bytes)
{
    const FieldDef& def = fieldDef(field);
    int i = 0;
    for (std::uint8_t b : bytes)
        if (i < def.width)
            block.setByte(def.offset + i++, b);
}

// Under- and over-voltage settings inside the range the tool offers for the voltage class
// written in the first two model characters.
void setVoltageLimits(ConfigBlock& block, const char* modelNumber)
{
    struct Limits
    {
        const char* voltageClass;
        std::uint32_t under;
        std::uint32_t over;
    };
    static constexpr Limits kLimits[] = {
        {"24", 18, 30}, {"36", 28, 44}, {"48", 38, 58}, {"60", 48, 78}, {"72", 58, 88},
    };
    for (const auto& limits : kLimits) {
        if (std::strncmp(modelNumber, limits.voltageClass, 2) == 0) {
            block.set(Field::UnderVoltage, limits.under);
            block.set(Field::OverVoltage, limits.over);
            return;
        }
    }
}

// Reserved bytes hold a recognisable pattern, so that a client which loses or rewrites them
// shows up in a comparison of images.
void fillReserved(ConfigBlock& block)
{
    int count = 0;
    const FieldDef* table = fieldTable(&count);
    for (int i = 0; i < count; ++i) {
        if (table[i].kind != FieldKind::Reserved)
            continue;
        for (int b = 0; b < table[i].width; ++b) {
            const int offset = table[i].offset + b;
            block.setByte(offset, static_cast<std::uint8_t>(0xA0 | (offset & 0x0F)));
        }
    }
}

ConfigBlock buildImage(const Entry& p)
{
    ConfigBlock block;
    block.bytes().fill(0x00);
    fillReserved(block);

    setBytes(block, Field::SoftwareVersion, {p.major, p.minor});
    setText(block, Field::ModelPrefix, p.prefix);
    setText(block, Field::ModelNumber, p.modelNumber);
    block.set(Field::ModelOptions, p.options);
    block.set(Field::AdVersion, 0x0A);
    block.set(Field::SerialNumber, p.serial);
    block.set(Field::ModelVariant, static_cast<std::uint8_t>(p.variant));

    const bool regen = p.modelNumber[4] == '1';
    const bool positions = block.versionAtLeast(3, 2); // percent positions, not nibble steps

    // Functions and switches.
    block.setFlag(Field::BoostFunction, false);
    block.setFlag(Field::EconomyFunction, false);
    block.setFlag(Field::HalfCurrentInReverse, true);
    block.setFlag(Field::ReleasingBrakeHighPedalDisable, true);
    block.setFlag(Field::HalfSpeedInReverse, false);
    block.setFlag(Field::Joystick, false);
    block.setFlag(Field::NoiseReduction, block.versionAtLeast(3, 4));
    block.setFlag(Field::FootSwitch, true);
    block.setFlag(Field::BrakeSwitch, true);
    block.setFlag(Field::ForwardSwitch, false);
    block.setFlag(Field::Abs, block.versionAtLeast(4, 3));
    block.setFlag(Field::Output12V, block.versionAtLeast(4, 3));
    block.setFlag(Field::PowerOnHighPedalDisable, false); // protection enabled
    // Left set even without a regeneration page: the tool is expected to clear it.
    block.setFlag(Field::Regeneration, true);

    // Throttle and brake sensors.
    block.set(Field::ThrottleSensorType, 1);
    block.set(Field::BrakeSensorType, regen ? 1 : 0);
    if (positions) {
        block.set(Field::ThrottleStartPosition, HalfPercent::stored(10));
        block.set(Field::ThrottleEndPosition, HalfPercent::stored(90));
    } else {
        block.set(Field::ThrottleStartEndSteps, StepPair::of(1, 1));    // 10 % to 90 %
        block.set(Field::BrakeSensorStartEndSteps, StepPair::of(1, 2)); // brake 10 % to 80 %
    }
    block.set(Field::BrakeSensorStartingPoint, 10);
    block.set(Field::BrakeSensorEndingPoint, 90);

    // Start-up, hall, voltage.
    block.set(Field::HallSensorType, 120);
    block.set(Field::StartupDelay, 5);
    block.set(Field::ControlMode, ControlModeCode::kTorque);
    block.set(Field::ControlModeCopy, ControlModeCode::kTorque);
    block.set(Field::SpeedMode, SpeedModeCode::kOff);
    setVoltageLimits(block, p.modelNumber);
    block.set(Field::ThrottleUpDownRate, RateStep::stored(5));

    // Currents.
    block.set(Field::MaxMotorCurrent, 100);
    block.set(Field::MaxBatteryCurrent, 40);
    block.set(Field::MaxRegenCurrent, 50);
    block.set(Field::ReleasingThrottleStartsRegen, 10);
    block.set(Field::RegenCurrentByBrakeSwitchOn, 30);
    block.set(Field::LowThresholdVoltage, 20);
    block.set(Field::HighThresholdVoltage, 80);

    // Motor.
    block.set(Field::MotorPoles, 8);
    block.set(Field::MotorTopSpeed, 100);
    block.set(Field::MotorTopSpeedInReverse, 50);

    // Smoothing and identification.
    block.set(Field::InflectionPoint, 15);
    block.set(Field::LowAccel, 20);
    block.set(Field::LowDecel, 20);
    block.set(Field::HighAccel, 60);
    block.set(Field::HighDecel, 60);
    block.setFlag(Field::Smooth, true);
    block.setFlag(Field::IdentifyRev, false);
    block.setFlag(Field::AutoIdentify, false);
    block.setFlag(Field::Cruise, false);
    setBytes(block, Field::HallPhaseSequence, {1, 5, 4, 6, 2, 3});

    // Temperatures and CAN.
    block.set(Field::MotorTemperatureSensor, block.versionAtLeast(4, 4) ? 1 : 0);
    block.set(Field::StopOutputTemperature, 110);
    block.set(Field::ResumeOutputTemperature, 90);
    block.set(Field::ReceiveId, 0x201);
    block.set(Field::SendId, 0x181);

    // J1939 identity.
    block.set(Field::PreferredAddress, 0x27); // 0..127 or 248..253
    block.set(Field::ArbitraryAddressCapable, 1);
    block.set(Field::IndustryGroup, 0);
    block.set(Field::VehicleSystemInstance, 0);
    block.set(Field::VehicleSystem, 0);
    block.set(Field::ReservedFields, 0);
    block.set(Field::FunctionFields, 130);
    block.set(Field::FunctionInstance, 0);
    block.set(Field::EcuInstance, 0);
    block.set(Field::ManufacturerCode, 1234);
    block.set(Field::IdentityNumber, 0x1000 + (p.serial & 0xFF));

    if (std::strcmp(p.name, "legacy") == 0) {
        // The earlier control mode 2, recorded in both copies.
        block.set(Field::ControlMode, ControlModeCode::kLegacy);
        block.set(Field::ControlModeCopy, ControlModeCode::kLegacy);
    }
    return block;
}

} // namespace

QStringList catalogueNames()
{
    QStringList names;
    for (const auto& entry : kEntries)
        names << QString::fromLatin1(entry.name);
    return names;
}

QString defaultCatalogueName()
{
    return QStringLiteral("full");
}

QString catalogueSummary(const QString& name)
{
    const Entry* entry = findEntry(name);
    return entry ? QString::fromLatin1(entry->summary) : QString();
}

bool catalogueImage(const QString& name, ConfigBlock* image, std::uint8_t* major,
                    std::uint8_t* minor)
{
    const Entry* entry = findEntry(name);
    if (!entry)
        return false;
    if (image)
        *image = buildImage(*entry);
    if (major)
        *major = entry->major;
    if (minor)
        *minor = entry->minor;
    return true;
}

bool catalogueAsRead(const QString& name, ConfigBlock* block)
{
    std::uint8_t major = 0, minor = 0;
    if (!catalogueImage(name, block, &major, &minor))
        return false;
    block->setSoftwareVersion(major, minor);
    return true;
}
