// Throttle and general page: block in, controls, block out, across software versions.
#include "cstep2.h"
#include "frame_harness.h"
#include "page_harness.h"
#include "sim_server.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QSlider>

#include <gtest/gtest.h>

#include <clocale>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Act = std::function<void(CStep2&)>;

bool hidden(CStep2& p, int id)
{
    auto* w = p.control<QWidget>(id);
    EXPECT_NE(w, nullptr) << id;
    return w == nullptr || w->isHidden();
}
bool enabled(CStep2& p, int id)
{
    auto* w = p.control<QWidget>(id);
    return w != nullptr && w->isEnabled();
}
QStringList items(CStep2& p, int id)
{
    QStringList out;
    if (auto* c = combo(p, id))
        for (int i = 0; i < c->count(); ++i)
            out << c->itemText(i);
    return out;
}

// A note the page puts into a template label is readable whole: shown within the label, or
// cut visibly with the whole text as the label's tip.
void expectNoteFits(CStep2& p, int id, const QString& note)
{
    auto* l = p.control<QLabel>(id);
    ASSERT_NE(l, nullptr) << id;
    if (l->text() == note) {
        const int needed = l->wordWrap() ? l->heightForWidth(l->width())
                                         : l->fontMetrics().boundingRect(note).height();
        EXPECT_LE(needed, l->height()) << id;
        if (!l->wordWrap()) {
            EXPECT_LE(l->fontMetrics().horizontalAdvance(note), l->width()) << id;
        }
    } else {
        EXPECT_EQ(l->toolTip(), note) << id;
        EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->width()) << id;
    }
}

// Page fields in range for that software, with the switches as the page would leave them.
ConfigBlock inRangeBlock(int major, int minor)
{
    ConfigBlock b = blockWithVersion(major, minor);
    const bool trackbars = b.versionAtLeast(3, 2);
    const bool forward = b.versionAtLeast(4, 2);
    b.setFlag(Field::ForwardSwitch, forward);
    b.setFlag(Field::FootSwitch, false); // locked to Disable while Forward Switch is on
    b.set(Field::ThrottleSensorType, 2);
    if (trackbars) {
        b.set(Field::ThrottleStartPosition, 24);
        b.set(Field::ThrottleEndPosition, 170);
    } else {
        b.set(Field::ThrottleStartEndSteps, 0x32);
    }
    b.set(Field::MaxMotorCurrent, 75);
    b.set(Field::MaxBatteryCurrent, 33);
    b.set(Field::LowThresholdVoltage, 15);
    b.set(Field::HighThresholdVoltage, 85);
    return b;
}

using CStep2Test = PageTest<CStep2>;

TEST_F(CStep2Test, ShowThenHideKeepsEveryByteForInRangeValues)
{
    const int versions[][2] = {{2, 3}, {2, 7}, {2, 8}, {3, 1}, {3, 2},
                               {4, 1}, {4, 2}, {4, 3}, {4, 4}, {4, 5}};
    for (const char* module : {"english", "chinese"}) {
        for (const auto& v : versions) {
            SCOPED_TRACE(QStringLiteral("%1 %2.%3").arg(module).arg(v[0]).arg(v[1]).toStdString());
            block = inRangeBlock(v[0], v[1]);
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
void clickOn(CStep2& p, int id)
{
    if (auto* b = p.control<QAbstractButton>(id))
        b->click();
    else
        ADD_FAILURE() << "no button " << id;
}

struct StoreCase
{
    const char* name;
    int major, minor;
    Values loaded; // over inRangeBlock
    Act act;       // what the user does
    Values stored; // what the store changes
};

TEST_F(CStep2Test, StoresWhatTheControlsHoldAcrossVersionsAndOutOfRangeValues)
{
    using F = Field;
    // clang-format off
    const StoreCase cases[] = {
        {"tier A: both steps fall back to item 2, byte 5 untouched", 3, 1,
         {{F::ThrottleStartEndSteps, 0x5F}, {F::ThrottleEndPosition, 7}}, {},
         {{F::ThrottleStartEndSteps, 0x22}}},
        {"tier A: Forward Switch bit cleared", 3, 1, {{F::ForwardSwitch, 1}}, {},
         {{F::ForwardSwitch, 0}}},
        {"tier A: steps chosen", 2, 3, {},
         [](CStep2& p) {
             combo(p, 1110)->setCurrentIndex(4);
             combo(p, 1111)->setCurrentIndex(5);
         },
         {{F::ThrottleStartEndSteps, 0x45}}},
        {"tier A: a typed step naming no item keeps its nibble", 3, 1, {},
         [](CStep2& p) {
             combo(p, 1110)->setEditText(QStringLiteral("35%"));
             combo(p, 1111)->setEditText(QStringLiteral("60%")); // item 4, typed
         },
         {{F::ThrottleStartEndSteps, 0x34}}},
        {"tier A: sensor type 3 has no item, stores 1", 3, 1, {{F::ThrottleSensorType, 3}}, {},
         {{F::ThrottleSensorType, 1}}},
        {"before 0208: battery current neither read nor written", 2, 7,
         {{F::MaxBatteryCurrent, 7}}, {}, {}},
        {"0208: battery current clamped to 20..50", 2, 8, {{F::MaxBatteryCurrent, 7}}, {},
         {{F::MaxBatteryCurrent, 20}}},
        {"motor current clamped to 20..100", 4, 5, {{F::MaxMotorCurrent, 250}}, {},
         {{F::MaxMotorCurrent, 100}}},
        {"0302: odd start loses its lowest bit", 3, 2, {{F::ThrottleStartPosition, 21}}, {},
         {{F::ThrottleStartPosition, 20}}},
        {"0302: start 255 and end 100 clamp to 80 and 120", 3, 2,
         {{F::ThrottleStartPosition, 255}, {F::ThrottleEndPosition, 100}}, {},
         {{F::ThrottleStartPosition, 80}, {F::ThrottleEndPosition, 120}}},
        {"0302: positions moved", 3, 2, {},
         [](CStep2& p) {
             slider(p, 1030)->setValue(15);
             slider(p, 1032)->setValue(93);
         },
         {{F::ThrottleStartPosition, 30}, {F::ThrottleEndPosition, 186}}},
        {"0402: Forward and Foot both set stores Foot cleared", 4, 2, {{F::FootSwitch, 1}}, {},
         {{F::FootSwitch, 0}}},
        {"0402: Forward Disable, then Foot Enable", 4, 2, {},
         [](CStep2& p) {
             clickOn(p, 1124);
             clickOn(p, 1037);
         },
         {{F::ForwardSwitch, 0}, {F::FootSwitch, 1}}},
        {"0402: Forward Enable forces Foot off", 4, 2, {{F::ForwardSwitch, 0}, {F::FootSwitch, 1}},
         [](CStep2& p) { clickOn(p, 1123); }, {{F::ForwardSwitch, 1}, {F::FootSwitch, 0}}},
        {"0403: third sensor item", 4, 3, {}, [](CStep2& p) { combo(p, 1031)->setCurrentIndex(2); },
         {{F::ThrottleSensorType, 3}}},
        {"0403: unknown sensor type 9 shows item 0, stores 1", 4, 3, {{F::ThrottleSensorType, 9}},
         {}, {{F::ThrottleSensorType, 1}}},
        {"0302: item 1 rewrites thresholds from hidden trackbars, clamped", 3, 2,
         {{F::LowThresholdVoltage, 90}, {F::HighThresholdVoltage, 10}}, {},
         {{F::LowThresholdVoltage, 40}, {F::HighThresholdVoltage, 60}}},
        {"0405: thresholds untouched without item 1", 4, 5,
         {{F::ThrottleSensorType, 1}, {F::LowThresholdVoltage, 90}, {F::HighThresholdVoltage, 10}},
         {}, {}},
        {"0405: thresholds moved", 4, 5, {},
         [](CStep2& p) {
             slider(p, 1033)->setValue(12);
             slider(p, 1035)->setValue(99);
         },
         {{F::LowThresholdVoltage, 12}, {F::HighThresholdVoltage, 99}}},
        {"0302: paging moves a fifth of each range", 3, 2, {},
         [](CStep2& p) {
             slider(p, 1030)->triggerAction(QAbstractSlider::SliderPageStepAdd); // 12 + 8
             slider(p, 1032)->triggerAction(QAbstractSlider::SliderPageStepSub); // 85 - 8
             slider(p, 1034)->triggerAction(QAbstractSlider::SliderPageStepSub); // 75 - 16
             slider(p, 1094)->triggerAction(QAbstractSlider::SliderPageStepAdd); // 33 + 6
         },
         {{F::ThrottleStartPosition, 40}, {F::ThrottleEndPosition, 154}, {F::MaxMotorCurrent, 59},
          {F::MaxBatteryCurrent, 39}}},
        {"0405: threshold paging moves a fifth of each range", 4, 5, {},
         [](CStep2& p) {
             slider(p, 1033)->triggerAction(QAbstractSlider::SliderPageStepAdd); // 15 + 8
             slider(p, 1035)->triggerAction(QAbstractSlider::SliderPageStepSub); // 85 - 8
         },
         {{F::LowThresholdVoltage, 23}, {F::HighThresholdVoltage, 77}}},
        {"0405: currents moved", 4, 5, {},
         [](CStep2& p) {
             slider(p, 1034)->setValue(21);
             slider(p, 1094)->setValue(50);
         },
         {{F::MaxMotorCurrent, 21}, {F::MaxBatteryCurrent, 50}}},
    };
    // clang-format on
    for (const char* module : {"english", "chinese"}) {
        for (const StoreCase& c : cases) {
            SCOPED_TRACE(std::string(module) + ": " + c.name);
            block = inRangeBlock(c.major, c.minor);
            apply(block, c.loaded);
            ConfigBlock expected = block;
            apply(expected, c.stored);
            expectStore(c.act, expected, QString::fromLatin1(module));
        }
    }
}

TEST_F(CStep2Test, ModelTextFollowsPrefixOptionsAndVariant)
{
    struct Case
    {
        const char* prefix;
        const char* number;
        std::uint8_t options;
        char variant;
        const char* expected;
    };
    const Case cases[] = {
        {"PDT", "48251", 0x29, 'A', "DVR48251AASC     "},
        {"PDR", "48251", 0x20, 'A', "DVR48251C  "},
        {"DVR", "48251", 0x20, 'B', "DVR48251B"},
        {"DVR", "72401", 0x57, 'J', "DVR72401DUJ"}, // D, U, J
        {"DVR", "72401", 0x78, 'J', "DVR72401   "}, // value 3 of both letter fields: none
        {"PDT", "72401", 0x00, 'B', "DVR72401A        "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        ConfigBlock b;
        for (int i = 0; i < 3; ++i)
            b.setByte(fieldDef(Field::ModelPrefix).offset + i,
                      static_cast<std::uint8_t>(c.prefix[i]));
        for (int i = 0; i < 5; ++i)
            b.setByte(fieldDef(Field::ModelNumber).offset + i,
                      static_cast<std::uint8_t>(c.number[i]));
        b.set(Field::ModelOptions, c.options);
        b.set(Field::ModelVariant, static_cast<std::uint8_t>(c.variant));
        EXPECT_EQ(CStep2::modelText(b), QString::fromLatin1(c.expected));
    }
    // A zero byte among the model characters ends the text.
    ConfigBlock b = blockWithVersion(4, 5);
    b.setByte(fieldDef(Field::ModelNumber).offset + 2, 0);
    EXPECT_EQ(CStep2::modelText(b).size(), 5);
}

TEST_F(CStep2Test, IdentityShowsHexTextOfTheBlock)
{
    block = inRangeBlock(4, 2);
    block.set(Field::SerialNumber, 0x12AB007F);
    block.set(Field::AdVersion, 0x0A);
    auto page = open();
    EXPECT_EQ(text(*page, 1040), "12AB007F");
    EXPECT_EQ(text(*page, 1041), "0402");
    EXPECT_EQ(text(*page, 1042), "0A");
    EXPECT_EQ(text(*page, 1039), CStep2::modelText(block));
}

TEST_F(CStep2Test, VersionTiersChooseThrottleControlsListsAndNotes)
{
    const QString templateNote3 = QStringLiteral(
        "3. Please select \"0-5V\" for 0-5K 3-wire pot, i.e. Norvel RZ0-5K throttle pedal.");
    const QString forwardNote = QStringLiteral(
        "1. Only available on controllers whose software version not lower than 0402");

    block = inRangeBlock(3, 1);
    auto a = open();
    for (int id : {1030, 1032, 1106, 1107})
        EXPECT_TRUE(hidden(*a, id)) << id;
    EXPECT_FALSE(hidden(*a, 1110));
    EXPECT_FALSE(hidden(*a, 1111));
    EXPECT_EQ(items(*a, 1031), (QStringList{"0-5V ", "5-0V "}));
    EXPECT_EQ(combo(*a, 1110)->currentText(), "30%");
    EXPECT_EQ(combo(*a, 1111)->currentText(), "80%");
    EXPECT_EQ(text(*a, 1055), templateNote3);
    EXPECT_EQ(text(*a, 1125), forwardNote);
    expectNoteFits(*a, 1125, forwardNote);
    EXPECT_FALSE(enabled(*a, 1123));
    EXPECT_FALSE(enabled(*a, 1124));
    EXPECT_TRUE(enabled(*a, 1094));

    block = inRangeBlock(3, 2);
    auto b = open();
    EXPECT_TRUE(hidden(*b, 1110));
    EXPECT_TRUE(hidden(*b, 1111));
    for (int id : {1030, 1032, 1106, 1107})
        EXPECT_FALSE(hidden(*b, id)) << id;
    EXPECT_EQ(items(*b, 1031), (QStringList{"3-wire Pot", "Hall Active Throttle"}));
    EXPECT_TRUE(text(*b, 1055).startsWith("2.Usually Hall Throttle valid signal range"));
    expectNoteFits(*b, 1055,
                   QStringLiteral("2.Usually Hall Throttle valid signal range is about "
                                  "1V-4V. The controller will report fault for <0.5V "
                                  "or >4.5V signal. 3-wire Pot normally is 5K,2K-20K "
                                  "can be used"));
    b->load(); // the list is rebuilt, not extended, at every show
    EXPECT_EQ(items(*b, 1031).size(), 2);

    block = inRangeBlock(4, 3);
    auto c = open(QStringLiteral("chinese"));
    EXPECT_EQ(items(*c, 1031), (QStringList{"0-5V", "1-4V", "0-5K"}));
    EXPECT_NE(text(*c, 1055), text(*b, 1055));
    EXPECT_NE(text(*c, 1125), forwardNote);
    EXPECT_TRUE(enabled(*c, 1123));

    block = inRangeBlock(2, 7);
    auto old = open();
    EXPECT_FALSE(enabled(*old, 1094));
}

TEST_F(CStep2Test, ValueLabelsFollowThePositionsInPercentOrVolts)
{
    block = inRangeBlock(3, 2); // "Hall Active Throttle" selected, before 0405: volts
    auto p = open();
    EXPECT_EQ(text(*p, 1106), "1.4V"); // position 12
    EXPECT_EQ(text(*p, 1107), "3.5V"); // position 85
    EXPECT_EQ(text(*p, 1036), "75%");
    EXPECT_EQ(text(*p, 1096), "33%");
    slider(*p, 1030)->setValue(0);
    slider(*p, 1032)->setValue(100);
    EXPECT_EQ(text(*p, 1106), "1.0V");
    EXPECT_EQ(text(*p, 1107), "4.0V");
    slider(*p, 1030)->setValue(40);
    slider(*p, 1032)->setValue(60);
    EXPECT_EQ(text(*p, 1106), "2.2V");
    EXPECT_EQ(text(*p, 1107), "2.8V");
    combo(*p, 1031)->setCurrentIndex(0); // the pot reads in percent
    EXPECT_EQ(text(*p, 1106), "40%");
    EXPECT_EQ(text(*p, 1107), "60%");
    slider(*p, 1034)->setValue(55);
    EXPECT_EQ(text(*p, 1036), "55%");

    EXPECT_EQ(hallVoltText(5), "1.1V"); // 1.15 as a double lies just below
    EXPECT_EQ(hallVoltText(25), "1.8V");
    EXPECT_EQ(hallVoltText(75), "3.2V"); // exactly 3.25: a tie goes to the even digit
}

// Sets the C library's number formatting to a locale with a decimal comma for one test.
class CommaLocale
{
public:
    CommaLocale() : m_saved(std::setlocale(LC_NUMERIC, nullptr))
    {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8",
                                 "ru_RU.UTF-8", "nl_NL.UTF-8", "de_DE", "fr_FR"}) {
            if (std::setlocale(LC_NUMERIC, name) != nullptr &&
                std::localeconv()->decimal_point[0] == ',') {
                m_active = true;
                return;
            }
        }
        std::setlocale(LC_NUMERIC, m_saved.c_str());
    }
    ~CommaLocale() { std::setlocale(LC_NUMERIC, m_saved.c_str()); }
    bool active() const { return m_active; }

private:
    std::string m_saved;
    bool m_active = false;
};

TEST_F(CStep2Test, VoltReadingKeepsItsPointInALocaleWithADecimalComma)
{
    // The application adopts the user's locale for the C library as it starts.
    CommaLocale comma;
    if (!comma.active())
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    block = inRangeBlock(3, 2); // "Hall Active Throttle" selected, before 0405: volts
    auto p = open();
    EXPECT_EQ(text(*p, 1106), "1.4V");
    slider(*p, 1032)->setValue(75);
    EXPECT_EQ(text(*p, 1107), "3.2V");
}

TEST_F(CStep2Test, ThresholdGroupShownOnlyForHallThrottleFrom0405)
{
    const int group[] = {1142, 1143, 1108, 1109, 1033, 1035};

    block = inRangeBlock(4, 4); // "1-4V" selected
    auto before = open();
    for (int id : group)
        EXPECT_TRUE(hidden(*before, id)) << id;
    EXPECT_EQ(text(*before, 1106), "1.4V");

    block = inRangeBlock(4, 5);
    auto after = open();
    for (int id : group)
        EXPECT_FALSE(hidden(*after, id)) << id;
    EXPECT_EQ(text(*after, 1106), "12%");
    EXPECT_EQ(text(*after, 1108), "15%");
    EXPECT_EQ(text(*after, 1109), "85%");
    combo(*after, 1031)->setCurrentIndex(0);
    for (int id : group)
        EXPECT_TRUE(hidden(*after, id)) << id;
    combo(*after, 1031)->setCurrentIndex(1);
    EXPECT_FALSE(hidden(*after, 1033));

    block = inRangeBlock(2, 3); // tier A, "5-0V" selected: never shown
    auto tierA = open();
    for (int id : group)
        EXPECT_TRUE(hidden(*tierA, id)) << id;
}

TEST_F(CStep2Test, ForwardSwitchLocksAndALoadWithItOffUnlocksFootSwitch)
{
    block = inRangeBlock(4, 2); // Forward Switch on
    auto p = open();
    EXPECT_TRUE(p->isChecked(1123));
    EXPECT_TRUE(p->isChecked(1038));
    EXPECT_FALSE(enabled(*p, 1037));
    EXPECT_FALSE(enabled(*p, 1038));

    // Another page (or Default) turns it off between two visits.
    block.setFlag(Field::ForwardSwitch, false);
    block.setFlag(Field::FootSwitch, true);
    p->load();
    EXPECT_TRUE(p->isChecked(1124));
    EXPECT_TRUE(p->isChecked(1037));
    EXPECT_FALSE(p->isChecked(1038));
    EXPECT_TRUE(enabled(*p, 1037));
    EXPECT_TRUE(enabled(*p, 1038));

    p->control<QAbstractButton>(1123)->click();
    EXPECT_TRUE(p->isChecked(1038));
    EXPECT_FALSE(enabled(*p, 1037));
    p->control<QAbstractButton>(1124)->click(); // unlocks, keeps Disable checked
    EXPECT_TRUE(enabled(*p, 1037));
    EXPECT_TRUE(p->isChecked(1038));
}

TEST_F(CStep2Test, IsPageOneOfTheWizardAndItsEditsReachTheController)
{
    // A 0203 controller: tier A; the user picks a start step and finishes.
    FrameHarness h(QStringLiteral("basic"));
    ASSERT_TRUE(h.open());
    auto* page = dynamic_cast<CStep2*>(h.frame->page(1));
    ASSERT_NE(page, nullptr);
    ASSERT_FALSE(page->isHidden());
    page->control<QComboBox>(1110)->setCurrentIndex(3);
    h.frame->OnFinish();
    ConfigBlock expected = h.block;
    EXPECT_EQ(h.block.at(Field::ThrottleStartEndSteps), 0x31);
    EXPECT_EQ(h.sim->storedImage(), expected) << blockDiff(h.sim->storedImage(), expected);
}

} // namespace
