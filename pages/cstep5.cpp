// Regeneration page: regenerative braking, brake switch and sensor, joystick and cruise.
#include "cstep5.h"

#include "field_couplings.h"
#include "field_encodings.h"
#include "field_rules.h"
#include "message_ids.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QSlider>

#include <iterator>

namespace V = SoftwareVersions;

namespace {

// Before 0302 the span is one steps byte (StepPair).
constexpr int kFallbackStep = 2; // shown for a step without an item

// The module's words, or sensor names that stand as they are.
constexpr int kSensorTypes0302[] = {MessageIds::NoUsedItem, MessageIds::ThreeWirePotItem,
                                    MessageIds::HallThrottleItem};
const char* const kSensorTypes0403[] = {nullptr, "0-5V", "1-4V", "0-5K"};

// Sensor type n is item n of the longest list; 0 = no sensor.
constexpr int kSensorTypeCount = static_cast<int>(std::size(kSensorTypes0403));
// The sensor item whose span is shown in volts: 0..100 % of the span is 1.0..4.0 V.
constexpr int kVoltSensorItem = 2;

} // namespace

void CStep5::bindControls()
{
    // The value labels follow their sliders, and the span labels the sensor type as well.
    for (int id :
         {IdReleaseRegen, IdBrakeSwitchCurrent, IdMaxRegenCurrent, IdSensorStart, IdSensorEnd})
        if (auto* slider = control<QSlider>(id))
            connect(slider, &QSlider::valueChanged, this, [this] { refreshLabels(); });
    if (auto* types = control<QComboBox>(IdSensorType))
        connect(types, &QComboBox::currentIndexChanged, this, [this] { refreshLabels(); });

    // The step lists are editable, but a typed text must not become an item: the stored step is
    // the item's position.
    for (int id : {IdSensorStartStep, IdSensorEndStep})
        if (auto* steps = control<QComboBox>(id))
            steps->setInsertPolicy(QComboBox::NoInsert);
}

int CStep5::selectedStep(const QComboBox* combo)
{
    const int index = combo->currentIndex();
    if (index < 0 || combo->currentText() != combo->itemText(index))
        return -1;
    return index;
}

void CStep5::refreshLabels() const
{
    if (auto* slider = control<QSlider>(IdReleaseRegen)) {
        const int value = slider->value();
        setControlText(IdReleaseRegenLabel,
                       value <= 0 ? QStringLiteral("Disable") : percentText(value));
    }
    if (auto* slider = control<QSlider>(IdBrakeSwitchCurrent))
        setControlText(IdBrakeSwitchCurrentLabel, percentText(slider->value()));
    if (auto* slider = control<QSlider>(IdMaxRegenCurrent))
        setControlText(IdMaxRegenCurrentLabel, percentText(slider->value()));

    const auto* types = control<QComboBox>(IdSensorType);
    const bool volts = types != nullptr && types->currentIndex() == kVoltSensorItem;
    const auto spanText = [volts](int value) {
        return volts ? hallVoltText(value) : percentText(value);
    };
    if (auto* slider = control<QSlider>(IdSensorStart))
        setControlText(IdSensorStartLabel, spanText(slider->value()));
    if (auto* slider = control<QSlider>(IdSensorEnd))
        setControlText(IdSensorEndLabel, spanText(slider->value()));
}

void CStep5::fillSensorTypes() const
{
    auto* types = control<QComboBox>(IdSensorType);
    if (types == nullptr)
        return;
    // Before 0302 the list keeps the items of the template.
    if (!block().versionAtLeast(V::kPositions))
        return;
    types->clear();
    if (block().versionAtLeast(V::kThreeSensors)) {
        for (const char* item : kSensorTypes0403)
            types->addItem(item ? QString::fromLatin1(item) : text(MessageIds::NoSensorItem));
    } else {
        for (int item : kSensorTypes0302)
            types->addItem(text(item));
    }
}

void CStep5::load()
{
    const ConfigBlock& b = block();
    const FieldRules rules(b);
    const bool releaseRegen = b.versionAtLeast(V::kReleasing);
    const bool spanSliders = b.versionAtLeast(V::kPositions);

    setPair(IdRegenEnable, IdRegenDisable, b.flag(Field::Regeneration));

    // Older controllers have no regeneration on throttle release: the slider stays as it is.
    setControlEnabled(IdReleaseRegen, releaseRegen);
    if (releaseRegen)
        setSliderSpan(control<QSlider>(IdReleaseRegen),
                      rules.valid(Field::ReleasingThrottleStartsRegen),
                      static_cast<int>(b.get(Field::ReleasingThrottleStartsRegen)));

    setPair(IdBrakeSwitchEnable, IdBrakeSwitchDisable, b.flag(Field::BrakeSwitch));
    setPair(IdJoystickEnable, IdJoystickDisable, b.flag(Field::Joystick));
    setPair(IdCruiseEnable, IdCruiseDisable, b.flag(Field::Cruise));

    const auto loadSlider = [this, &b, &rules](int id, Field field) {
        setSliderSpan(control<QSlider>(id), rules.valid(field), static_cast<int>(b.get(field)));
    };
    loadSlider(IdBrakeSwitchCurrent, Field::RegenCurrentByBrakeSwitchOn);
    loadSlider(IdMaxRegenCurrent, Field::MaxRegenCurrent);
    loadSlider(IdSensorStart, Field::BrakeSensorStartingPoint);
    loadSlider(IdSensorEnd, Field::BrakeSensorEndingPoint);

    // Both step lists are loaded on every version; the version decides which pair is seen.
    const std::uint8_t steps = static_cast<std::uint8_t>(b.get(Field::BrakeSensorStartEndSteps));
    // The largest valid steps byte pairs the last starting step (0% .. 40%) with the last
    // ending step (100% .. 50%).
    const auto lastSteps = static_cast<int>(rules.valid(Field::BrakeSensorStartEndSteps).max());
    const int lastStart = StepPair::start(lastSteps);
    const int lastEnd = StepPair::end(lastSteps);
    if (auto* start = control<QComboBox>(IdSensorStartStep)) {
        const int n = StepPair::start(steps);
        start->setCurrentIndex(n <= lastStart && n < start->count() ? n : kFallbackStep);
    }
    if (auto* end = control<QComboBox>(IdSensorEndStep)) {
        const int n = StepPair::end(steps);
        end->setCurrentIndex(n <= lastEnd && n < end->count() ? n : kFallbackStep);
    }

    for (int id : {IdSensorStart, IdSensorEnd, IdSensorStartLabel, IdSensorEndLabel})
        setControlVisible(id, spanSliders);
    for (int id : {IdSensorStartStep, IdSensorEndStep})
        setControlVisible(id, !spanSliders);
    fillSensorTypes();

    if (auto* types = control<QComboBox>(IdSensorType)) {
        // A type the list cannot show (3 on the three-item list) selects nothing.
        const int type = static_cast<int>(b.get(Field::BrakeSensorType));
        const int index = type < kSensorTypeCount ? type : 0;
        types->setCurrentIndex(index < types->count() ? index : -1);
    }

    refreshLabels();
}

bool CStep5::store()
{
    ConfigBlock& b = block();

    storeFlag(Field::Regeneration, IdRegenEnable);
    storeFlag(Field::BrakeSwitch, IdBrakeSwitchEnable);
    storeFlag(Field::Joystick, IdJoystickEnable);
    storeFlag(Field::Cruise, IdCruiseEnable);

    const auto storeSlider = [this, &b](int id, Field field) {
        if (auto* slider = control<QSlider>(id))
            b.set(field, static_cast<std::uint32_t>(slider->value()));
    };
    if (b.versionAtLeast(V::kReleasing))
        storeSlider(IdReleaseRegen, Field::ReleasingThrottleStartsRegen);
    storeSlider(IdBrakeSwitchCurrent, Field::RegenCurrentByBrakeSwitchOn);
    storeSlider(IdMaxRegenCurrent, Field::MaxRegenCurrent);

    if (b.versionAtLeast(V::kPositions)) {
        storeSlider(IdSensorStart, Field::BrakeSensorStartingPoint);
        storeSlider(IdSensorEnd, Field::BrakeSensorEndingPoint);
    } else {
        // Each step list writes only its own nibble, and only when an item is selected.
        auto steps = static_cast<std::uint8_t>(b.get(Field::BrakeSensorStartEndSteps));
        if (const auto* start = control<QComboBox>(IdSensorStartStep)) {
            const int n = selectedStep(start);
            if (StepPair::fitsNibble(n))
                steps = StepPair::withStart(steps, n);
        }
        if (const auto* end = control<QComboBox>(IdSensorEndStep)) {
            const int n = selectedStep(end);
            if (StepPair::fitsNibble(n))
                steps = StepPair::withEnd(steps, n);
        }
        b.set(Field::BrakeSensorStartEndSteps, steps);
    }

    if (const auto* types = control<QComboBox>(IdSensorType)) {
        // Boost and Economy use the brake input too: a brake sensor turns both off.
        const int type = types->currentIndex();
        if (type >= 1 && type < kSensorTypeCount) {
            b.set(Field::BrakeSensorType, static_cast<std::uint32_t>(type));
            applyCouplings(b, Field::BrakeSensorType);
        } else {
            b.set(Field::BrakeSensorType, 0);
        }
    }
    return true;
}
