// Tests that every simulator preset is a plausible controller and has the traits it promises.
#include "presets.h"

#include <gtest/gtest.h>

#include <cctype>
#include <iterator>
#include <set>
#include <string>

namespace {

struct Traits
{
    const char* name;
    int version;
    const char* prefix;
    bool regeneration; // ModelNumber ends in '1'
    char variant;
    bool special; // ModelOptions bit 7
};

// What the tool's page choice and refusals depend on.
const Traits kTraits[] = {
    {"basic", 0x0203, "DVR", false, 'A', false}, {"full", 0x0405, "DVR", true, 'J', false},
    {"can", 0x0405, "DVR", true, 'C', false},    {"pdr", 0x0403, "PDR", true, 'A', false},
    {"legacy", 0x0209, "PDT", true, 'A', false}, {"unsupported", 0x0405, "XQZ", true, 'A', false},
    {"special", 0x0405, "DVR", true, 'A', true},
};

ConfigBlock image(const QString& name, int* version = nullptr)
{
    ConfigBlock block;
    std::uint8_t major = 0;
    std::uint8_t minor = 0;
    EXPECT_TRUE(presetImage(name, &block, &major, &minor)) << name.toStdString();
    if (version)
        *version = major * 256 + minor;
    return block;
}

QByteArray text(const ConfigBlock& block, Field field)
{
    return block.raw(field);
}

} // namespace

TEST(Presets, NamesKnownAndUnknown)
{
    QStringList expected;
    for (const auto& t : kTraits)
        expected << QString::fromLatin1(t.name);
    EXPECT_EQ(presetNames(), expected);
    EXPECT_EQ(defaultPresetName(), QStringLiteral("full"));
    EXPECT_FALSE(presetImage(QStringLiteral("turbo"), nullptr, nullptr, nullptr));
    EXPECT_TRUE(presetImage(QStringLiteral("Basic"), nullptr, nullptr, nullptr));
}

TEST(Presets, EachHasTheTraitsThePagesAndRefusalsDependOn)
{
    std::set<std::uint32_t> serials;
    for (const auto& t : kTraits) {
        SCOPED_TRACE(t.name);
        int version = 0;
        const ConfigBlock block = image(QString::fromLatin1(t.name), &version);
        EXPECT_EQ(version, t.version);
        EXPECT_EQ(block.softwareVersion(), t.version) << "image carries the same version";
        EXPECT_EQ(text(block, Field::ModelPrefix), QByteArray(t.prefix));
        EXPECT_EQ(block.at(Field::ModelNumber, 4) == '1', t.regeneration);
        EXPECT_EQ(block.get(Field::ModelVariant), static_cast<std::uint32_t>(t.variant));
        EXPECT_EQ((block.get(Field::ModelOptions) & 0x80) != 0, t.special);
        serials.insert(block.get(Field::SerialNumber));
        const bool legacy = std::string(t.name) == "legacy";
        EXPECT_EQ(block.get(Field::ControlMode) == 2 && block.get(Field::ControlModeCopy) == 2,
                  legacy);
    }
    EXPECT_EQ(serials.size(), std::size(kTraits)) << "every preset has its own serial number";
}

TEST(Presets, EveryFieldHoldsAValueTheToolAccepts)
{
    int count = 0;
    const FieldDef* table = fieldTable(&count);
    for (const QString& name : presetNames()) {
        SCOPED_TRACE(name.toStdString());
        const ConfigBlock block = image(name);
        for (int i = 0; i < count; ++i) {
            const FieldDef& d = table[i];
            if (d.kind != FieldKind::Number || d.alias)
                continue;
            if (d.field == Field::ControlMode || d.field == Field::ControlModeCopy)
                continue; // the legacy preset's 2 is checked above
            const std::int64_t value = block.get(d.field);
            EXPECT_GE(value, d.min) << d.name;
            EXPECT_LE(value, d.max) << d.name;
        }
        const std::uint32_t mode = block.get(Field::ControlMode);
        EXPECT_TRUE(mode == 1 || mode == 2 || mode == 3);
        EXPECT_EQ(block.get(Field::ControlModeCopy), mode);

        // Values the pages can show without changing them on a plain show and hide.
        EXPECT_TRUE(block.get(Field::HallSensorType) == 60 ||
                    block.get(Field::HallSensorType) == 120);
        EXPECT_EQ(block.get(Field::ThrottleUpDownRate) % 10, 0u);
        EXPECT_EQ(block.get(Field::MotorPoles) % 2, 0u);
        EXPECT_LE(block.get(Field::ResumeOutputTemperature),
                  block.get(Field::StopOutputTemperature));
        EXPECT_LT(block.get(Field::UnderVoltage), block.get(Field::OverVoltage));
        EXPECT_GE(block.get(Field::UnderVoltage), 8u);
        if (block.versionAtLeast(3, 2)) {
            EXPECT_LE(block.get(Field::ThrottleStartPosition), 80u);
            EXPECT_GE(block.get(Field::ThrottleEndPosition), 120u);
            EXPECT_LE(block.get(Field::ThrottleEndPosition), 200u);
        } else {
            const std::uint32_t steps = block.get(Field::ThrottleStartEndSteps);
            EXPECT_LE(steps >> 4, 4u);
            EXPECT_LE(steps & 0x0F, 5u);
            const std::uint32_t brake = block.get(Field::BrakeSensorStartEndSteps);
            EXPECT_LE(brake >> 4, 4u);
            EXPECT_LE(brake & 0x0F, 5u);
        }
        for (int b = 0; b < fieldDef(Field::HallPhaseSequence).width; ++b)
            EXPECT_LE(block.at(Field::HallPhaseSequence, b), 9);
        for (int b = 0; b < fieldDef(Field::ModelNumber).width; ++b)
            EXPECT_TRUE(std::isalnum(block.at(Field::ModelNumber, b)));
    }
}

TEST(Presets, BoostAndEconomyNeverBesideABrakeSensor)
{
    // Boost and economy share the brake input: no preset enables one next to a brake sensor.
    for (const QString& name : presetNames()) {
        const ConfigBlock block = image(name);
        if (block.get(Field::BrakeSensorType) != 0) {
            EXPECT_FALSE(block.flag(Field::BoostFunction)) << name.toStdString();
            EXPECT_FALSE(block.flag(Field::EconomyFunction)) << name.toStdString();
        }
    }
}
