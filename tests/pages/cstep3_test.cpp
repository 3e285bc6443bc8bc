// Start-up, hall and voltage page: block in, controls, block out, across versions and classes.
#include "cstep3.h"
#include "frame_harness.h"
#include "page_harness.h"
#include "sim_server.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QSlider>

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

namespace {

using Act = std::function<void(CStep3&)>;

void click(CStep3& p, int id)
{
    auto* b = p.control<QAbstractButton>(id);
    ASSERT_NE(b, nullptr) << id;
    b->click();
}
void setModelClass(ConfigBlock& b, const char* twoChars)
{
    b.setByte(fieldDef(Field::ModelNumber).offset, static_cast<std::uint8_t>(twoChars[0]));
    b.setByte(fieldDef(Field::ModelNumber).offset + 1, static_cast<std::uint8_t>(twoChars[1]));
}

// Page fields in range for a 48 V controller of that software.
ConfigBlock inRangeBlock(int major, int minor)
{
    ConfigBlock b = blockWithVersion(major, minor);
    setModelClass(b, "48");
    b.set(Field::StartupDelay, 7);
    b.set(Field::HallSensorType, 60);
    b.set(Field::SpeedMode, 0);
    b.set(Field::ControlMode, 3);
    b.set(Field::ControlModeCopy, 3);
    b.set(Field::UnderVoltage, 40);
    b.set(Field::OverVoltage, 58);
    b.set(Field::ThrottleUpDownRate, 50);
    b.setFlag(Field::PowerOnHighPedalDisable, true);
    b.setFlag(Field::ReleasingBrakeHighPedalDisable, false);
    return b;
}

using CStep3Test = PageTest<CStep3>;

TEST_F(CStep3Test, ShowThenHideKeepsEveryByteForInRangeValues)
{
    struct Case
    {
        int major, minor;
        const char* voltageClass;
        int under, over, rate, delay, hall;
        int speed, mode; // byte 28 and bytes 30/18 (byte 30 only when speed is 2)
        bool powerOnBit, releasingBit;
    };
    const Case cases[] = {
        {2, 3, "48", 18, 60, 10, 0, 60, 0, 3, false, false},
        {2, 8, "24", 8, 30, 200, 20, 120, 0, 1, true, true},
        {2, 9, "12", 136, 18, 70, 10, 120, 2, 7, false, true},
        {3, 2, "14", 180, 100, 100, 3, 60, 0, 3, true, false},
        {4, 3, "15", 18, 150, 20, 19, 60, 2, 3, true, true},
        {4, 5, "36", 45, 44, 150, 1, 120, 0, 1, false, false},
        {4, 5, "60", 80, 78, 30, 5, 60, 0, 3, true, true},
        {4, 5, "72", 90, 88, 40, 5, 60, 0, 3, true, true},
        {4, 5, "84", 92, 20, 40, 5, 60, 0, 3, true, true},
        {4, 5, "09", 120, 19, 40, 5, 60, 0, 3, true, true},
        {4, 5, "96", 119, 18, 40, 5, 60, 0, 3, true, true},
        {4, 5, "XY", 0, 100, 40, 5, 60, 0, 3, true, true}, // unknown class: 0..100
    };
    for (const char* module : {"english", "chinese"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(QStringLiteral("%1 %2.%3 class %4")
                             .arg(module)
                             .arg(c.major)
                             .arg(c.minor)
                             .arg(c.voltageClass)
                             .toStdString());
            block = blockWithVersion(c.major, c.minor);
            setModelClass(block, c.voltageClass);
            block.set(Field::UnderVoltage, static_cast<std::uint32_t>(c.under));
            block.set(Field::OverVoltage, static_cast<std::uint32_t>(c.over));
            block.set(Field::ThrottleUpDownRate, static_cast<std::uint32_t>(c.rate));
            block.set(Field::StartupDelay, static_cast<std::uint32_t>(c.delay));
            block.set(Field::HallSensorType, static_cast<std::uint32_t>(c.hall));
            block.set(Field::SpeedMode, static_cast<std::uint32_t>(c.speed));
            block.set(Field::ControlMode, static_cast<std::uint32_t>(c.mode));
            if (c.speed != 2)
                block.set(Field::ControlModeCopy, static_cast<std::uint32_t>(c.mode));
            block.setFlag(Field::PowerOnHighPedalDisable, c.powerOnBit);
            block.setFlag(Field::ReleasingBrakeHighPedalDisable, c.releasingBit);
            const ConfigBlock before = block;
            expectStore({}, before, QString::fromLatin1(module));
        }
    }
}

// Field values written into a block (flags take 0 or 1).
using Values = std::vector<std::pair<Field, std::uint32_t>>;
void apply(ConfigBlock& b, const Values& values)
{
    for (const auto& [field, value] : values)
        b.set(field, value);
}

struct StoreCase
{
    const char* name;
    int major, minor;
    const char* voltageClass; // first two model characters
    Values loaded;            // over inRangeBlock
    Act act;                  // what the user does
    Values stored;            // what the store changes
};

TEST_F(CStep3Test, StoresWhatTheControlsHoldAcrossVersionsAndOutOfRangeValues)
{
    using F = Field;
    // clang-format off
    const StoreCase cases[] = {
        {"hall 0 stores 120", 4, 5, "48", {{F::HallSensorType, 0}}, {}, {{F::HallSensorType, 120}}},
        {"hall 90 stores 120", 4, 5, "48", {{F::HallSensorType, 90}}, {}, {{F::HallSensorType, 120}}},
        {"rate 47 stores 40", 4, 5, "48", {{F::ThrottleUpDownRate, 47}}, {}, {{F::ThrottleUpDownRate, 40}}},
        {"rate 9 stores 10", 4, 5, "48", {{F::ThrottleUpDownRate, 9}}, {}, {{F::ThrottleUpDownRate, 10}}},
        {"rate 0 stores 10", 4, 5, "48", {{F::ThrottleUpDownRate, 0}}, {}, {{F::ThrottleUpDownRate, 10}}},
        {"rate 255 stores 200", 4, 5, "48", {{F::ThrottleUpDownRate, 255}}, {},
         {{F::ThrottleUpDownRate, 200}}},
        {"48 V class clamps 10 V and 70 V to 18 V and 60 V", 4, 5, "48",
         {{F::UnderVoltage, 10}, {F::OverVoltage, 70}}, {}, {{F::UnderVoltage, 18}, {F::OverVoltage, 60}}},
        {"24 V class spans 8..30", 2, 3, "24", {{F::UnderVoltage, 2}, {F::OverVoltage, 31}}, {},
         {{F::UnderVoltage, 8}, {F::OverVoltage, 30}}},
        {"unknown class keeps 0..100", 4, 5, "50", {{F::UnderVoltage, 3}, {F::OverVoltage, 150}}, {},
         {{F::OverVoltage, 100}}},
        {"delay beyond the list keeps its byte", 4, 5, "48", {{F::StartupDelay, 25}}, {}, {}},
        {"delay chosen", 4, 5, "48", {}, [](CStep3& p) { combo(p, 1044)->setCurrentIndex(20); },
         {{F::StartupDelay, 20}}},
        {"hall chosen", 4, 5, "48", {}, [](CStep3& p) { combo(p, 1046)->setCurrentIndex(1); },
         {{F::HallSensorType, 120}}},
        {"speed loaded: only byte 28 is written", 4, 5, "48",
         {{F::SpeedMode, 2}, {F::ControlMode, 9}, {F::ControlModeCopy, 4}}, {}, {}},
        {"torque chosen over speed", 4, 5, "48",
         {{F::SpeedMode, 2}, {F::ControlMode, 9}, {F::ControlModeCopy, 4}},
         [](CStep3& p) { combo(p, 1047)->setCurrentIndex(0); },
         {{F::SpeedMode, 0}, {F::ControlMode, 3}, {F::ControlModeCopy, 3}}},
        {"balanced chosen", 4, 5, "48", {}, [](CStep3& p) { combo(p, 1047)->setCurrentIndex(1); },
         {{F::ControlMode, 1}, {F::ControlModeCopy, 1}}},
        {"speed chosen", 4, 5, "48", {}, [](CStep3& p) { combo(p, 1047)->setCurrentIndex(2); },
         {{F::SpeedMode, 2}}},
        {"control mode 2 without its copy loads as balanced", 4, 5, "48", {{F::ControlMode, 2}}, {},
         {{F::ControlMode, 1}, {F::ControlModeCopy, 1}}},
        {"power-on Enable clears its bit, releasing Enable sets its bit", 4, 5, "48", {},
         [](CStep3& p) { click(p, 1024); click(p, 1113); },
         {{F::PowerOnHighPedalDisable, 0}, {F::ReleasingBrakeHighPedalDisable, 1}}},
        {"0208: hidden releasing-brake bit stays set", 2, 8, "48",
         {{F::ReleasingBrakeHighPedalDisable, 1}}, {}, {}},
        {"paging moves a fifth of each range", 4, 5, "48", {},
         [](CStep3& p) {
             slider(p, 1035)->triggerAction(QAbstractSlider::SliderPageStepAdd); // 40 + 8
             slider(p, 1062)->triggerAction(QAbstractSlider::SliderPageStepSub); // 58 - 8
             slider(p, 1065)->triggerAction(QAbstractSlider::SliderPageStepAdd); // 5 + 3
         },
         {{F::UnderVoltage, 48}, {F::OverVoltage, 50}, {F::ThrottleUpDownRate, 80}}},
        {"24 V class pages by 4", 2, 3, "24", {{F::UnderVoltage, 10}, {F::OverVoltage, 30}},
         [](CStep3& p) { slider(p, 1035)->triggerAction(QAbstractSlider::SliderPageStepAdd); },
         {{F::UnderVoltage, 14}}},
        {"unknown class pages by a fifth of 0..100", 2, 3, "50", {{F::UnderVoltage, 3}},
         [](CStep3& p) { slider(p, 1035)->triggerAction(QAbstractSlider::SliderPageStepAdd); },
         {{F::UnderVoltage, 23}}},
        {"sliders moved", 2, 9, "48", {},
         [](CStep3& p) {
             slider(p, 1035)->setValue(33);
             slider(p, 1062)->setValue(59);
             slider(p, 1065)->setValue(20);
         },
         {{F::UnderVoltage, 33}, {F::OverVoltage, 59}, {F::ThrottleUpDownRate, 200}}},
    };
    // clang-format on
    for (const char* module : {"english", "chinese"}) {
        for (const StoreCase& c : cases) {
            SCOPED_TRACE(std::string(module) + ": " + c.name);
            block = inRangeBlock(c.major, c.minor);
            setModelClass(block, c.voltageClass);
            apply(block, c.loaded);
            ConfigBlock expected = block;
            apply(expected, c.stored);
            expectStore(c.act, expected, QString::fromLatin1(module));
        }
    }
}

TEST_F(CStep3Test, LoadShowsOppositePolaritiesAndTheRebuiltControlModeList)
{
    block = inRangeBlock(4, 5);
    block.setFlag(Field::PowerOnHighPedalDisable, true);
    block.setFlag(Field::ReleasingBrakeHighPedalDisable, true);
    block.set(Field::SpeedMode, 2);
    auto p = open(QStringLiteral("chinese"));
    EXPECT_TRUE(p->isChecked(1025)); // power-on: set bit is Disable
    EXPECT_FALSE(p->isChecked(1024));
    EXPECT_TRUE(p->isChecked(1113)); // releasing brake: set bit is Enable
    EXPECT_FALSE(p->isChecked(1114));
    QStringList modes;
    for (int i = 0; i < combo(*p, 1047)->count(); ++i)
        modes << combo(*p, 1047)->itemText(i);
    EXPECT_EQ(modes, (QStringList{"Torque", "Balanced", "Speed"}));
    EXPECT_EQ(combo(*p, 1047)->currentIndex(), 2);

    block.set(Field::SpeedMode, 0);
    block.set(Field::ControlMode, 3);
    p->load();
    EXPECT_EQ(combo(*p, 1047)->count(), 3);
    EXPECT_EQ(combo(*p, 1047)->currentIndex(), 0);
}

TEST_F(CStep3Test, ReleasingBrakeRowHiddenBefore0209)
{
    const int row[] = {1112, 1113, 1114, 1115};
    block = inRangeBlock(2, 8);
    auto before = open();
    for (int id : row)
        EXPECT_TRUE(before->control<QWidget>(id)->isHidden()) << id;

    block = inRangeBlock(2, 9);
    auto from = open();
    for (int id : row)
        EXPECT_FALSE(from->control<QWidget>(id)->isHidden()) << id;
}

TEST_F(CStep3Test, ValueLabelsFollowTheSliders)
{
    block = inRangeBlock(4, 5);
    block.set(Field::ThrottleUpDownRate, 47);
    auto p = open();
    EXPECT_EQ(text(*p, 1077), "40V");
    EXPECT_EQ(text(*p, 1078), "58V");
    EXPECT_EQ(text(*p, 1079), "4");
    slider(*p, 1035)->setValue(48);
    slider(*p, 1065)->setValue(17);
    EXPECT_EQ(text(*p, 1077), "48V");
    EXPECT_EQ(text(*p, 1079), "17");

    const QSlider* under = slider(*p, 1035);
    EXPECT_EQ(under->minimum(), 18);
    EXPECT_EQ(under->maximum(), 60);
}

TEST_F(CStep3Test, VoltageRangeFollowsTheFirstTwoModelCharacters)
{
    struct Case
    {
        const char* voltageClass;
        bool known;
        int min, max;
    };
    const Case cases[] = {{"12", true, 18, 136}, {"14", true, 18, 180}, {"15", true, 18, 180},
                          {"24", true, 8, 30},   {"36", true, 18, 45},  {"48", true, 18, 60},
                          {"60", true, 18, 80},  {"72", true, 18, 90},  {"84", true, 18, 92},
                          {"09", true, 18, 120}, {"96", true, 18, 120}, {"90", false, 0, 0},
                          {"42", false, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.voltageClass);
        ConfigBlock b = blockWithVersion(4, 5);
        setModelClass(b, c.voltageClass);
        CStep3::VoltageRange r{-1, -1};
        EXPECT_EQ(CStep3::voltageRange(b, &r), c.known);
        if (c.known) {
            EXPECT_EQ(r.min, c.min);
            EXPECT_EQ(r.max, c.max);
        }
    }
}

TEST_F(CStep3Test, IsPageTwoAndShowsTheConvertedLegacyControlMode)
{
    // The legacy preset holds control mode 2 in bytes 30 and 18; the frame converts it.
    FrameHarness h(QStringLiteral("legacy"));
    ASSERT_TRUE(h.open());
    h.frame->OnNext();
    auto* page = dynamic_cast<CStep3*>(h.frame->page(2));
    ASSERT_NE(page, nullptr);
    ASSERT_FALSE(page->isHidden());
    EXPECT_EQ(page->control<QComboBox>(1047)->currentText(), "Torque");
    page->control<QComboBox>(1044)->setCurrentIndex(12);
    h.frame->OnPrevious();
    EXPECT_EQ(h.block.at(Field::StartupDelay), 12);
    EXPECT_EQ(h.block.at(Field::ControlMode), 3);
    EXPECT_EQ(h.block.at(Field::ControlModeCopy), 3);
    EXPECT_EQ(h.block.at(Field::SpeedMode), 0);
}

} // namespace
