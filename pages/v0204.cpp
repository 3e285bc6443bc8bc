// Motor page: top speed, pole count and the motor functions (Boost, Economy, ABS, 12 V output...).
#include "v0204.h"

#include "field_couplings.h"
#include "field_rules.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QSlider>

namespace V = SoftwareVersions;

namespace {

// Pole list item i stands for 2 * (i + 1) poles.
constexpr int kPolesPerStep = 2;

} // namespace

void V0204::bindControls()
{
    // The value labels follow their sliders.
    if (auto* slider = control<QSlider>(IdTopSpeed))
        connect(slider, &QSlider::valueChanged, this, [this] { refreshLabels(); });
    if (auto* slider = control<QSlider>(IdReverseSpeed))
        connect(slider, &QSlider::valueChanged, this, [this] { refreshLabels(); });
}

bool V0204::offersPoleChoice() const
{
    const ControllerIdentity id = ControllerIdentity::of(block());
    return id.j1939Variant() || id.canVariant();
}

bool V0204::isPdSeries() const
{
    // The PD series have no 12 V output.
    return ControllerIdentity::of(block()).pdSeries();
}

void V0204::refreshLabels() const
{
    if (auto* slider = control<QSlider>(IdTopSpeed))
        setControlText(IdTopSpeedLabel, percentText(slider->value()));
    if (auto* slider = control<QSlider>(IdReverseSpeed))
        setControlText(IdReverseSpeedLabel, percentText(slider->value()));
}

void V0204::load()
{
    const ConfigBlock& b = block();
    const FieldRules rules(b);
    const bool halfSpeed = b.versionAtLeast(V::kReleasing);
    const bool functions = b.versionAtLeast(V::kFunctions);
    const bool noise = b.versionAtLeast(V::kNoiseReduction);
    const bool absRows = b.versionAtLeast(V::kThreeSensors);

    // Only the J1939 and CAN variants let the user pick the pole count.
    setControlEnabled(IdPoles, offersPoleChoice());

    setSliderSpan(control<QSlider>(IdTopSpeed), rules.valid(Field::MotorTopSpeed),
                  static_cast<int>(b.get(Field::MotorTopSpeed)));

    if (auto* poles = control<QComboBox>(IdPoles)) {
        // 0 and 1 show as 2, odd counts as the even count below; a count beyond the list
        // selects nothing.
        const int p = static_cast<int>(b.get(Field::MotorPoles));
        const int index = p <= 1 ? 0 : p / kPolesPerStep - 1;
        poles->setCurrentIndex(index < poles->count() ? index : -1);
    }

    // Half Speed In Reverse is offered from 0209; from 0403 on it is shown but fixed.
    for (int id : {IdHalfSpeedEnable, IdHalfSpeedDisable})
        setControlEnabled(id, halfSpeed && !absRows);
    if (halfSpeed)
        setPair(IdHalfSpeedEnable, IdHalfSpeedDisable, b.flag(Field::HalfSpeedInReverse));

    for (int id : {IdBoostEnable, IdBoostDisable, IdEconomyEnable, IdEconomyDisable,
                   IdHalfCurrentEnable, IdHalfCurrentDisable})
        setControlEnabled(id, functions);
    if (functions) {
        setPair(IdBoostEnable, IdBoostDisable, b.flag(Field::BoostFunction));
        setPair(IdEconomyEnable, IdEconomyDisable, b.flag(Field::EconomyFunction));
        setPair(IdHalfCurrentEnable, IdHalfCurrentDisable, b.flag(Field::HalfCurrentInReverse));
    }

    for (int id : {IdNoiseEnable, IdNoiseDisable, IdNoiseCaption, IdNoiseNote})
        setControlVisible(id, noise);
    if (noise) {
        setPair(IdNoiseEnable, IdNoiseDisable, b.flag(Field::NoiseReduction));
    } else {
        // Older controllers lack the function: the hidden row is stored as off.
        setChecked(IdNoiseEnable, false);
        setChecked(IdNoiseDisable, false);
    }

    // The start-up page owns this bit; the hidden pair only carries it through.
    setPair(IdReleasingBrakeEnable, IdReleasingBrakeDisable,
            b.flag(Field::ReleasingBrakeHighPedalDisable));

    if (absRows)
        setSliderSpan(control<QSlider>(IdReverseSpeed), rules.valid(Field::MotorTopSpeedInReverse),
                      static_cast<int>(b.get(Field::MotorTopSpeedInReverse)));
    for (int id : {IdAbsCaption, IdAbsEnable, IdAbsDisable, IdReverseSpeedCaption, IdReverseSpeed,
                   IdReverseSpeedLabel})
        setControlVisible(id, absRows);
    const bool output12V = absRows && !isPdSeries();
    for (int id : {IdOutput12VCaption, IdOutput12VEnable, IdOutput12VDisable})
        setControlVisible(id, output12V);
    if (absRows) {
        // Set even where the 12 V row is hidden, so that the bit passes through.
        setPair(IdAbsEnable, IdAbsDisable, b.flag(Field::Abs));
        setPair(IdOutput12VEnable, IdOutput12VDisable, b.flag(Field::Output12V));
    } else {
        // Older controllers lack both functions: the hidden rows are stored as off.
        for (int id : {IdAbsEnable, IdAbsDisable, IdOutput12VEnable, IdOutput12VDisable})
            setChecked(id, false);
    }

    refreshLabels();
}

bool V0204::store()
{
    ConfigBlock& b = block();

    if (auto* slider = control<QSlider>(IdTopSpeed))
        b.set(Field::MotorTopSpeed, static_cast<std::uint32_t>(slider->value()));

    // With no item selected (a count beyond the list was loaded) the loaded count is kept.
    if (auto* poles = control<QComboBox>(IdPoles)) {
        const int index = poles->currentIndex();
        if (index >= 0)
            b.set(Field::MotorPoles, static_cast<std::uint32_t>(kPolesPerStep * (index + 1)));
    }

    if (b.versionAtLeast(V::kReleasing))
        storeFlag(Field::HalfSpeedInReverse, IdHalfSpeedEnable);

    if (b.versionAtLeast(V::kFunctions)) {
        // Boost and Economy both use the brake input: they exclude each other and the brake
        // sensor. Boost is looked at first, so it wins when both were chosen.
        if (isChecked(IdBoostEnable)) {
            b.setFlag(Field::BoostFunction, true);
            applyCouplings(b, Field::BoostFunction);
            setPair(IdEconomyEnable, IdEconomyDisable, false);
        } else if (control<QAbstractButton>(IdBoostEnable) != nullptr) {
            b.setFlag(Field::BoostFunction, false);
        }
        if (isChecked(IdEconomyEnable)) {
            b.setFlag(Field::EconomyFunction, true);
            applyCouplings(b, Field::EconomyFunction);
            setPair(IdBoostEnable, IdBoostDisable, false);
        } else if (control<QAbstractButton>(IdEconomyEnable) != nullptr) {
            b.setFlag(Field::EconomyFunction, false);
        }
        storeFlag(Field::HalfCurrentInReverse, IdHalfCurrentEnable);
    }

    storeFlag(Field::ReleasingBrakeHighPedalDisable, IdReleasingBrakeEnable);
    storeFlag(Field::NoiseReduction, IdNoiseEnable);
    storeFlag(Field::Abs, IdAbsEnable);
    storeFlag(Field::Output12V, IdOutput12VEnable);

    if (b.versionAtLeast(V::kThreeSensors)) {
        if (auto* slider = control<QSlider>(IdReverseSpeed))
            b.set(Field::MotorTopSpeedInReverse, static_cast<std::uint32_t>(slider->value()));
    }
    return true;
}
