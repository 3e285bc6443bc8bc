// Start-up, hall sensor and voltage page: delay, hall type, control mode, voltage limits, rate.
#pragma once

#include "field_rules.h"
#include "page.h"

class QComboBox;
class QSlider;

class CStep3 : public Page
{
    Q_OBJECT
public:
    using Page::Page;
    static constexpr int kTemplateId = 147;

    void load() override;
    bool store() override;

    using VoltageRange = ::VoltageRange;
    // The voltage sliders' range for the voltage class in the first two model characters;
    // false when the class is unknown (the sliders then keep their default range).
    static bool voltageRange(const ConfigBlock& block, VoltageRange* range);

protected:
    void bindControls() override;

private:
    // Control identifiers of template 147.
    enum : int
    {
        kPowerOnEnable = 1024,
        kPowerOnDisable = 1025,
        kUnderVoltageSlider = 1035,
        kDelayCombo = 1044,
        kHallCombo = 1046,
        kControlModeCombo = 1047,
        kOverVoltageSlider = 1062,
        kRateSlider = 1065,
        kUnderVoltageLabel = 1077,
        kOverVoltageLabel = 1078,
        kRateLabel = 1079,
        kReleasingCaption = 1112,
        kReleasingEnable = 1113,
        kReleasingDisable = 1114,
        kReleasingNote = 1115,
    };

    void refreshLabel(int sliderId);

    QComboBox* m_delay = nullptr;
    QComboBox* m_hall = nullptr;
    QComboBox* m_controlMode = nullptr;
    QSlider* m_underVoltage = nullptr;
    QSlider* m_overVoltage = nullptr;
    QSlider* m_rate = nullptr;
};
