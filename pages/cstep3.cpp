// Start-up, hall sensor and voltage page: delay, hall type, control mode, voltage limits, rate.
#include "cstep3.h"

#include "field_couplings.h"
#include "field_encodings.h"
#include "message_ids.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QSlider>

namespace {

// Control mode list items.
constexpr int kTorqueItem = 0;
constexpr int kSpeedItem = 2;
constexpr int kControlModes[] = {MessageIds::TorqueItem, MessageIds::BalancedItem,
                                 MessageIds::SpeedItem};

} // namespace

bool CStep3::voltageRange(const ConfigBlock& block, VoltageRange* range)
{
    return voltageClassRange(ControllerIdentity::of(block), range);
}

void CStep3::bindControls()
{
    m_delay = control<QComboBox>(kDelayCombo);
    m_hall = control<QComboBox>(kHallCombo);
    m_controlMode = control<QComboBox>(kControlModeCombo);
    m_underVoltage = control<QSlider>(kUnderVoltageSlider);
    m_overVoltage = control<QSlider>(kOverVoltageSlider);
    m_rate = control<QSlider>(kRateSlider);

    for (QSlider* slider : {m_underVoltage, m_overVoltage, m_rate}) {
        if (slider == nullptr)
            continue;
        const int id = slider->objectName().mid(2).toInt();
        connect(slider, &QSlider::valueChanged, this, [this, id] { refreshLabel(id); });
    }

    // The releasing-brake protection is offered only by software that has it.
    const bool releasing = block().versionAtLeast(SoftwareVersions::kReleasing);
    for (int id : {kReleasingCaption, kReleasingEnable, kReleasingDisable, kReleasingNote})
        setControlVisible(id, releasing);
}

void CStep3::load()
{
    const ConfigBlock& b = block();
    const FieldRules rules(b);

    if (m_delay) {
        // A delay beyond the list selects nothing.
        const int delay = b.at(Field::StartupDelay);
        m_delay->setCurrentIndex(delay < m_delay->count() ? delay : -1);
    }
    if (m_hall) {
        // The list offers the two hall angles, the smaller one first.
        const ValidValues hall = rules.valid(Field::HallSensorType);
        m_hall->setCurrentIndex(b.at(Field::HallSensorType) == hall.min() ? 0 : 1);
    }
    if (m_controlMode) {
        m_controlMode->clear();
        for (int item : kControlModes)
            m_controlMode->addItem(text(item));
        int item = 1;
        if (b.get(Field::SpeedMode) == SpeedModeCode::kOn)
            item = kSpeedItem;
        else if (b.get(Field::ControlMode) == ControlModeCode::kTorque)
            item = kTorqueItem;
        m_controlMode->setCurrentIndex(item);
    }

    VoltageRange range{};
    if (voltageRange(b, &range)) {
        for (QSlider* slider : {m_underVoltage, m_overVoltage})
            if (slider)
                slider->setRange(range.min, range.max);
    }
    if (m_underVoltage)
        m_underVoltage->setValue(b.at(Field::UnderVoltage)); // clamps into the range
    if (m_overVoltage)
        m_overVoltage->setValue(b.at(Field::OverVoltage));
    setSliderSpan(m_rate, rules.valid(Field::ThrottleUpDownRate),
                  RateStep::step(b.at(Field::ThrottleUpDownRate)), RateStep::kScale);

    // Opposite polarities: the power-on bit set means Disable, the releasing-brake bit Enable.
    const bool powerOnOff = b.flag(Field::PowerOnHighPedalDisable);
    setChecked(kPowerOnDisable, powerOnOff);
    setChecked(kPowerOnEnable, !powerOnOff);
    const bool releasingOn = b.flag(Field::ReleasingBrakeHighPedalDisable);
    setChecked(kReleasingEnable, releasingOn);
    setChecked(kReleasingDisable, !releasingOn);

    for (int id : {kUnderVoltageSlider, kOverVoltageSlider, kRateSlider})
        refreshLabel(id);
}

bool CStep3::store()
{
    ConfigBlock& b = block();

    // No selection (a delay beyond the list was loaded): the loaded byte stays.
    if (m_delay && m_delay->currentIndex() >= 0)
        b.set(Field::StartupDelay, static_cast<std::uint32_t>(m_delay->currentIndex()));
    if (m_hall) {
        const ValidValues hall = FieldRules(b).valid(Field::HallSensorType);
        b.set(Field::HallSensorType,
              static_cast<std::uint32_t>(m_hall->currentIndex() == 0 ? hall.min() : hall.max()));
    }

    if (m_controlMode) {
        const int item = m_controlMode->currentIndex();
        if (item == kSpeedItem) {
            b.set(Field::SpeedMode, SpeedModeCode::kOn);
        } else {
            const std::uint32_t mode =
                item == kTorqueItem ? ControlModeCode::kTorque : ControlModeCode::kBalanced;
            b.set(Field::SpeedMode, SpeedModeCode::kOff);
            setWithDerived(b, Field::ControlMode, mode);
        }
    }

    if (control<QAbstractButton>(kPowerOnEnable) || control<QAbstractButton>(kPowerOnDisable))
        b.setFlag(Field::PowerOnHighPedalDisable, !isChecked(kPowerOnEnable));
    // Stored whatever the version: older software keeps the bit as it was loaded.
    if (control<QAbstractButton>(kReleasingEnable) || control<QAbstractButton>(kReleasingDisable))
        b.setFlag(Field::ReleasingBrakeHighPedalDisable, !isChecked(kReleasingDisable));

    if (m_underVoltage)
        b.set(Field::UnderVoltage, static_cast<std::uint32_t>(m_underVoltage->value()));
    if (m_overVoltage)
        b.set(Field::OverVoltage, static_cast<std::uint32_t>(m_overVoltage->value()));
    if (m_rate)
        b.set(Field::ThrottleUpDownRate, RateStep::stored(m_rate->value()));
    return true;
}

void CStep3::refreshLabel(int sliderId)
{
    const auto* slider = control<QSlider>(sliderId);
    if (slider == nullptr)
        return;
    const int position = slider->value();
    switch (sliderId) {
    case kUnderVoltageSlider:
        setControlText(kUnderVoltageLabel, QStringLiteral("%1V").arg(position));
        break;
    case kOverVoltageSlider:
        setControlText(kOverVoltageLabel, QStringLiteral("%1V").arg(position));
        break;
    case kRateSlider:
        setControlText(kRateLabel, QString::number(position));
        break;
    default:
        break;
    }
}
