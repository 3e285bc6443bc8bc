// Temperature, CAN and smooth page: temperature sensor and limits, CAN identifiers, smoothing.
#pragma once

#include "page.h"

#include <optional>

class QString;

class CStep4 : public Page
{
    Q_OBJECT
public:
    using Page::Page;
    static constexpr int kTemplateId = 148;

    void load() override;
    bool store() override;

protected:
    void bindControls() override;

private:
    void setSmoothingControlsVisible(bool visible) const;
    void onSmoothClicked(bool enable);
    void refreshValueLabel(int sliderId) const;
    void storeSlider(int sliderId, Field field);
    // Converts and range-checks one CAN identifier; false (after telling the user and focusing
    // the edit) when it is refused.
    bool storeIdentifier(int editId, Field field, int message);
};
