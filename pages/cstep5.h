// Regeneration page: regenerative braking, brake switch and sensor, joystick and cruise.
#pragma once

#include "page.h"

class QComboBox;

class CStep5 : public Page
{
    Q_OBJECT
public:
    using Page::Page;
    static constexpr int kTemplateId = 149;

    // Control identifiers of the page's template.
    enum ControlId
    {
        IdRegenEnable = 1016,
        IdRegenDisable = 1017,
        IdBrakeSwitchEnable = 1018,
        IdBrakeSwitchDisable = 1019,
        IdJoystickEnable = 1020,
        IdJoystickDisable = 1021,
        IdCruiseEnable = 1022,
        IdCruiseDisable = 1023,
        IdReleaseRegen = 1094,
        IdReleaseRegenLabel = 1095,
        IdBrakeSwitchCurrent = 1045,
        IdBrakeSwitchCurrentLabel = 1044,
        IdMaxRegenCurrent = 1043,
        IdMaxRegenCurrentLabel = 1041,
        IdSensorType = 1081,
        IdSensorStart = 1079,
        IdSensorStartLabel = 1108,
        IdSensorEnd = 1080,
        IdSensorEndLabel = 1109,
        IdSensorStartStep = 1112, // percent lists of software before 0302
        IdSensorEndStep = 1113,
    };

    void load() override;
    bool store() override;

protected:
    void bindControls() override;

private:
    void fillSensorTypes() const;
    void refreshLabels() const;
    // The selected item of a step list, or -1 when the user typed a text of their own.
    static int selectedStep(const QComboBox* combo);
};
