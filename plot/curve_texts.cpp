// Words of the curve pictures: the loaded resource module's strings, or built-in English.
#include "curve_texts.h"

#include "module_text.h"

#include <iterator>

namespace {

struct Entry
{
    int id;
    const char* text;
};

// As in res/english/strings.json, so that a module without them still draws a whole picture.
constexpr Entry kEnglish[] = {
    {CurveTexts::ThrottleTitle, "Throttle"},
    {CurveTexts::RegenerationTitle, "Regeneration"},
    {CurveTexts::VoltageTitle, "Voltage limits"},
    {CurveTexts::TemperatureTitle, "Temperature"},
    {CurveTexts::PedalTravelAxis, "Pedal travel (%)"},
    {CurveTexts::FallingSignalAxis, "Sensor signal (%), falling as the pedal is pressed"},
    {CurveTexts::ThrottleOutputAxis, "Throttle output (%)"},
    {CurveTexts::BrakeTravelAxis, "Brake sensor travel (%)"},
    {CurveTexts::RegenCurrentAxis, "Regeneration current (% of max. motor current)"},
    {CurveTexts::BatteryVoltageAxis, "Battery voltage (V)"},
    {CurveTexts::CurrentLimitAxis, "Current limit (%)"},
    {CurveTexts::TemperatureAxis, "Controller temperature (°C)"},
    {CurveTexts::OutputAxis, "Output"},
    {CurveTexts::VoltsAxis, "Sensor signal (V)"},
    {CurveTexts::OnTick, "On"},
    {CurveTexts::OffTick, "Off"},
    {CurveTexts::DriveLine, "Drive current"},
    {CurveTexts::RegenLine, "Regeneration current"},
    {CurveTexts::ResumeLine, "Drive current after a cut-out"},
    {CurveTexts::BrakeSensorLine, "By the brake sensor"},
    {CurveTexts::HeatingLine, "Temperature rising"},
    {CurveTexts::CoolingLine, "Temperature falling"},
    {CurveTexts::StartMark, "Start %1"},
    {CurveTexts::EndMark, "End %1"},
    {CurveTexts::LowThresholdMark, "Low threshold %1"},
    {CurveTexts::HighThresholdMark, "High threshold %1"},
    {CurveTexts::BrakeSwitchMark, "Brake switch on: %1"},
    {CurveTexts::ReleasedThrottleMark, "Throttle released: %1"},
    {CurveTexts::UnderVoltageMark, "Under-voltage %1"},
    {CurveTexts::OverVoltageMark, "Over-voltage %1"},
    {CurveTexts::CutBackMark, "Cut back from %1"},
    {CurveTexts::ResumeMark, "Resume at %1"},
    {CurveTexts::StopMark, "Stop at %1"},
    {CurveTexts::NoBrakeSensorNote,
     "No brake sensor: the brake switch and throttle release levels apply"},
    {CurveTexts::OffNote, "%1 is off"},
    {CurveTexts::NotValidNote, "%1 holds %2, which is not a valid value"},
    {CurveTexts::ResumeAboveNote,
     "The resume temperature is not below the stop temperature: no hysteresis"},
    {CurveTexts::MissingNote, "No value for %1"},
    {CurveTexts::NoCurveHint, "The fields of this group draw no curve."},
    {CurveTexts::BackupLegend, "First-connection image"},
    {CurveTexts::RegenResumeLine, "Regeneration after a cut-out"},
    {CurveTexts::RegenCutBackMark, "Regeneration cut back from %1"},
};

} // namespace

QString CurveTexts::text(int id) const
{
    QString text = m_strings ? m_strings(id) : QString();
    if (text.isEmpty())
        text = english(id);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

QString CurveTexts::label(CurveLabel label) const
{
    switch (label) {
    case CurveLabel::None:
        return {};
    case CurveLabel::PedalTravel:
        return text(PedalTravelAxis);
    case CurveLabel::FallingSignal:
    case CurveLabel::FallingBrakeSignal:
        return text(FallingSignalAxis);
    case CurveLabel::ThrottleOutput:
        return text(ThrottleOutputAxis);
    case CurveLabel::BrakeTravel:
        return text(BrakeTravelAxis);
    case CurveLabel::RegenCurrent:
        return text(RegenCurrentAxis);
    case CurveLabel::BatteryVoltage:
        return text(BatteryVoltageAxis);
    case CurveLabel::CurrentLimit:
        return text(CurrentLimitAxis);
    case CurveLabel::ControllerTemperature:
        return text(TemperatureAxis);
    case CurveLabel::Output:
        return text(OutputAxis);
    case CurveLabel::Volts:
        return text(VoltsAxis);
    case CurveLabel::DriveCurrent:
        return text(DriveLine);
    case CurveLabel::DriveResume:
        return text(ResumeLine);
    case CurveLabel::RegenResume:
        return text(RegenResumeLine);
    case CurveLabel::RegenLimit:
        return text(RegenLine);
    case CurveLabel::BrakeSensor:
        return text(BrakeSensorLine);
    case CurveLabel::Heating:
        return text(HeatingLine);
    case CurveLabel::Cooling:
        return text(CoolingLine);
    case CurveLabel::Start:
        return text(StartMark);
    case CurveLabel::End:
        return text(EndMark);
    case CurveLabel::LowThreshold:
        return text(LowThresholdMark);
    case CurveLabel::HighThreshold:
        return text(HighThresholdMark);
    case CurveLabel::BrakeSwitchLevel:
        return text(BrakeSwitchMark);
    case CurveLabel::ReleasedThrottleLevel:
        return text(ReleasedThrottleMark);
    case CurveLabel::UnderVoltage:
        return text(UnderVoltageMark);
    case CurveLabel::OverVoltage:
        return text(OverVoltageMark);
    case CurveLabel::CutBack:
        return text(CutBackMark);
    case CurveLabel::RegenCutBack:
        return text(RegenCutBackMark);
    case CurveLabel::Resume:
    case CurveLabel::ResumeTemperature:
        return text(ResumeMark);
    case CurveLabel::Stop:
        return text(StopMark);
    case CurveLabel::NoBrakeSensor:
        return text(NoBrakeSensorNote);
    case CurveLabel::RegenerationDisabled:
    case CurveLabel::BrakeSwitchDisabled:
    case CurveLabel::ReleasedThrottleOff:
        return text(OffNote);
    case CurveLabel::NotValid:
        return text(NotValidNote);
    case CurveLabel::ResumeAbove:
        return text(ResumeAboveNote);
    case CurveLabel::Missing:
        return text(MissingNote);
    }
    return {};
}

QString CurveTexts::title(CurveKind kind) const
{
    switch (kind) {
    case CurveKind::Throttle:
        return text(ThrottleTitle);
    case CurveKind::Regeneration:
        return text(RegenerationTitle);
    case CurveKind::Voltage:
        return text(VoltageTitle);
    case CurveKind::Temperature:
        return text(TemperatureTitle);
    }
    return {};
}

QString CurveTexts::word(const FieldWord& word) const
{
    return fieldWordText(word, m_strings);
}

QString CurveTexts::english(int id)
{
    for (const Entry& e : kEnglish)
        if (e.id == id)
            return QString::fromUtf8(e.text);
    return {};
}

QList<int> CurveTexts::ids()
{
    QList<int> ids;
    ids.reserve(static_cast<int>(std::size(kEnglish)));
    for (const Entry& e : kEnglish)
        ids.append(e.id);
    return ids;
}
