// Throttle and general settings page: controller identity, switches, throttle span, currents.
#pragma once

#include "page.h"

#include <QString>

class QComboBox;
class QSlider;

class CStep2 : public Page
{
    Q_OBJECT
public:
    using Page::Page;
    static constexpr int kTemplateId = 146;

    void load() override;
    bool store() override;

    // The model designation as the page shows it: series letters, model characters and the
    // option letters of the model options byte.
    static QString modelText(const ConfigBlock& block);

protected:
    void bindControls() override;

private:
    // Control identifiers of template 146.
    enum : int
    {
        kStartSlider = 1030,
        kSensorCombo = 1031,
        kEndSlider = 1032,
        kLowThresholdSlider = 1033,
        kMotorCurrentSlider = 1034,
        kHighThresholdSlider = 1035,
        kMotorCurrentLabel = 1036,
        kFootEnable = 1037,
        kFootDisable = 1038,
        kModelText = 1039,
        kSerialText = 1040,
        kSoftwareText = 1041,
        kAdText = 1042,
        kSensorNote = 1055,
        kBatteryCurrentSlider = 1094,
        kBatteryCurrentLabel = 1096,
        kStartLabel = 1106,
        kEndLabel = 1107,
        kLowThresholdLabel = 1108,
        kHighThresholdLabel = 1109,
        kStartStepsCombo = 1110,
        kEndStepsCombo = 1111,
        kForwardEnable = 1123,
        kForwardDisable = 1124,
        kForwardNote = 1125,
        kLowThresholdCaption = 1142,
        kHighThresholdCaption = 1143,
    };

    // Throttle positions as trackbars (true) or as steps combos (older software).
    bool positionsAsTrackbars() const;
    // Item 1 of the sensor list selected: a Hall throttle on tiers B and C.
    bool secondSensorSelected() const;

    void refreshLabel(int sliderId);
    void refreshAllLabels();
    void refreshThresholdGroup();
    void setThresholdGroupVisible(bool visible);
    // Puts a note of the program into a label of the template, fitted to the label.
    void setNoteText(int id, const QString& note);
    void lockFootSwitch();
    void unlockFootSwitch();

    // Index of the item the user sees chosen in a steps combo, or -1 when none (also when
    // the text typed into its edit field names no item).
    static int chosenStep(const QComboBox* combo);

    QSlider* m_start = nullptr;
    QSlider* m_end = nullptr;
    QSlider* m_lowThreshold = nullptr;
    QSlider* m_highThreshold = nullptr;
    QSlider* m_motorCurrent = nullptr;
    QSlider* m_batteryCurrent = nullptr;
    QComboBox* m_sensor = nullptr;
    QComboBox* m_startSteps = nullptr;
    QComboBox* m_endSteps = nullptr;
};
