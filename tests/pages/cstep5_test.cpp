// Regeneration page: block in, the user's choices, block out, across software versions.
#include "cstep5.h"
#include "page_harness.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QStringList kModules = {QStringLiteral("english"), QStringLiteral("chinese")};

// A regenerating controller of that version whose fields are all in range, with a brake sensor
// and so Boost and Economy off. Byte 0 carries the motor page's bits 3, 4 and 6, byte 1 the
// throttle page's switches and the motor page's ABS and 12 V output, byte 45 the smoothing
// page's bits.
ConfigBlock regenBlock(int major, int minor)
{
    ConfigBlock b = blockWithVersion(major, minor);
    b.set(Field::MaxRegenCurrent, 60);
    b.set(Field::ReleasingThrottleStartsRegen, 10);
    b.set(Field::RegenCurrentByBrakeSwitchOn, 25);
    b.set(Field::BrakeSensorType, 1);
    if (!b.versionAtLeast(3, 2))
        b.set(Field::BrakeSensorStartEndSteps, 0x31);
    b.set(Field::BrakeSensorStartingPoint, 20);
    b.set(Field::BrakeSensorEndingPoint, 80);
    b.setFlag(Field::BoostFunction, false);
    b.setFlag(Field::EconomyFunction, false);
    return b;
}

void click(CStep5& page, int id)
{
    auto* button = page.control<QAbstractButton>(id);
    ASSERT_NE(button, nullptr) << id;
    button->click();
}

void slide(CStep5& page, int id, int value)
{
    auto* slider = page.control<QSlider>(id);
    ASSERT_NE(slider, nullptr) << id;
    slider->setValue(value);
}

void choose(CStep5& page, int id, int index)
{
    auto* combo = page.control<QComboBox>(id);
    ASSERT_NE(combo, nullptr) << id;
    combo->setCurrentIndex(index);
}

QString text(const CStep5& page, int id)
{
    if (auto* label = page.control<QLabel>(id))
        return label->text();
    if (auto* combo = page.control<QComboBox>(id))
        return combo->currentText();
    return QStringLiteral("<missing>");
}

struct Case
{
    const char* name;
    int major;
    int minor;
    std::function<void(ConfigBlock&)> setup;  // the controller's block before the load
    std::function<void(CStep5&)> act;         // what the user does on the page
    std::function<void(ConfigBlock&)> expect; // how the block differs after the store
};

void runCase(const Case& c, const QString& module)
{
    SCOPED_TRACE(std::string(c.name) + " / " + module.toStdString());
    ConfigBlock block = regenBlock(c.major, c.minor);
    if (c.setup)
        c.setup(block);
    ConfigBlock expected = block;
    if (c.expect)
        c.expect(expected);
    auto page = makePage<CStep5>(block, CStep5::kTemplateId, nullptr, module);
    page->load();
    if (c.act)
        c.act(*page);
    EXPECT_TRUE(page->store());
    EXPECT_EQ(block, expected) << blockDiff(block, expected);
}

const Case kCases[] = {
    {"0208: regen on release is never written, whatever it holds", 2, 8,
     [](ConfigBlock& b) { b.set(Field::ReleasingThrottleStartsRegen, 30); },
     [](CStep5& p) { slide(p, CStep5::IdReleaseRegen, 7); }, nullptr},
    {"0209: regen on release above the range is stored as 20", 2, 9,
     [](ConfigBlock& b) { b.set(Field::ReleasingThrottleStartsRegen, 30); }, nullptr,
     [](ConfigBlock& b) { b.set(Field::ReleasingThrottleStartsRegen, 20); }},
    {"0209: regen on release turned off by the user", 2, 9, nullptr,
     [](CStep5& p) { slide(p, CStep5::IdReleaseRegen, 0); },
     [](ConfigBlock& b) { b.set(Field::ReleasingThrottleStartsRegen, 0); }},
    {"currents below their ranges are stored clamped", 4, 5,
     [](ConfigBlock& b) {
         b.set(Field::RegenCurrentByBrakeSwitchOn, 0);
         b.set(Field::MaxRegenCurrent, 10);
     },
     nullptr,
     [](ConfigBlock& b) {
         b.set(Field::RegenCurrentByBrakeSwitchOn, 5);
         b.set(Field::MaxRegenCurrent, 20);
     }},
    {"currents from the user", 3, 1, nullptr,
     [](CStep5& p) {
         slide(p, CStep5::IdBrakeSwitchCurrent, 50);
         slide(p, CStep5::IdMaxRegenCurrent, 100);
     },
     [](ConfigBlock& b) {
         b.set(Field::RegenCurrentByBrakeSwitchOn, 50);
         b.set(Field::MaxRegenCurrent, 100);
     }},
    {"flags from the user, each its own bit", 4, 3, nullptr,
     [](CStep5& p) {
         click(p, CStep5::IdRegenDisable);
         click(p, CStep5::IdBrakeSwitchDisable);
         click(p, CStep5::IdJoystickDisable);
         click(p, CStep5::IdCruiseEnable);
     },
     [](ConfigBlock& b) {
         b.setFlag(Field::Regeneration, false);
         b.setFlag(Field::BrakeSwitch, false);
         b.setFlag(Field::Joystick, false);
         b.setFlag(Field::Cruise, true);
     }},
    {"flags switched on", 2, 9,
     [](ConfigBlock& b) {
         b.setFlag(Field::Regeneration, false);
         b.setFlag(Field::BrakeSwitch, false);
         b.setFlag(Field::Joystick, false);
     },
     [](CStep5& p) {
         click(p, CStep5::IdRegenEnable);
         click(p, CStep5::IdBrakeSwitchEnable);
         click(p, CStep5::IdJoystickEnable);
         click(p, CStep5::IdCruiseDisable);
     },
     [](ConfigBlock& b) {
         b.setFlag(Field::Regeneration, true);
         b.setFlag(Field::BrakeSwitch, true);
         b.setFlag(Field::Joystick, true);
         b.setFlag(Field::Cruise, false);
     }},
    {"0301: steps 0x35 pass unchanged", 3, 1,
     [](ConfigBlock& b) { b.set(Field::BrakeSensorStartEndSteps, 0x35); }, nullptr, nullptr},
    {"0301: steps without items (0x7F) are stored as 0x22", 3, 1,
     [](ConfigBlock& b) { b.set(Field::BrakeSensorStartEndSteps, 0x7F); }, nullptr,
     [](ConfigBlock& b) { b.set(Field::BrakeSensorStartEndSteps, 0x22); }},
    {"0301: steps from the user", 3, 1, nullptr,
     [](CStep5& p) {
         choose(p, CStep5::IdSensorStartStep, 4);
         choose(p, CStep5::IdSensorEndStep, 1);
     },
     [](ConfigBlock& b) { b.set(Field::BrakeSensorStartEndSteps, 0x41); }},
    {"0301: a typed step leaves its nibble, the other is written", 3, 1,
     [](ConfigBlock& b) { b.set(Field::BrakeSensorStartEndSteps, 0x12); },
     [](CStep5& p) {
         p.control<QComboBox>(CStep5::IdSensorStartStep)->setEditText(QStringLiteral("35%"));
         choose(p, CStep5::IdSensorEndStep, 5);
     },
     [](ConfigBlock& b) { b.set(Field::BrakeSensorStartEndSteps, 0x15); }},
    {"0301: span sliders are neither read into the block nor written", 3, 1,
     [](ConfigBlock& b) {
         b.set(Field::BrakeSensorStartingPoint, 99);
         b.set(Field::BrakeSensorEndingPoint, 3);
     },
     [](CStep5& p) { slide(p, CStep5::IdSensorStart, 30); }, nullptr},
    {"0302: byte 5 is the throttle page's and is not touched", 3, 2,
     [](ConfigBlock& b) { b.set(Field::ThrottleEndPosition, 0x7F); },
     [](CStep5& p) { choose(p, CStep5::IdSensorStartStep, 4); }, nullptr},
    {"0302: span from the sliders", 3, 2, nullptr,
     [](CStep5& p) {
         slide(p, CStep5::IdSensorStart, 40);
         slide(p, CStep5::IdSensorEnd, 50);
     },
     [](ConfigBlock& b) {
         b.set(Field::BrakeSensorStartingPoint, 40);
         b.set(Field::BrakeSensorEndingPoint, 50);
     }},
    {"0402: span outside the ranges is stored clamped", 4, 2,
     [](ConfigBlock& b) {
         b.set(Field::BrakeSensorStartingPoint, 50);
         b.set(Field::BrakeSensorEndingPoint, 20);
     },
     nullptr,
     [](ConfigBlock& b) {
         b.set(Field::BrakeSensorStartingPoint, 40);
         b.set(Field::BrakeSensorEndingPoint, 50);
     }},
    {"type 7 loads as item 0 and is stored as 0; Boost and Economy stay", 4, 3,
     [](ConfigBlock& b) {
         b.set(Field::BrakeSensorType, 7);
         b.setFlag(Field::BoostFunction, true);
         b.setFlag(Field::EconomyFunction, true);
     },
     nullptr, [](ConfigBlock& b) { b.set(Field::BrakeSensorType, 0); }},
    {"0301: type 3 has no item on the three-item list and is stored as 0", 3, 1,
     [](ConfigBlock& b) { b.set(Field::BrakeSensorType, 3); }, nullptr,
     [](ConfigBlock& b) { b.set(Field::BrakeSensorType, 0); }},
    {"0402: type 3 has no item on the last three-item list; stored as 0, Boost stays", 4, 2,
     [](ConfigBlock& b) {
         b.set(Field::BrakeSensorType, 3);
         b.setFlag(Field::BoostFunction, true);
     },
     nullptr, [](ConfigBlock& b) { b.set(Field::BrakeSensorType, 0); }},
    {"0301: choosing a sensor turns Boost and Economy off", 3, 1,
     [](ConfigBlock& b) {
         b.set(Field::BrakeSensorType, 0);
         b.setFlag(Field::BoostFunction, true);
         b.setFlag(Field::EconomyFunction, true);
     },
     [](CStep5& p) { choose(p, CStep5::IdSensorType, 2); },
     [](ConfigBlock& b) {
         b.set(Field::BrakeSensorType, 2);
         b.setFlag(Field::BoostFunction, false);
         b.setFlag(Field::EconomyFunction, false);
     }},
    {"0403: the fourth sensor type turns Boost off", 4, 3,
     [](ConfigBlock& b) {
         b.set(Field::BrakeSensorType, 0);
         b.setFlag(Field::BoostFunction, true);
     },
     [](CStep5& p) { choose(p, CStep5::IdSensorType, 3); },
     [](ConfigBlock& b) {
         b.set(Field::BrakeSensorType, 3);
         b.setFlag(Field::BoostFunction, false);
     }},
    {"no sensor leaves Boost and Economy", 3, 2,
     [](ConfigBlock& b) {
         b.setFlag(Field::BoostFunction, true);
         b.setFlag(Field::EconomyFunction, true);
     },
     [](CStep5& p) { choose(p, CStep5::IdSensorType, 0); },
     [](ConfigBlock& b) { b.set(Field::BrakeSensorType, 0); }},
};

TEST(CStep5, BlockInBlockOutAcrossVersions)
{
    for (const QString& module : kModules)
        for (const Case& c : kCases)
            runCase(c, module);
}

TEST(CStep5, ShowThenHideOfAnInRangeBlockChangesNothing)
{
    const std::pair<int, int> versions[] = {{2, 8}, {2, 9}, {3, 1}, {3, 2}, {4, 2}, {4, 3}, {4, 5}};
    for (const QString& module : kModules) {
        for (const auto& [major, minor] : versions) {
            for (int type : {0, 1, 2}) {
                SCOPED_TRACE(module.toStdString() + " " + std::to_string(major) + "." +
                             std::to_string(minor) + " type " + std::to_string(type));
                ConfigBlock block = regenBlock(major, minor);
                block.set(Field::BrakeSensorType, static_cast<std::uint32_t>(type));
                if (type == 0)
                    block.setFlag(Field::BoostFunction, true);
                const ConfigBlock before = block;
                auto page = makePage<CStep5>(block, CStep5::kTemplateId, nullptr, module);
                page->load();
                EXPECT_TRUE(page->store());
                page->load();
                EXPECT_TRUE(page->store());
                EXPECT_EQ(block, before) << blockDiff(block, before);
            }
        }
    }
}

struct Layout
{
    int major;
    int minor;
    bool releaseRegenEnabled;
    bool spanSliders;  // sliders and volt labels, else the two percent lists
    QStringList types; // sensor type items in the English module
};

TEST(CStep5, RowsAndSensorListFollowTheVersion)
{
    const QStringList old = {"No Used", "0-5V ", "5-0V "};
    const QStringList mid = {"No Used", "3-wire Pot", "Hall Active Throttle"};
    const QStringList late = {"No", "0-5V", "1-4V", "0-5K"};
    const Layout kLayouts[] = {
        {2, 8, false, false, old}, {2, 9, true, false, old}, {3, 1, true, false, old},
        {3, 2, true, true, mid},   {4, 2, true, true, mid},  {4, 3, true, true, late},
        {4, 5, true, true, late},
    };
    for (const QString& module : kModules) {
        for (const Layout& l : kLayouts) {
            SCOPED_TRACE(module.toStdString() + " " + std::to_string(l.major) + "." +
                         std::to_string(l.minor));
            ConfigBlock block = regenBlock(l.major, l.minor);
            auto page = makePage<CStep5>(block, CStep5::kTemplateId, nullptr, module);
            // Loaded twice: the list is rebuilt, never extended.
            page->load();
            page->load();
            const auto shown = [&](int id) { return !page->control<QWidget>(id)->isHidden(); };
            EXPECT_EQ(page->control<QWidget>(CStep5::IdReleaseRegen)->isEnabled(),
                      l.releaseRegenEnabled);
            for (int id : {CStep5::IdSensorStart, CStep5::IdSensorEnd, CStep5::IdSensorStartLabel,
                           CStep5::IdSensorEndLabel})
                EXPECT_EQ(shown(id), l.spanSliders) << id;
            for (int id : {CStep5::IdSensorStartStep, CStep5::IdSensorEndStep})
                EXPECT_EQ(shown(id), !l.spanSliders) << id;

            auto* types = page->control<QComboBox>(CStep5::IdSensorType);
            QStringList items;
            for (int i = 0; i < types->count(); ++i)
                items << types->itemText(i);
            if (l.spanSliders || module == QLatin1String("english")) {
                EXPECT_EQ(items, l.types); // the program's own lists stay English
            } else {
                EXPECT_EQ(items.size(), 3); // the module's own list
            }
            EXPECT_EQ(types->currentIndex(), 1);
        }
    }
}

TEST(CStep5, ValueLabelsShowPercentDisableAndVolts)
{
    for (const QString& module : kModules) {
        SCOPED_TRACE(module.toStdString());
        ConfigBlock block = regenBlock(3, 2);
        block.set(Field::ReleasingThrottleStartsRegen, 0);
        block.set(Field::RegenCurrentByBrakeSwitchOn, 0);
        block.set(Field::MaxRegenCurrent, 77);
        block.set(Field::BrakeSensorType, 2);
        block.set(Field::BrakeSensorStartingPoint, 40);
        block.set(Field::BrakeSensorEndingPoint, 100);
        auto page = makePage<CStep5>(block, CStep5::kTemplateId, nullptr, module);
        page->load();
        EXPECT_EQ(text(*page, CStep5::IdReleaseRegenLabel), "Disable");
        EXPECT_EQ(text(*page, CStep5::IdBrakeSwitchCurrentLabel), "5%");
        EXPECT_EQ(text(*page, CStep5::IdMaxRegenCurrentLabel), "77%");
        EXPECT_EQ(text(*page, CStep5::IdSensorStartLabel), "2.2V");
        EXPECT_EQ(text(*page, CStep5::IdSensorEndLabel), "4.0V");

        slide(*page, CStep5::IdReleaseRegen, 20);
        slide(*page, CStep5::IdSensorStart, 0);
        EXPECT_EQ(text(*page, CStep5::IdReleaseRegenLabel), "20%");
        EXPECT_EQ(text(*page, CStep5::IdSensorStartLabel), "1.0V");
        // 75 % is exactly 3.25 V: "%.1f" rounds the tie to the even digit, as the throttle
        // page's reading does.
        slide(*page, CStep5::IdSensorEnd, 75);
        EXPECT_EQ(text(*page, CStep5::IdSensorEndLabel), "3.2V");
        slide(*page, CStep5::IdSensorEnd, 76);
        EXPECT_EQ(text(*page, CStep5::IdSensorEndLabel), "3.3V");
        slide(*page, CStep5::IdSensorEnd, 100);
        // Another sensor type shows the span in percent at once.
        choose(*page, CStep5::IdSensorType, 1);
        EXPECT_EQ(text(*page, CStep5::IdSensorStartLabel), "0%");
        EXPECT_EQ(text(*page, CStep5::IdSensorEndLabel), "100%");
    }
    // From 0403 the volt reading belongs to "1-4V", item 2 again.
    ConfigBlock block = regenBlock(4, 3);
    block.set(Field::BrakeSensorType, 2);
    block.set(Field::BrakeSensorStartingPoint, 10);
    auto page = makePage<CStep5>(block, CStep5::kTemplateId);
    page->load();
    EXPECT_EQ(text(*page, CStep5::IdSensorType), "1-4V");
    EXPECT_EQ(text(*page, CStep5::IdSensorStartLabel), "1.3V");
}

TEST(CStep5, PercentListsShowTheStepsAndKeepTheirItems)
{
    ConfigBlock block = regenBlock(3, 1);
    block.set(Field::BrakeSensorStartEndSteps, 0x35);
    auto page = makePage<CStep5>(block, CStep5::kTemplateId);
    page->load();
    EXPECT_EQ(text(*page, CStep5::IdSensorStartStep), "30%");
    EXPECT_EQ(text(*page, CStep5::IdSensorEndStep), "50%");

    block.set(Field::BrakeSensorStartEndSteps, 0x7F);
    page->load();
    EXPECT_EQ(text(*page, CStep5::IdSensorStartStep), "20%");
    EXPECT_EQ(text(*page, CStep5::IdSensorEndStep), "80%");

    // A typed value confirmed with Enter adds no item, so the positions keep their meaning.
    for (int id : {CStep5::IdSensorStartStep, CStep5::IdSensorEndStep}) {
        auto* combo = page->control<QComboBox>(id);
        const int count = combo->count();
        combo->setEditText(QStringLiteral("15%"));
        emit combo->lineEdit()->returnPressed();
        EXPECT_EQ(combo->count(), count) << id;
    }
    block.set(Field::BrakeSensorStartEndSteps, 0x24);
    EXPECT_TRUE(page->store());
    EXPECT_EQ(block.get(Field::BrakeSensorStartEndSteps), 0x24u);
    // The next show puts the stored steps back in place of the typed texts.
    page->load();
    EXPECT_EQ(text(*page, CStep5::IdSensorStartStep), "20%");
    EXPECT_EQ(text(*page, CStep5::IdSensorEndStep), "60%");
}

TEST(CStep5, AModuleWithoutAControlLeavesItsFieldAlone)
{
    ConfigBlock block = regenBlock(4, 5);
    block.set(Field::BrakeSensorType, 0);
    block.setFlag(Field::BoostFunction, true);
    block.set(Field::MaxRegenCurrent, 3); // would be clamped by a slider
    const ConfigBlock before = block;
    auto page = makePage<CStep5>(block, CStep5::kTemplateId);
    for (int id : {CStep5::IdRegenEnable, CStep5::IdCruiseEnable, CStep5::IdMaxRegenCurrent,
                   CStep5::IdSensorType, CStep5::IdSensorStartLabel})
        delete page->control<QWidget>(id);
    page->load();
    EXPECT_TRUE(page->store());
    EXPECT_EQ(block, before) << blockDiff(block, before);
}

} // namespace
