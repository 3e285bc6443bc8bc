// The field rules: which fields a controller uses and may write, and their valid values.
#include "field_rules.h"

#include <gtest/gtest.h>

namespace {

// A controller of the given designation and version, everything else 0xFF.
ConfigBlock controller(const char* prefix, const char* number, char variant, int version)
{
    ConfigBlock b;
    for (int i = 0; i < 3; ++i)
        b.setByte(fieldDef(Field::ModelPrefix).offset + i, static_cast<std::uint8_t>(prefix[i]));
    for (int i = 0; i < 5; ++i)
        b.setByte(fieldDef(Field::ModelNumber).offset + i, static_cast<std::uint8_t>(number[i]));
    b.setByte(fieldDef(Field::ModelVariant).offset, static_cast<std::uint8_t>(variant));
    b.set(Field::SoftwareVersion, static_cast<std::uint32_t>(version));
    return b;
}

// U: used, not writable; W: used and writable; '-': not used.
struct Expect
{
    Field field;
    const char* dvr0203;  // DVR 48 V, no regeneration, before the motor page
    const char* dvr0209;  // regeneration, motor page, steps
    const char* dvr0302;  // positions
    const char* dvrJ0405; // J1939 variant, everything
    const char* pdrC0403; // PDR series, CAN variant, regeneration
};

constexpr Expect kTable[] = {
    {Field::ThrottleStartEndSteps, "W", "W", "-", "-", "-"},
    {Field::ThrottleStartPosition, "-", "-", "W", "W", "W"},
    {Field::BrakeSensorStartEndSteps, "-", "W", "-", "-", "-"},
    {Field::BrakeSensorStartingPoint, "-", "-", "W", "W", "W"},
    {Field::MaxBatteryCurrent, "-", "W", "W", "W", "W"},
    {Field::ForwardSwitch, "-", "-", "-", "W", "W"},
    {Field::LowThresholdVoltage, "-", "-", "-", "W", "-"},
    {Field::MotorTopSpeed, "-", "W", "W", "W", "W"},
    {Field::MotorPoles, "-", "U", "U", "W", "W"},
    {Field::HalfSpeedInReverse, "-", "W", "W", "U", "U"},
    {Field::BoostFunction, "-", "-", "W", "W", "W"},
    {Field::NoiseReduction, "-", "-", "-", "W", "W"},
    {Field::Output12V, "-", "-", "-", "W", "-"},
    {Field::Abs, "-", "-", "-", "W", "W"},
    {Field::Regeneration, "-", "W", "W", "W", "W"},
    {Field::ReleasingThrottleStartsRegen, "-", "W", "W", "W", "W"},
    {Field::ReleasingBrakeHighPedalDisable, "-", "W", "W", "W", "W"},
    {Field::SendId, "-", "-", "-", "-", "W"},
    {Field::PreferredAddress, "-", "-", "-", "W", "-"},
    {Field::Smooth, "-", "-", "-", "W", "-"},
    {Field::AutoIdentify, "-", "-", "-", "W", "-"},
    {Field::HallPhaseSequence, "-", "-", "-", "U", "-"},
    {Field::ControlModeCopy, "U", "U", "U", "U", "U"},
    {Field::ControlMode, "W", "W", "W", "W", "W"},
    {Field::SerialNumber, "U", "U", "U", "U", "U"},
    {Field::Reserved6, "-", "-", "-", "-", "-"},
};

const char* state(const FieldRules& rules, Field f)
{
    return rules.writable(f) ? "W" : rules.used(f) ? "U" : "-";
}

TEST(FieldRules, UsageAndWritabilityFollowModelVersionAndVariant)
{
    const FieldRules rules[] = {
        FieldRules(controller("DVR", "48200", 'A', 0x0203)),
        FieldRules(controller("DVR", "48201", 'A', 0x0209)),
        FieldRules(controller("DVR", "48201", 'A', 0x0302)),
        FieldRules(controller("DVR", "72401", 'J', 0x0405)),
        FieldRules(controller("PDR", "36201", 'C', 0x0403)),
    };
    for (const Expect& e : kTable) {
        const char* expected[] = {e.dvr0203, e.dvr0209, e.dvr0302, e.dvrJ0405, e.pdrC0403};
        for (int i = 0; i < 5; ++i)
            EXPECT_STREQ(state(rules[i], e.field), expected[i])
                << fieldDef(e.field).name << " on controller " << i;
    }
}

TEST(FieldRules, BytesFourAndFiveHoldOneFieldEachForEveryVersion)
{
    for (int version : {0x0203, 0x0301, 0x0302, 0x0405}) {
        const FieldRules rules(controller("DVR", "48201", 'A', version));
        int usedAt4 = 0, usedAt5 = 0;
        for (Field f : rules.usedFields()) {
            usedAt4 += fieldDef(f).offset == 4;
            usedAt5 += fieldDef(f).offset == 5;
        }
        EXPECT_EQ(usedAt4, 1) << version;
        EXPECT_EQ(usedAt5, 1) << version;
    }
}

TEST(FieldRules, ValidValuesNarrowTheFieldRangesAsTheWizardDoes)
{
    const FieldRules j(controller("DVR", "72401", 'J', 0x0405));
    const ValidValues address = j.valid(Field::PreferredAddress);
    for (int v : {0, 127, 248, 253})
        EXPECT_TRUE(address.contains(v)) << v;
    for (int v : {128, 247, 254, 255})
        EXPECT_FALSE(address.contains(v)) << v;
    EXPECT_EQ(address.text(), "0..127 or 248..253");

    const ValidValues poles = j.valid(Field::MotorPoles);
    EXPECT_TRUE(poles.contains(2));
    EXPECT_TRUE(poles.contains(200));
    EXPECT_FALSE(poles.contains(7));
    EXPECT_FALSE(poles.contains(0));
    EXPECT_FALSE(poles.contains(202));
    EXPECT_EQ(j.valid(Field::HallSensorType).text(), "60 or 120");
    EXPECT_FALSE(j.valid(Field::HallSensorType).contains(90));
    EXPECT_TRUE(j.valid(Field::ThrottleUpDownRate).contains(200));
    EXPECT_FALSE(j.valid(Field::ThrottleUpDownRate).contains(55));
    EXPECT_EQ(j.valid(Field::StartupDelay).max(), 20);
    EXPECT_EQ(j.valid(Field::IdentityNumber).max(), 2097151);
    EXPECT_EQ(j.valid(Field::ThrottleSensorType).max(), 3);
    EXPECT_EQ(j.valid(Field::ThrottleStartPosition).text(), "even 0..80");

    // Voltage limits by voltage class; a model outside every class keeps 0..100.
    EXPECT_EQ(j.valid(Field::UnderVoltage).text(), "18..90");
    EXPECT_EQ(FieldRules(controller("DVR", "24200", 'A', 0x0405)).valid(Field::OverVoltage).text(),
              "8..30");
    EXPECT_EQ(FieldRules(controller("DVR", "55200", 'A', 0x0405)).valid(Field::OverVoltage).text(),
              "0..100");

    // Lists that grew with the software.
    const FieldRules old(controller("DVR", "48201", 'A', 0x0302));
    EXPECT_EQ(old.valid(Field::ThrottleSensorType).max(), 2);
    EXPECT_EQ(old.valid(Field::BrakeSensorType).max(), 2);
    EXPECT_EQ(old.valid(Field::MotorTemperatureSensor).max(), 1);
    // The steps byte: starting step 0..4 high, ending step 0..5 low.
    const ValidValues steps =
        FieldRules(controller("DVR", "48201", 'A', 0x0301)).valid(Field::ThrottleStartEndSteps);
    EXPECT_TRUE(steps.contains(0x45));
    EXPECT_FALSE(steps.contains(0x46));
    EXPECT_FALSE(steps.contains(0x50));
}

TEST(FieldRules, CouplingsCountOnlyWhenOneOfTheirFieldsChanges)
{
    const ConfigBlock base = controller("DVR", "72401", 'J', 0x0405);
    const FieldRules rules(base);
    ConfigBlock before = base;
    before.setFlag(Field::BoostFunction, false);
    before.setFlag(Field::EconomyFunction, false);
    before.set(Field::BrakeSensorType, 0);
    before.setFlag(Field::ForwardSwitch, false);
    before.setFlag(Field::FootSwitch, true);

    ConfigBlock after = before;
    after.setFlag(Field::BoostFunction, true);
    EXPECT_TRUE(rules.couplingErrors(before, after).isEmpty());
    after.setFlag(Field::EconomyFunction, true);
    EXPECT_EQ(rules.couplingErrors(before, after).size(), 1);

    after = before;
    after.setFlag(Field::EconomyFunction, true);
    after.set(Field::BrakeSensorType, 2);
    EXPECT_EQ(rules.couplingErrors(before, after).size(), 1);

    after = before;
    after.setFlag(Field::ForwardSwitch, true);
    ASSERT_EQ(rules.couplingErrors(before, after).size(), 1);
    EXPECT_TRUE(rules.couplingErrors(before, after).first().contains("FootSwitch"));

    // A controller that already holds a broken pair may have other fields changed.
    ConfigBlock broken = before;
    broken.setFlag(Field::BoostFunction, true);
    broken.setFlag(Field::EconomyFunction, true);
    ConfigBlock edited = broken;
    edited.set(Field::MaxMotorCurrent, 50);
    EXPECT_TRUE(rules.couplingErrors(broken, edited).isEmpty());
}

TEST(FieldRules, MeaningsAndUnitsReadAsTheWizardShowsThem)
{
    const FieldRules j(controller("DVR", "72401", 'J', 0x0405));
    EXPECT_EQ(j.meaning(Field::StartupDelay, 5), "0.5 s");
    EXPECT_EQ(j.meaning(Field::StartupDelay, 20), "2.0 s");
    EXPECT_EQ(j.meaning(Field::ThrottleUpDownRate, 30), "rate step 3");
    EXPECT_EQ(j.meaning(Field::ControlMode, 3), "Torque");
    EXPECT_EQ(j.meaning(Field::ThrottleSensorType, 2), "1-4V");
    EXPECT_EQ(
        FieldRules(controller("DVR", "48201", 'A', 0x0302)).meaning(Field::ThrottleSensorType, 2),
        "Hall Active Throttle");
    EXPECT_EQ(j.meaning(Field::ThrottleSensorType, 9), "");
    EXPECT_EQ(FieldRules::unit(Field::HallSensorType), "degrees");
    EXPECT_EQ(FieldRules::unit(Field::StartupDelay), "0.1 s");
}

} // namespace
