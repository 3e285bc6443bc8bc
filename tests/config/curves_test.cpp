// The setting curves: the points of each curve at the edges of its settings, for every sensor
// type and software generation, and when the controller has no such curve.
#include "catalogue_block.h"
#include "curves.h"
#include "presets.h"

#include <gtest/gtest.h>

namespace {

using Points = QList<CurvePoint>;

// The full preset (regeneration, software 0405) at another software version.
ConfigBlock atVersion(int version, const char* name = "full")
{
    ConfigBlock block = catalogueBlock(name);
    block.setByte(83, static_cast<std::uint8_t>(version >> 8));
    block.setByte(84, static_cast<std::uint8_t>(version & 0xFF));
    return block;
}

const CurveMark* mark(const Curve& c, CurveLabel label)
{
    for (const CurveMark& m : c.marks)
        if (m.label == label)
            return &m;
    return nullptr;
}

const CurveLine* line(const Curve& c, CurveLabel label)
{
    for (const CurveLine& l : c.lines)
        if (l.label == label)
            return &l;
    return nullptr;
}

bool hasNote(const Curve& c, CurveLabel label, const QString& text = QString())
{
    for (const CurveNote& n : c.notes)
        if (n.label == label && (text.isEmpty() || n.text == text))
            return true;
    return false;
}

TEST(CurvesTest, ThrottleRisesFromTheStartingToTheEndingPosition)
{
    ConfigBlock block = catalogueBlock("full");
    block.set(Field::ThrottleStartPosition, 20); // half percent: 10 %
    block.set(Field::ThrottleEndPosition, 180);  // 90 %
    Curve c = curveOf(CurveKind::Throttle, block);
    ASSERT_TRUE(c.available);
    ASSERT_EQ(c.lines.size(), 1);
    EXPECT_EQ(c.lines[0].points, (Points{{0, 0}, {10, 0}, {90, 100}, {100, 100}}));
    EXPECT_EQ(mark(c, CurveLabel::Start)->at, (CurvePoint{10, 0}));
    EXPECT_EQ(mark(c, CurveLabel::End)->at, (CurvePoint{90, 100}));
    EXPECT_EQ(c.xAxis, CurveLabel::PedalTravel);
    EXPECT_TRUE(c.notes.isEmpty());

    // Start at 0 and end at 100: the ramp spans the whole travel.
    block.set(Field::ThrottleStartPosition, 0);
    block.set(Field::ThrottleEndPosition, 200);
    c = curveOf(CurveKind::Throttle, block);
    EXPECT_EQ(c.lines[0].points, (Points{{0, 0}, {0, 0}, {100, 100}, {100, 100}}));
    EXPECT_EQ(mark(c, CurveLabel::Start)->value, 0);
    EXPECT_EQ(mark(c, CurveLabel::End)->value, 100);

    // Start = end (only a stored value outside the valid ones gets there): a step, named.
    block.set(Field::ThrottleStartPosition, 120);
    block.set(Field::ThrottleEndPosition, 120);
    c = curveOf(CurveKind::Throttle, block);
    EXPECT_EQ(c.lines[0].points, (Points{{0, 0}, {60, 0}, {60, 100}, {100, 100}}));
    EXPECT_TRUE(hasNote(c, CurveLabel::NotValid, QStringLiteral("ThrottleStartPosition")));
    EXPECT_FALSE(hasNote(c, CurveLabel::NotValid, QStringLiteral("ThrottleEndPosition")));

    // An end stored below the start (255 and 0 here) draws a step at the start, within 0..100.
    block.set(Field::ThrottleStartPosition, 255);
    block.set(Field::ThrottleEndPosition, 0);
    c = curveOf(CurveKind::Throttle, block);
    EXPECT_EQ(c.lines[0].points, (Points{{0, 0}, {100, 0}, {100, 100}, {100, 100}}));
    EXPECT_EQ(mark(c, CurveLabel::Start)->value, 127.5); // what the byte says
}

TEST(CurvesTest, ThrottleStepsBefore0302AndTheFallingSensorReversed)
{
    ConfigBlock block = atVersion(0x0301);
    block.set(Field::ThrottleStartEndSteps, 0x21); // starts at 20 %, ends at 90 %
    block.set(Field::ThrottleSensorType, 1);       // 0-5V
    Curve c = curveOf(CurveKind::Throttle, block);
    EXPECT_EQ(c.lines[0].points, (Points{{0, 0}, {20, 0}, {90, 100}, {100, 100}}));
    EXPECT_FALSE(c.volts);

    // 5-0V: the signal falls as the pedal goes down, so the curve runs the other way.
    block.set(Field::ThrottleSensorType, 2);
    c = curveOf(CurveKind::Throttle, block);
    EXPECT_EQ(c.xAxis, CurveLabel::FallingSignal);
    EXPECT_EQ(c.lines[0].points, (Points{{0, 100}, {10, 100}, {80, 0}, {100, 0}}));
    EXPECT_EQ(mark(c, CurveLabel::Start)->at, (CurvePoint{80, 0}));
    EXPECT_EQ(mark(c, CurveLabel::Start)->value, 20);
    EXPECT_EQ(mark(c, CurveLabel::End)->at, (CurvePoint{10, 100}));

    // The widest steps: start step 0 and end step 0.
    block.set(Field::ThrottleStartEndSteps, 0x00);
    block.set(Field::ThrottleSensorType, 1);
    c = curveOf(CurveKind::Throttle, block);
    EXPECT_EQ(c.lines[0].points, (Points{{0, 0}, {0, 0}, {100, 100}, {100, 100}}));
    // Steps the controller does not have are named, not guessed at.
    block.set(Field::ThrottleStartEndSteps, 0x5F);
    c = curveOf(CurveKind::Throttle, block);
    EXPECT_TRUE(hasNote(c, CurveLabel::NotValid, QStringLiteral("ThrottleStartEndSteps")));
}

TEST(CurvesTest, ThrottleVoltsAndThresholdsFollowTheSensorTypeAndVersion)
{
    // Each sensor type of each generation: volts where the page shows volts (the Hall or 1-4V
    // sensor from 0302 until the thresholds came with 0405), a falling axis for 5-0V only.
    struct Case
    {
        int version;
        std::uint32_t sensor;
        bool volts;
        bool falling;
        bool thresholds;
    };
    const Case cases[] = {
        {0x0301, 1, false, false, false}, {0x0301, 2, false, true, false},
        {0x0302, 1, false, false, false}, {0x0302, 2, true, false, false},
        {0x0403, 1, false, false, false}, {0x0403, 2, true, false, false},
        {0x0403, 3, false, false, false}, {0x0404, 2, true, false, false},
        {0x0405, 1, false, false, true},  {0x0405, 2, false, false, true},
        {0x0405, 3, false, false, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << k.version << " sensor " << k.sensor);
        ConfigBlock block = atVersion(k.version);
        block.set(Field::ThrottleSensorType, k.sensor);
        const Curve c = curveOf(CurveKind::Throttle, block);
        EXPECT_EQ(c.volts, k.volts);
        if (k.volts) {
            EXPECT_EQ(c.voltsAtMin, 1.0);
            EXPECT_EQ(c.voltsAtMax, 4.0);
        }
        EXPECT_EQ(c.xAxis, k.falling ? CurveLabel::FallingSignal : CurveLabel::PedalTravel);
        ASSERT_EQ(mark(c, CurveLabel::LowThreshold) != nullptr, k.thresholds);
        if (k.thresholds) {
            EXPECT_EQ(mark(c, CurveLabel::LowThreshold)->at.x, 20);
            EXPECT_EQ(mark(c, CurveLabel::LowThreshold)->across, CurveMark::Vertical);
            EXPECT_EQ(mark(c, CurveLabel::HighThreshold)->at.x, 80);
        }
        EXPECT_TRUE(c.notes.isEmpty());
    }
}

TEST(CurvesTest, RegenerationCurrentIsHalfTheMotorsTimesMaxRegenTimesTheModesShare)
{
    ConfigBlock block = catalogueBlock("full");
    block.set(Field::MaxRegenCurrent, 50);
    block.set(Field::RegenCurrentByBrakeSwitchOn, 30);
    block.set(Field::ReleasingThrottleStartsRegen, 10);
    block.set(Field::BrakeSensorType, 1);
    block.set(Field::BrakeSensorStartingPoint, 10);
    block.set(Field::BrakeSensorEndingPoint, 90);
    Curve c = curveOf(CurveKind::Regeneration, block);
    ASSERT_TRUE(c.available);
    EXPECT_EQ(c.yMax, 50); // half the motor's current at most: the scale never moves
    ASSERT_NE(line(c, CurveLabel::BrakeSensor), nullptr);
    EXPECT_EQ(line(c, CurveLabel::BrakeSensor)->points,
              (Points{{0, 0}, {10, 0}, {90, 25}, {100, 25}}));
    EXPECT_EQ(mark(c, CurveLabel::BrakeSwitchLevel)->value, 7.5);
    EXPECT_EQ(mark(c, CurveLabel::BrakeSwitchLevel)->across, CurveMark::Horizontal);
    EXPECT_EQ(mark(c, CurveLabel::ReleasedThrottleLevel)->value, 2.5);
    EXPECT_TRUE(c.notes.isEmpty());
    EXPECT_FALSE(c.volts);

    // The extremes of MaxRegenCurrent and the brake sensor span.
    block.set(Field::MaxRegenCurrent, 100);
    block.set(Field::BrakeSensorStartingPoint, 0);
    block.set(Field::BrakeSensorEndingPoint, 100);
    c = curveOf(CurveKind::Regeneration, block);
    EXPECT_EQ(line(c, CurveLabel::BrakeSensor)->points,
              (Points{{0, 0}, {0, 0}, {100, 50}, {100, 50}}));

    // Released-throttle regeneration at 0 is off: no level, a note; before 0209 it does not
    // exist at all.
    block.set(Field::ReleasingThrottleStartsRegen, 0);
    c = curveOf(CurveKind::Regeneration, block);
    EXPECT_EQ(mark(c, CurveLabel::ReleasedThrottleLevel), nullptr);
    EXPECT_TRUE(hasNote(c, CurveLabel::ReleasedThrottleOff));
    ConfigBlock old = atVersion(0x0208);
    old.set(Field::ReleasingThrottleStartsRegen, 0);
    c = curveOf(CurveKind::Regeneration, old);
    EXPECT_EQ(mark(c, CurveLabel::ReleasedThrottleLevel), nullptr);
    EXPECT_FALSE(hasNote(c, CurveLabel::ReleasedThrottleOff));

    // Switched off: the curve still shows what the settings give, and says so.
    block.setFlag(Field::Regeneration, false);
    block.setFlag(Field::BrakeSwitch, false);
    c = curveOf(CurveKind::Regeneration, block);
    EXPECT_TRUE(hasNote(c, CurveLabel::RegenerationDisabled, QStringLiteral("Regeneration")));
    EXPECT_TRUE(hasNote(c, CurveLabel::BrakeSwitchDisabled, QStringLiteral("BrakeSwitch")));
}

TEST(CurvesTest, RegenerationForEachBrakeSensorTypeAndWithoutRegeneration)
{
    // No sensor: only the two levels.
    ConfigBlock block = catalogueBlock("full");
    block.set(Field::BrakeSensorType, 0);
    Curve c = curveOf(CurveKind::Regeneration, block);
    EXPECT_EQ(line(c, CurveLabel::BrakeSensor), nullptr);
    EXPECT_EQ(mark(c, CurveLabel::Start), nullptr);
    EXPECT_NE(mark(c, CurveLabel::BrakeSwitchLevel), nullptr);
    EXPECT_TRUE(hasNote(c, CurveLabel::NoBrakeSensor));

    // 1-4V (item 2) reads in volts; the others in percent.
    for (std::uint32_t type : {1u, 2u, 3u}) {
        block.set(Field::BrakeSensorType, type);
        c = curveOf(CurveKind::Regeneration, block);
        EXPECT_EQ(c.volts, type == 2) << type;
        EXPECT_EQ(c.xAxis, CurveLabel::BrakeTravel);
    }

    // Before 0302: the two nibbles of byte 5, and item 2 is the falling 5-0V sensor.
    block = atVersion(0x0301);
    block.set(Field::BrakeSensorStartEndSteps, 0x12); // 10 % .. 80 %
    block.set(Field::BrakeSensorType, 1);
    block.set(Field::MaxRegenCurrent, 40);
    c = curveOf(CurveKind::Regeneration, block);
    EXPECT_EQ(line(c, CurveLabel::BrakeSensor)->points,
              (Points{{0, 0}, {10, 0}, {80, 20}, {100, 20}}));
    block.set(Field::BrakeSensorType, 2);
    c = curveOf(CurveKind::Regeneration, block);
    EXPECT_FALSE(c.volts);
    EXPECT_EQ(c.xAxis, CurveLabel::FallingBrakeSignal);
    EXPECT_EQ(line(c, CurveLabel::BrakeSensor)->points,
              (Points{{0, 20}, {20, 20}, {90, 0}, {100, 0}}));

    // A model without regeneration has no such curve, and its voltage curve no regen limit.
    const ConfigBlock basic = catalogueBlock("basic");
    EXPECT_FALSE(curveOf(CurveKind::Regeneration, basic).available);
    EXPECT_EQ(curvesOf(FieldRules(basic)),
              (QList<CurveKind>{CurveKind::Throttle, CurveKind::Voltage, CurveKind::Temperature}));
    EXPECT_EQ(curvesOf(FieldRules(catalogueBlock("full"))).size(), 4);
    EXPECT_EQ(line(curveOf(CurveKind::Voltage, basic), CurveLabel::RegenLimit), nullptr);
}

TEST(CurvesTest, VoltageCutsBackCutsOutAndResumesAtTheStatedFactors)
{
    ConfigBlock block = catalogueBlock("full");
    block.set(Field::UnderVoltage, 60);
    block.set(Field::OverVoltage, 80);
    const Curve c = curveOf(CurveKind::Voltage, block);
    ASSERT_TRUE(c.available);
    EXPECT_EQ(c.xAxis, CurveLabel::BatteryVoltage);
    EXPECT_LE(c.xMin, 60 * 0.9);
    EXPECT_GE(c.xMax, 80 * 1.05);

    const CurveLine* drive = line(c, CurveLabel::DriveCurrent);
    ASSERT_NE(drive, nullptr);
    EXPECT_EQ(drive->points, (Points{{c.xMin, 0}, {60, 0}, {66, 100}, {c.xMax, 100}}));
    // After a cut-out the current comes back only at 1.05 x, onto the cut-back line.
    const CurveLine* resume = line(c, CurveLabel::DriveResume);
    ASSERT_NE(resume, nullptr);
    EXPECT_TRUE(resume->path);
    EXPECT_EQ(resume->points, (Points{{60, 0}, {63, 0}, {63, 50}}));
    EXPECT_EQ(mark(c, CurveLabel::CutBack)->value, 66);
    EXPECT_EQ(mark(c, CurveLabel::Resume)->value, 63);
    EXPECT_EQ(mark(c, CurveLabel::UnderVoltage)->across, CurveMark::Vertical);

    const CurveLine* regen = line(c, CurveLabel::RegenLimit);
    ASSERT_NE(regen, nullptr);
    EXPECT_EQ(regen->points, (Points{{c.xMin, 100}, {76, 100}, {80, 0}, {c.xMax, 0}}));
    EXPECT_EQ(line(c, CurveLabel::RegenResume)->points, (Points{{80, 0}, {76, 0}, {76, 100}}));
    EXPECT_EQ(mark(c, CurveLabel::OverVoltage)->value, 80);
    EXPECT_TRUE(c.notes.isEmpty());

    // 0 V draws without a division by zero, and is named as no valid value.
    block.set(Field::UnderVoltage, 0);
    const Curve zero = curveOf(CurveKind::Voltage, block);
    EXPECT_EQ(line(zero, CurveLabel::DriveResume)->points, (Points{{0, 0}, {0, 0}, {0, 100}}));
    EXPECT_TRUE(hasNote(zero, CurveLabel::NotValid, QStringLiteral("UnderVoltage")));
}

TEST(CurvesTest, TemperatureIsAHysteresisLoopBetweenStopAndResume)
{
    ConfigBlock block = catalogueBlock("full");
    block.set(Field::StopOutputTemperature, 110);
    block.set(Field::ResumeOutputTemperature, 90);
    Curve c = curveOf(CurveKind::Temperature, block);
    ASSERT_TRUE(c.onOff);
    EXPECT_LE(c.xMin, 60);
    EXPECT_GE(c.xMax, 170);
    EXPECT_EQ(line(c, CurveLabel::Heating)->points,
              (Points{{c.xMin, 100}, {110, 100}, {110, 0}, {c.xMax, 0}}));
    EXPECT_EQ(line(c, CurveLabel::Cooling)->points,
              (Points{{c.xMax, 0}, {90, 0}, {90, 100}, {c.xMin, 100}}));
    EXPECT_EQ(mark(c, CurveLabel::Stop)->value, 110);
    EXPECT_EQ(mark(c, CurveLabel::ResumeTemperature)->value, 90);
    EXPECT_TRUE(c.notes.isEmpty());

    // Resuming at or above the stop point: no loop, and a note that says so.
    block.set(Field::ResumeOutputTemperature, 120);
    c = curveOf(CurveKind::Temperature, block);
    EXPECT_EQ(line(c, CurveLabel::Cooling)->points,
              (Points{{c.xMax, 0}, {110, 0}, {110, 100}, {c.xMin, 100}}));
    EXPECT_EQ(mark(c, CurveLabel::ResumeTemperature)->value, 120);
    EXPECT_TRUE(hasNote(c, CurveLabel::ResumeAbove));

    // A stored value beyond the slider's range widens the axis rather than leaving the chart.
    block.set(Field::StopOutputTemperature, 200);
    c = curveOf(CurveKind::Temperature, block);
    EXPECT_GE(c.xMax, 200);
    EXPECT_TRUE(hasNote(c, CurveLabel::NotValid, QStringLiteral("StopOutputTemperature")));
}

// Crossed settings still put every mark at its own value: the picture names the setting the
// controller holds, where it stands on the axis.
TEST(CurvesTest, EveryVoltageAndTemperatureMarkStandsAtItsOwnValue)
{
    struct Case
    {
        CurveKind kind;
        Field first;
        std::uint32_t firstValue;
        Field second;
        std::uint32_t secondValue;
    };
    const Case cases[] = {
        {CurveKind::Voltage, Field::UnderVoltage, 60, Field::OverVoltage, 80},
        {CurveKind::Voltage, Field::UnderVoltage, 60, Field::OverVoltage, 55},
        {CurveKind::Voltage, Field::UnderVoltage, 80, Field::OverVoltage, 60},
        {CurveKind::Temperature, Field::StopOutputTemperature, 110, Field::ResumeOutputTemperature,
         90},
        {CurveKind::Temperature, Field::StopOutputTemperature, 110, Field::ResumeOutputTemperature,
         130},
        {CurveKind::Temperature, Field::StopOutputTemperature, 110, Field::ResumeOutputTemperature,
         110},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << curveKindName(k.kind).toStdString() << " "
                                        << k.firstValue << "/" << k.secondValue);
        ConfigBlock block = catalogueBlock("full");
        block.set(k.first, k.firstValue);
        block.set(k.second, k.secondValue);
        const Curve c = curveOf(k.kind, block);
        ASSERT_GE(c.marks.size(), 2);
        for (const CurveMark& m : c.marks) {
            EXPECT_EQ(m.at.x, m.value) << static_cast<int>(m.label);
            EXPECT_GE(m.value, c.xMin);
            EXPECT_LE(m.value, c.xMax);
        }
    }
}

TEST(CurvesTest, ADocumentWithoutTheFieldsDrawsNothingAndShapesCompareByLinesAndMarks)
{
    const ConfigBlock block = catalogueBlock("full");
    const QList<Field> known{Field::StopOutputTemperature, Field::MaxMotorCurrent};
    const Curve partial = curveOf(CurveKind::Temperature, block, &known);
    EXPECT_EQ(partial.missing, QList<Field>{Field::ResumeOutputTemperature});
    EXPECT_TRUE(partial.lines.isEmpty());
    EXPECT_TRUE(hasNote(partial, CurveLabel::Missing, QStringLiteral("ResumeOutputTemperature")));

    const Curve a = curveOf(CurveKind::Throttle, block);
    EXPECT_TRUE(a.sameShape(curveOf(CurveKind::Throttle, block)));
    ConfigBlock other = block;
    other.set(Field::ThrottleEndPosition, 160);
    EXPECT_FALSE(a.sameShape(curveOf(CurveKind::Throttle, other)));
    // A field outside the curve changes nothing of it.
    other = block;
    other.set(Field::MaxMotorCurrent, 50);
    EXPECT_TRUE(a.sameShape(curveOf(CurveKind::Throttle, other)));
}

TEST(CurvesTest, NamesAndGroups)
{
    for (CurveKind kind : kCurveKinds)
        EXPECT_EQ(curveKindNamed(curveKindName(kind)), kind);
    EXPECT_EQ(curveKindNamed(QStringLiteral("regen")), CurveKind::Regeneration);
    EXPECT_FALSE(curveKindNamed(QStringLiteral("Throttle")).has_value());
    EXPECT_EQ(curveOfGroup(FieldGroup::Throttle), CurveKind::Throttle);
    EXPECT_EQ(curveOfGroup(FieldGroup::Startup), CurveKind::Voltage);
    EXPECT_EQ(curveOfGroup(FieldGroup::Regeneration), CurveKind::Regeneration);
    EXPECT_EQ(curveOfGroup(FieldGroup::Temperature), CurveKind::Temperature);
    EXPECT_FALSE(curveOfGroup(FieldGroup::Motor).has_value());
    EXPECT_FALSE(curveOfGroup(FieldGroup::J1939).has_value());
}

} // namespace
