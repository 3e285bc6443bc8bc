// Motor and regeneration pages in the real wizard on the simulator: Boost, Economy and the brake
// sensor type as the frame's page order lets each page see them, and untouched walks.
#include "cstep5.h"
#include "frame_harness.h"
#include "page_harness.h"
#include "v0204.h"

#include <QAbstractButton>
#include <QComboBox>

#include <gtest/gtest.h>

namespace {

using Answer = Prompter::Answer;

template <class T> int pageNumber(const FrameHarness& h)
{
    for (int n = 1; n <= h.frame->pageCount(); ++n)
        if (qobject_cast<T*>(h.frame->page(n)))
            return n;
    return 0;
}

template <class T> T* pageOf(const FrameHarness& h)
{
    return qobject_cast<T*>(h.frame->page(pageNumber<T>(h)));
}

// Next until page n is shown; the pages on the way store what they loaded.
void walkTo(FrameHarness& h, int n)
{
    ASSERT_GT(n, 0);
    while (h.frame->currentPage() < n) {
        const int before = h.frame->currentPage();
        h.frame->OnNext();
        ASSERT_GT(h.frame->currentPage(), before)
            << "page " << before << " refused: " << h.prompter.told.join(" | ").toStdString();
    }
    ASSERT_TRUE(h.frame->isPageShown(n));
}

void click(Page* page, int id)
{
    auto* button = page->control<QAbstractButton>(id);
    ASSERT_NE(button, nullptr) << id;
    button->click();
}

int sensorItem(const FrameHarness& h)
{
    return pageOf<CStep5>(h)->control<QComboBox>(CStep5::IdSensorType)->currentIndex();
}

void chooseSensor(const FrameHarness& h, int index)
{
    pageOf<CStep5>(h)->control<QComboBox>(CStep5::IdSensorType)->setCurrentIndex(index);
}

// Opens the wizard on `preset` and walks to the motor page.
std::unique_ptr<FrameHarness> openOnMotorPage(const QString& preset,
                                              const std::function<void(ConfigBlock&)>& edit = {})
{
    auto h = std::make_unique<FrameHarness>(preset, edit);
    EXPECT_TRUE(h->open());
    EXPECT_GT(pageNumber<V0204>(*h), 0);
    EXPECT_EQ(pageNumber<CStep5>(*h), pageNumber<V0204>(*h) + 1);
    walkTo(*h, pageNumber<V0204>(*h));
    return h;
}

TEST(MotorRegenFrame, StepOnFromBoostClearsTheSensorTheRegenerationPageThenShows)
{
    auto h = openOnMotorPage("full"); // the preset has a 0-5V brake sensor
    ASSERT_EQ(h->block.get(Field::BrakeSensorType), 1u);
    click(pageOf<V0204>(*h), V0204::IdBoostEnable);
    h->frame->OnNext(); // the motor page stores before the regeneration page loads
    ASSERT_EQ(h->frame->currentPage(), pageNumber<CStep5>(*h));
    EXPECT_TRUE(h->block.flag(Field::BoostFunction));
    EXPECT_EQ(h->block.get(Field::BrakeSensorType), 0u);
    EXPECT_EQ(sensorItem(*h), 0);
}

TEST(MotorRegenFrame, StepBackShowsTheMotorPageBeforeTheSensorIsStored)
{
    auto h = openOnMotorPage("full", [](ConfigBlock& b) {
        b.setFlag(Field::BoostFunction, true);
        b.set(Field::BrakeSensorType, 0);
    });
    h->frame->OnNext();
    ASSERT_EQ(sensorItem(*h), 0);
    chooseSensor(*h, 2);

    // Back: the motor page loads Boost first, then the regeneration page stores the sensor and
    // clears Boost in the block; the motor page still shows Boost as it loaded it.
    h->frame->OnPrevious();
    ASSERT_EQ(h->frame->currentPage(), pageNumber<V0204>(*h));
    EXPECT_TRUE(pageOf<V0204>(*h)->isChecked(V0204::IdBoostEnable));
    EXPECT_FALSE(h->block.flag(Field::BoostFunction));
    EXPECT_EQ(h->block.get(Field::BrakeSensorType), 2u);

    // On again: the motor page stores what it shows, and Boost takes the brake input back.
    h->frame->OnNext();
    EXPECT_TRUE(h->block.flag(Field::BoostFunction));
    EXPECT_EQ(h->block.get(Field::BrakeSensorType), 0u);
    EXPECT_EQ(sensorItem(*h), 0);
}

TEST(MotorRegenFrame, EconomyTurnedOffAfterAStepBackKeepsTheSensorAndIsWritten)
{
    auto h = openOnMotorPage("full", [](ConfigBlock& b) {
        b.setFlag(Field::EconomyFunction, true);
        b.set(Field::BrakeSensorType, 0);
    });
    h->frame->OnNext();
    chooseSensor(*h, 1);
    h->frame->OnPrevious();
    EXPECT_TRUE(pageOf<V0204>(*h)->isChecked(V0204::IdEconomyEnable));
    click(pageOf<V0204>(*h), V0204::IdEconomyDisable);
    h->frame->OnNext();
    EXPECT_EQ(sensorItem(*h), 1);

    h->prompter.script(106, {Answer::No});
    h->frame->OnFinish();
    const ConfigBlock written = h->sim->storedImage();
    EXPECT_FALSE(written.flag(Field::EconomyFunction));
    EXPECT_FALSE(written.flag(Field::BoostFunction));
    EXPECT_EQ(written.get(Field::BrakeSensorType), 1u);
}

TEST(MotorRegenFrame, FinishOnTheRegenerationPageWritesTheSensorWithoutBoost)
{
    auto h = openOnMotorPage("can", [](ConfigBlock& b) {
        b.setFlag(Field::BoostFunction, true);
        b.set(Field::BrakeSensorType, 0);
    });
    h->frame->OnNext();
    chooseSensor(*h, 3); // "0-5K", only on the four-item list of 0403 and later
    h->prompter.script(106, {Answer::No});
    h->frame->OnFinish();
    const ConfigBlock written = h->sim->storedImage();
    EXPECT_FALSE(written.flag(Field::BoostFunction));
    EXPECT_EQ(written.get(Field::BrakeSensorType), 3u);
}

// The fields the two pages own or, as the start-up page's bit 3, carry through.
const Field kPageFields[] = {
    Field::BoostFunction,
    Field::EconomyFunction,
    Field::HalfCurrentInReverse,
    Field::HalfSpeedInReverse,
    Field::Joystick,
    Field::ReleasingBrakeHighPedalDisable,
    Field::NoiseReduction,
    Field::BrakeSwitch,
    Field::Abs,
    Field::Output12V,
    Field::Regeneration,
    Field::BrakeSensorType,
    Field::MaxRegenCurrent,
    Field::ReleasingThrottleStartsRegen,
    Field::RegenCurrentByBrakeSwitchOn,
    Field::MotorPoles,
    Field::MotorTopSpeedInReverse,
    Field::MotorTopSpeed,
    Field::BrakeSensorStartingPoint,
    Field::BrakeSensorEndingPoint,
    Field::Cruise,
};

struct Walk
{
    const char* preset;
    int version; // major * 256 + minor, or 0 for the preset's own
    bool motorPage;
    bool regenPage;
};

TEST(MotorRegenFrame, AnUntouchedWalkWritesThePagesFieldsAsTheControllerSent)
{
    const Walk kWalks[] = {
        {"basic", 0, false, false},   {"legacy", 0, true, true}, {"pdr", 0, true, true},
        {"full", 0, true, true},      {"can", 0, true, true},    {"full", 0x0301, true, true},
        {"full", 0x0208, true, true},
    };
    for (const Walk& w : kWalks) {
        SCOPED_TRACE(std::string(w.preset) + " " + std::to_string(w.version));
        const auto edit = [&w](ConfigBlock& b) {
            if (w.version == 0)
                return;
            b.setByte(fieldDef(Field::SoftwareVersion).offset,
                      static_cast<std::uint8_t>(w.version >> 8));
            b.setByte(fieldDef(Field::SoftwareVersion).offset + 1,
                      static_cast<std::uint8_t>(w.version));
            // Functions this software lacks are off, and the span is in steps.
            if (w.version < 0x0403) {
                b.setFlag(Field::Abs, false);
                b.setFlag(Field::Output12V, false);
            }
            if (w.version < 0x0304)
                b.setFlag(Field::NoiseReduction, false);
            if (w.version < 0x0302)
                b.set(Field::BrakeSensorStartEndSteps, 0x12);
        };
        FrameHarness h(w.preset, edit);
        ASSERT_TRUE(h.open());
        const ConfigBlock sent = h.sim->storedImage();
        EXPECT_EQ(pageNumber<V0204>(h) > 0, w.motorPage);
        EXPECT_EQ(pageNumber<CStep5>(h) > 0, w.regenPage);
        walkTo(h, h.frame->pageCount());
        h.prompter.script(106, {Answer::No});
        h.frame->OnFinish();
        const ConfigBlock written = h.sim->storedImage();
        for (Field f : kPageFields) {
            // Without a regeneration page the frame turns regeneration off.
            const std::uint32_t expected =
                f == Field::Regeneration && !w.regenPage ? 0u : sent.get(f);
            EXPECT_EQ(written.get(f), expected) << fieldDef(f).name;
        }
        if (sent.softwareVersion() < 0x0302 && w.regenPage) {
            EXPECT_EQ(written.get(Field::BrakeSensorStartEndSteps),
                      sent.get(Field::BrakeSensorStartEndSteps));
        }
    }
}

} // namespace
