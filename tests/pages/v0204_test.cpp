// Motor page: block in, the user's clicks, block out, across software versions and series.
#include "page_harness.h"
#include "v0204.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QSlider>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QStringList kModules = {QStringLiteral("english"), QStringLiteral("chinese")};

// A controller of that version, series and variant whose motor fields are in range and whose
// Boost and Economy agree with its brake sensor. Byte 0 holds Half Speed, Noise Reduction and
// the start-up page's bit 3; byte 1 holds ABS and the 12 V output among other pages' bits.
ConfigBlock motorBlock(int major, int minor, char variant = 'J', const char* series = "DVR")
{
    ConfigBlock b = blockWithVersion(major, minor);
    for (int i = 0; i < 3; ++i)
        b.setByte(fieldDef(Field::ModelPrefix).offset + i, static_cast<std::uint8_t>(series[i]));
    b.set(Field::ModelVariant, static_cast<std::uint8_t>(variant));
    b.set(Field::MotorTopSpeed, 80);
    b.set(Field::MotorTopSpeedInReverse, 60);
    b.set(Field::MotorPoles, 8);
    b.set(Field::BrakeSensorType, 1);
    b.setFlag(Field::BoostFunction, false);
    b.setFlag(Field::EconomyFunction, false);
    return b;
}

void click(V0204& page, int id)
{
    auto* button = page.control<QAbstractButton>(id);
    ASSERT_NE(button, nullptr) << id;
    button->click(); // does nothing on a disabled button, as for a user
}

void slide(V0204& page, int id, int value)
{
    auto* slider = page.control<QSlider>(id);
    ASSERT_NE(slider, nullptr) << id;
    slider->setValue(value);
}

struct Case
{
    const char* name;
    int major;
    int minor;
    std::function<void(ConfigBlock&)> setup;  // the controller's block before the load
    std::function<void(V0204&)> act;          // what the user does on the page
    std::function<void(ConfigBlock&)> expect; // how the block differs after the store
    char variant = 'J';
    const char* series = "DVR";
};

void offFlags(ConfigBlock& b, std::initializer_list<Field> fields)
{
    for (Field f : fields)
        b.setFlag(f, false);
}

// Loads the case's block into the page, lets the user act, stores and compares all 128 bytes.
void runCase(const Case& c, const QString& module)
{
    SCOPED_TRACE(std::string(c.name) + " / " + module.toStdString());
    ConfigBlock block = motorBlock(c.major, c.minor, c.variant, c.series);
    if (c.setup)
        c.setup(block);
    ConfigBlock expected = block;
    if (c.expect)
        c.expect(expected);
    auto page = makePage<V0204>(block, V0204::kTemplateId, nullptr, module);
    page->load();
    if (c.act)
        c.act(*page);
    EXPECT_TRUE(page->store());
    EXPECT_EQ(block, expected) << blockDiff(block, expected);
}

const Case kCases[] = {
    {"0208: only Noise, ABS and 12V are written, as off; the rest is untouched", 2, 8,
     [](ConfigBlock& b) {
         b.setFlag(Field::BoostFunction, true); // major 2: never read, never cleared
         b.setFlag(Field::HalfSpeedInReverse, true);
         b.set(Field::MotorTopSpeedInReverse, 189); // never written below 0403
     },
     [](V0204& p) {
         click(p, V0204::IdHalfSpeedDisable); // disabled
         click(p, V0204::IdBoostDisable);     // disabled
     },
     [](ConfigBlock& b) {
         offFlags(b, {Field::NoiseReduction, Field::Abs, Field::Output12V});
     }},
    {"0209: Half Speed In Reverse is live and written", 2, 9, nullptr,
     [](V0204& p) { click(p, V0204::IdHalfSpeedDisable); },
     [](ConfigBlock& b) {
         offFlags(b,
                  {Field::HalfSpeedInReverse, Field::NoiseReduction, Field::Abs, Field::Output12V});
     }},
    {"0209: Boost and Economy set before major 3 keep the brake sensor", 2, 9,
     [](ConfigBlock& b) {
         b.setFlag(Field::BoostFunction, true);
         b.setFlag(Field::EconomyFunction, true);
     },
     nullptr,
     [](ConfigBlock& b) {
         offFlags(b, {Field::NoiseReduction, Field::Abs, Field::Output12V});
     }},
    {"0301: Economy and Half Current from the user; Economy drops the brake sensor", 3, 1, nullptr,
     [](V0204& p) {
         click(p, V0204::IdEconomyEnable);
         click(p, V0204::IdHalfCurrentDisable);
     },
     [](ConfigBlock& b) {
         offFlags(
             b, {Field::HalfCurrentInReverse, Field::NoiseReduction, Field::Abs, Field::Output12V});
         b.setFlag(Field::EconomyFunction, true);
         b.set(Field::BrakeSensorType, 0);
     }},
    {"0302: Boost from the user drops the brake sensor", 3, 2, nullptr,
     [](V0204& p) { click(p, V0204::IdBoostEnable); },
     [](ConfigBlock& b) {
         offFlags(b, {Field::NoiseReduction, Field::Abs, Field::Output12V});
         b.setFlag(Field::BoostFunction, true);
         b.set(Field::BrakeSensorType, 0);
     }},
    {"0303: hidden Noise Reduction is stored as off", 3, 3, nullptr, nullptr,
     [](ConfigBlock& b) {
         offFlags(b, {Field::NoiseReduction, Field::Abs, Field::Output12V});
     }},
    {"0304: Noise Reduction is kept as loaded", 3, 4, nullptr, nullptr,
     [](ConfigBlock& b) {
         offFlags(b, {Field::Abs, Field::Output12V});
     }},
    {"0304: Noise Reduction from the user", 3, 4, nullptr,
     [](V0204& p) { click(p, V0204::IdNoiseDisable); },
     [](ConfigBlock& b) {
         offFlags(b, {Field::NoiseReduction, Field::Abs, Field::Output12V});
     }},
    {"0402: Half Speed still live; ABS and 12V hidden and stored as off", 4, 2, nullptr,
     [](V0204& p) { click(p, V0204::IdHalfSpeedDisable); },
     [](ConfigBlock& b) {
         offFlags(b, {Field::HalfSpeedInReverse, Field::Abs, Field::Output12V});
     }},
    {"0403: fixed Half Speed (set) is stored as loaded; ABS and 12V pass", 4, 3,
     [](ConfigBlock& b) { b.setFlag(Field::HalfSpeedInReverse, true); },
     [](V0204& p) { click(p, V0204::IdHalfSpeedDisable); }, nullptr},
    {"0403: fixed Half Speed (clear) is stored as loaded", 4, 3,
     [](ConfigBlock& b) { b.setFlag(Field::HalfSpeedInReverse, false); },
     [](V0204& p) { click(p, V0204::IdHalfSpeedEnable); }, nullptr},
    {"0403: reverse top speed from the slider", 4, 3, nullptr,
     [](V0204& p) { slide(p, V0204::IdReverseSpeed, 55); },
     [](ConfigBlock& b) { b.set(Field::MotorTopSpeedInReverse, 55); }},
    {"0403: reverse top speed below the range is stored clamped", 4, 3,
     [](ConfigBlock& b) { b.set(Field::MotorTopSpeedInReverse, 10); }, nullptr,
     [](ConfigBlock& b) { b.set(Field::MotorTopSpeedInReverse, 20); }},
    {"0405: ABS and 12V from the user", 4, 5, nullptr,
     [](V0204& p) {
         click(p, V0204::IdAbsDisable);
         click(p, V0204::IdOutput12VDisable);
     },
     [](ConfigBlock& b) {
         offFlags(b, {Field::Abs, Field::Output12V});
     }},
    {"0405: ABS and 12V switched on", 4, 5,
     [](ConfigBlock& b) {
         offFlags(b, {Field::Abs, Field::Output12V});
     },
     [](V0204& p) {
         click(p, V0204::IdAbsEnable);
         click(p, V0204::IdOutput12VEnable);
     },
     [](ConfigBlock& b) {
         b.setFlag(Field::Abs, true);
         b.setFlag(Field::Output12V, true);
     }},
    {"PDR 0403: hidden 12V (set) passes through", 4, 3, nullptr, nullptr, nullptr, 'A', "PDR"},
    {"PDR 0403: hidden 12V (clear) passes through", 4, 3,
     [](ConfigBlock& b) { b.setFlag(Field::Output12V, false); }, nullptr, nullptr, 'A', "PDR"},
    {"PDT 0405: hidden 12V passes through, ABS is live", 4, 5, nullptr,
     [](V0204& p) { click(p, V0204::IdAbsDisable); },
     [](ConfigBlock& b) { b.setFlag(Field::Abs, false); }, 'A', "PDT"},
    {"top speed from the user", 4, 5, nullptr, [](V0204& p) { slide(p, V0204::IdTopSpeed, 45); },
     [](ConfigBlock& b) { b.set(Field::MotorTopSpeed, 45); }},
    {"top speed below the range is stored as 30", 4, 5,
     [](ConfigBlock& b) { b.set(Field::MotorTopSpeed, 20); }, nullptr,
     [](ConfigBlock& b) { b.set(Field::MotorTopSpeed, 30); }},
    {"top speed above the range is stored as 100", 2, 4,
     [](ConfigBlock& b) { b.set(Field::MotorTopSpeed, 255); }, nullptr,
     [](ConfigBlock& b) {
         b.set(Field::MotorTopSpeed, 100);
         offFlags(b, {Field::NoiseReduction, Field::Abs, Field::Output12V});
     }},
    {"hidden pair carries the start-up page's bit 3 (clear)", 4, 5,
     [](ConfigBlock& b) { b.setFlag(Field::ReleasingBrakeHighPedalDisable, false); }, nullptr,
     nullptr},
    {"hidden pair carries the start-up page's bit 3 (set) on 0204", 2, 4,
     [](ConfigBlock& b) { b.setFlag(Field::ReleasingBrakeHighPedalDisable, true); }, nullptr,
     [](ConfigBlock& b) {
         offFlags(b, {Field::NoiseReduction, Field::Abs, Field::Output12V});
     }},
};

TEST(V0204, BlockInBlockOutAcrossVersionsAndSeries)
{
    for (const QString& module : kModules)
        for (const Case& c : kCases)
            runCase(c, module);
}

TEST(V0204, ShowThenHideOfAConsistentBlockChangesNothing)
{
    // Every version at which the page changes, with Boost or Economy on and no brake sensor.
    const std::pair<int, int> versions[] = {{2, 4}, {2, 9}, {3, 0}, {3, 4}, {4, 3}, {4, 5}};
    for (const QString& module : kModules) {
        for (const auto& [major, minor] : versions) {
            for (Field on : {Field::BoostFunction, Field::EconomyFunction}) {
                SCOPED_TRACE(module.toStdString() + " " + std::to_string(major) + "." +
                             std::to_string(minor));
                ConfigBlock block = motorBlock(major, minor);
                block.setFlag(on, true);
                block.set(Field::BrakeSensorType, 0);
                // Functions the version lacks are off, as the controller keeps them.
                if (!block.versionAtLeast(3, 4))
                    block.setFlag(Field::NoiseReduction, false);
                if (!block.versionAtLeast(4, 3))
                    offFlags(block, {Field::Abs, Field::Output12V});
                const ConfigBlock before = block;
                auto page = makePage<V0204>(block, V0204::kTemplateId, nullptr, module);
                page->load();
                EXPECT_TRUE(page->store());
                page->load();
                EXPECT_TRUE(page->store());
                EXPECT_EQ(block, before) << blockDiff(block, before);
            }
        }
    }
}

// What the user sees of each row, by version and series.
struct Rows
{
    int major;
    int minor;
    const char* series;
    bool halfSpeedEnabled;
    bool functionsEnabled;
    bool noiseShown;
    bool absShown;
    bool output12VShown;
};

TEST(V0204, RowsFollowVersionAndSeries)
{
    const Rows kRows[] = {
        {2, 4, "DVR", false, false, false, false, false},
        {2, 8, "DVR", false, false, false, false, false},
        {2, 9, "DVR", true, false, false, false, false},
        {3, 0, "DVR", true, true, false, false, false},
        {3, 3, "DVR", true, true, false, false, false},
        {3, 4, "DVR", true, true, true, false, false},
        {4, 2, "DVR", true, true, true, false, false},
        {4, 3, "DVR", false, true, true, true, true},
        {4, 5, "DVR", false, true, true, true, true},
        {4, 3, "PDR", false, true, true, true, false},
        {4, 5, "PDT", false, true, true, true, false},
        {4, 2, "PDR", true, true, true, false, false},
    };
    for (const Rows& r : kRows) {
        SCOPED_TRACE(std::string(r.series) + " " + std::to_string(r.major) + "." +
                     std::to_string(r.minor));
        ConfigBlock block = motorBlock(r.major, r.minor, 'J', r.series);
        auto page = makePage<V0204>(block, V0204::kTemplateId);
        page->load();
        const auto enabled = [&](int id) { return page->control<QWidget>(id)->isEnabled(); };
        const auto shown = [&](int id) { return !page->control<QWidget>(id)->isHidden(); };
        for (int id : {V0204::IdHalfSpeedEnable, V0204::IdHalfSpeedDisable})
            EXPECT_EQ(enabled(id), r.halfSpeedEnabled) << id;
        for (int id :
             {V0204::IdBoostEnable, V0204::IdBoostDisable, V0204::IdEconomyEnable,
              V0204::IdEconomyDisable, V0204::IdHalfCurrentEnable, V0204::IdHalfCurrentDisable})
            EXPECT_EQ(enabled(id), r.functionsEnabled) << id;
        for (int id : {V0204::IdNoiseEnable, V0204::IdNoiseDisable, V0204::IdNoiseCaption,
                       V0204::IdNoiseNote})
            EXPECT_EQ(shown(id), r.noiseShown) << id;
        for (int id :
             {V0204::IdAbsCaption, V0204::IdAbsEnable, V0204::IdAbsDisable,
              V0204::IdReverseSpeedCaption, V0204::IdReverseSpeed, V0204::IdReverseSpeedLabel})
            EXPECT_EQ(shown(id), r.absShown) << id;
        for (int id :
             {V0204::IdOutput12VCaption, V0204::IdOutput12VEnable, V0204::IdOutput12VDisable})
            EXPECT_EQ(shown(id), r.output12VShown) << id;
        // The start-up page's pair never shows, and the half speed row always does.
        EXPECT_FALSE(shown(V0204::IdReleasingBrakeEnable));
        EXPECT_FALSE(shown(V0204::IdReleasingBrakeDisable));
        EXPECT_TRUE(shown(V0204::IdHalfSpeedEnable));
        // The fixed Half Speed pair of 0403 still shows the controller's setting.
        if (r.major >= 3 || r.minor >= 9) {
            EXPECT_TRUE(page->isChecked(V0204::IdHalfSpeedEnable));
        }
    }
}

struct PolesCase
{
    char variant;
    int stored;     // byte 24 before the load
    int shownIndex; // -1: nothing selected
    int choose;     // index the user picks, or -1
    int written;    // byte 24 after the store
};

TEST(V0204, PoleListMapsEvenCountsAndKeepsCountsBeyondTheList)
{
    const PolesCase kPoles[] = {
        {'J', 8, 3, -1, 8},      {'J', 7, 2, -1, 6},      {'J', 0, 0, -1, 2},
        {'J', 1, 0, -1, 2},      {'J', 200, 99, -1, 200}, {'J', 201, 99, -1, 200},
        {'J', 202, -1, -1, 202}, {'J', 255, -1, -1, 255}, {'J', 8, 3, 9, 20},
        {'C', 255, -1, 0, 2},    {'B', 7, 2, -1, 6},      {'A', 3, 0, -1, 2},
    };
    for (const QString& module : kModules) {
        for (const PolesCase& c : kPoles) {
            SCOPED_TRACE(module.toStdString() + " variant " + c.variant + " poles " +
                         std::to_string(c.stored));
            ConfigBlock block = motorBlock(4, 5, c.variant);
            block.set(Field::MotorPoles, static_cast<std::uint32_t>(c.stored));
            auto page = makePage<V0204>(block, V0204::kTemplateId, nullptr, module);
            page->load();
            auto* poles = page->control<QComboBox>(V0204::IdPoles);
            ASSERT_NE(poles, nullptr);
            EXPECT_EQ(poles->count(), 100);
            EXPECT_EQ(poles->isEnabled(), c.variant == 'J' || c.variant == 'C');
            EXPECT_EQ(poles->currentIndex(), c.shownIndex);
            if (c.shownIndex >= 0) {
                EXPECT_EQ(poles->currentText().toInt(), 2 * (c.shownIndex + 1));
            }
            if (c.choose >= 0)
                poles->setCurrentIndex(c.choose);
            const ConfigBlock before = block;
            EXPECT_TRUE(page->store());
            EXPECT_EQ(block.get(Field::MotorPoles), static_cast<std::uint32_t>(c.written));
            ConfigBlock others = block;
            others.set(Field::MotorPoles, before.get(Field::MotorPoles));
            EXPECT_EQ(others, before) << blockDiff(others, before);
        }
    }
}

struct BoostEconomyCase
{
    const char* name;
    bool boostLoaded;
    bool economyLoaded;
    int clickBoost;   // button the user clicks, or 0
    int clickEconomy; // button the user clicks, or 0
    bool boostStored;
    bool economyStored;
    int sensorStored;        // byte 3 after the store (loaded as 2)
    bool economyEnableShown; // Economy's Enable button after the store
};

TEST(V0204, BoostWinsOverEconomyAndEitherDropsTheBrakeSensor)
{
    const BoostEconomyCase kCasesBE[] = {
        {"both chosen", false, false, V0204::IdBoostEnable, V0204::IdEconomyEnable, true, false, 0,
         false},
        {"both loaded", true, true, 0, 0, true, false, 0, false},
        {"Economy alone", false, false, 0, V0204::IdEconomyEnable, false, true, 0, true},
        {"Boost alone", false, false, V0204::IdBoostEnable, 0, true, false, 0, false},
        {"neither", false, false, 0, 0, false, false, 2, false},
        {"Boost switched off", true, false, V0204::IdBoostDisable, 0, false, false, 2, false},
    };
    for (const auto& c : kCasesBE) {
        SCOPED_TRACE(c.name);
        ConfigBlock block = motorBlock(3, 0);
        block.setFlag(Field::BoostFunction, c.boostLoaded);
        block.setFlag(Field::EconomyFunction, c.economyLoaded);
        block.set(Field::BrakeSensorType, 2);
        ConfigBlock expected = block;
        expected.setFlag(Field::BoostFunction, c.boostStored);
        expected.setFlag(Field::EconomyFunction, c.economyStored);
        expected.set(Field::BrakeSensorType, static_cast<std::uint32_t>(c.sensorStored));
        offFlags(expected, {Field::NoiseReduction, Field::Abs, Field::Output12V});

        auto page = makePage<V0204>(block, V0204::kTemplateId);
        page->load();
        if (c.clickBoost)
            click(*page, c.clickBoost);
        if (c.clickEconomy)
            click(*page, c.clickEconomy);
        EXPECT_TRUE(page->store());
        EXPECT_EQ(block, expected) << blockDiff(block, expected);
        // The store turns the losing function off on screen as well.
        EXPECT_EQ(page->isChecked(V0204::IdEconomyEnable), c.economyEnableShown);
        if (c.boostStored) {
            EXPECT_TRUE(page->isChecked(V0204::IdEconomyDisable));
        }
    }
}

TEST(V0204, ValueLabelsFollowTheSlidersInPercent)
{
    for (const QString& module : kModules) {
        ConfigBlock block = motorBlock(4, 3);
        block.set(Field::MotorTopSpeed, 20);
        block.set(Field::MotorTopSpeedInReverse, 75);
        auto page = makePage<V0204>(block, V0204::kTemplateId, nullptr, module);
        page->load();
        const auto label = [&](int id) { return page->control<QLabel>(id)->text(); };
        EXPECT_EQ(page->control<QSlider>(V0204::IdTopSpeed)->value(), 30);
        EXPECT_EQ(label(V0204::IdTopSpeedLabel), QStringLiteral("30%"));
        EXPECT_EQ(label(V0204::IdReverseSpeedLabel), QStringLiteral("75%"));
        slide(*page, V0204::IdTopSpeed, 64);
        slide(*page, V0204::IdReverseSpeed, 21);
        EXPECT_EQ(label(V0204::IdTopSpeedLabel), QStringLiteral("64%"));
        EXPECT_EQ(label(V0204::IdReverseSpeedLabel), QStringLiteral("21%"));
        // A load that leaves a slider where it was still refreshes its label.
        page->control<QLabel>(V0204::IdTopSpeedLabel)->clear();
        block.set(Field::MotorTopSpeed, 64);
        page->load();
        EXPECT_EQ(label(V0204::IdTopSpeedLabel), QStringLiteral("64%"));
    }
}

TEST(V0204, AModuleWithoutAControlLeavesItsFieldAlone)
{
    ConfigBlock block = motorBlock(4, 5);
    block.setFlag(Field::ReleasingBrakeHighPedalDisable, true);
    const ConfigBlock before = block;
    auto page = makePage<V0204>(block, V0204::kTemplateId);
    for (int id : {V0204::IdReleasingBrakeEnable, V0204::IdAbsEnable, V0204::IdPoles,
                   V0204::IdTopSpeed, V0204::IdBoostEnable})
        delete page->control<QWidget>(id);
    page->load();
    EXPECT_TRUE(page->store());
    EXPECT_EQ(block, before) << blockDiff(block, before);
}

} // namespace
