// Words of the curve pictures: the loaded resource module's strings, or built-in English.
#pragma once

#include "curves.h"

#include <QList>
#include <QString>

#include <functional>

class CurveTexts
{
public:
    // String identifiers the pictures ask the resource module for.
    enum Id
    {
        ThrottleTitle = 260,
        RegenerationTitle,
        VoltageTitle,
        TemperatureTitle,
        PedalTravelAxis,
        FallingSignalAxis,
        ThrottleOutputAxis,
        BrakeTravelAxis,
        RegenCurrentAxis,
        BatteryVoltageAxis,
        CurrentLimitAxis,
        TemperatureAxis,
        OutputAxis,
        VoltsAxis,
        OnTick,
        OffTick,
        DriveLine,
        RegenLine,
        ResumeLine,
        BrakeSensorLine,
        HeatingLine,
        CoolingLine,
        StartMark,
        EndMark,
        LowThresholdMark,
        HighThresholdMark,
        BrakeSwitchMark,
        ReleasedThrottleMark,
        UnderVoltageMark,
        OverVoltageMark,
        CutBackMark,
        ResumeMark,
        StopMark,
        NoBrakeSensorNote,
        OffNote,
        NotValidNote,
        ResumeAboveNote,
        MissingNote,
        NoCurveHint,
        BackupLegend, // 299
        // Added later, in the windows' range.
        RegenResumeLine = 621,
        RegenCutBackMark,
    };

    // `strings` returns string N of the loaded module, empty when it lacks it (or is unset).
    explicit CurveTexts(std::function<QString(int)> strings = {}) : m_strings(std::move(strings)) {}

    // The module's text, else the built-in English.
    QString text(int id) const;
    // The words of an axis, line, mark or note; empty for CurveLabel::None.
    QString label(CurveLabel label) const;
    QString title(CurveKind kind) const;

    // The built-in English text, as the english module holds it; null for an unknown id.
    static QString english(int id);
    // Every identifier the pictures ask for.
    static QList<int> ids();

private:
    std::function<QString(int)> m_strings;
};
