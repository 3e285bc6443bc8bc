// Motor page: top speed, pole count and the motor functions (Boost, Economy, ABS, 12 V output...).
#pragma once

#include "page.h"

class V0204 : public Page
{
    Q_OBJECT
public:
    using Page::Page;
    static constexpr int kTemplateId = 156;

    // Control identifiers of the page's template.
    enum ControlId
    {
        IdTopSpeedLabel = 1057,
        IdTopSpeed = 1058,
        IdPoles = 1085,
        IdHalfSpeedEnable = 1090,
        IdHalfSpeedDisable = 1091,
        IdBoostEnable = 1097,
        IdBoostDisable = 1098,
        IdEconomyEnable = 1099,
        IdEconomyDisable = 1100,
        IdHalfCurrentEnable = 1101,
        IdHalfCurrentDisable = 1102,
        IdReleasingBrakeEnable = 1104, // hidden pair, carries the start-up page's bit
        IdReleasingBrakeDisable = 1105,
        IdNoiseEnable = 1119,
        IdNoiseDisable = 1120,
        IdNoiseCaption = 1121,
        IdNoiseNote = 1122,
        IdAbsEnable = 1127,
        IdAbsDisable = 1128,
        IdAbsCaption = 1130,
        IdOutput12VEnable = 1129,
        IdOutput12VDisable = 1126,
        IdOutput12VCaption = 1131,
        IdReverseSpeedCaption = 1113,
        IdReverseSpeedLabel = 1111,
        IdReverseSpeed = 1092,
    };

    void load() override;
    bool store() override;

protected:
    void bindControls() override;

private:
    void refreshLabels() const;
    bool offersPoleChoice() const;
    bool isPdSeries() const;
};
