// Texts of the professional view: the loaded resource module's strings, or built-in English.
#include "view_texts.h"

#include <QRegularExpression>
#include <QStringList>

#include <iterator>

namespace {

struct Entry
{
    int id;
    const char* text;
};

// As in res/english/strings.json, so that a module without them still shows a whole window.
constexpr Entry kEnglish[] = {
    {ViewTexts::MotorStopped,
     "Warning:Prohibit doing any configuration in user program while running motor.\r\n\r\n1.Click "
     "\"Yes\" to continue if the motor is not running.\r\n2.Click \"No\" if the motor is running. "
     "Please reconnect user program after stopping motor."},
    {ViewTexts::TitlePrefix, "Professional - "},
    {ViewTexts::FileMenu, "&File"},
    {ViewTexts::ControllerMenu, "&Controller"},
    {ViewTexts::ReadAction, "&Read"},
    {ViewTexts::ReadTip, "Read the configuration from the controller"},
    {ViewTexts::WriteAction, "&Write"},
    {ViewTexts::WriteTip, "Write the changed values into the controller"},
    {ViewTexts::ConnectAction, "&Connect"},
    {ViewTexts::ConnectTip, "Find the controller, read it and carry this file's values over"},
    {ViewTexts::OpenAction, "&Open..."},
    {ViewTexts::OpenTip, "Take over the values of a configuration document or image"},
    {ViewTexts::SaveAsAction, "Save &As..."},
    {ViewTexts::SaveAsTip, "Save the configuration as a document (.json) or an image (.bin)"},
    {ViewTexts::CompareAction, "Compare &With..."},
    {ViewTexts::CompareTip, "List the fields that differ from a file or a backup"},
    {ViewTexts::RestoreAction, "Restore First &Backup"},
    {ViewTexts::RestoreTip,
     "Load the image saved on the first connection; Write stores it in the controller"},
    {ViewTexts::CloseAction, "&Close"},
    {ViewTexts::CloseTip, "Close the professional view"},
    {ViewTexts::CloseQuestion,
     "The configuration has changes that are neither written into the controller nor saved in "
     "a file.\r\n\r\nSave them in a file before closing?"},
    {ViewTexts::ReadQuestion, "The changes not yet written into the controller will be "
                              "lost.\r\n\r\nRead the controller's configuration again?"},
    {ViewTexts::FilterPlaceholder, "Filter by field name"},
    {ViewTexts::NameColumn, "Name"},
    {ViewTexts::ValueColumn, "Value"},
    {ViewTexts::UnitColumn, "Unit"},
    {ViewTexts::MeaningColumn, "Meaning"},
    {ViewTexts::ControllerColumn, "Controller"},
    {ViewTexts::BackupColumn, "Backup"},
    {ViewTexts::ModelLabel, "Model:"},
    {ViewTexts::SerialLabel, "Serial number:"},
    {ViewTexts::SoftwareLabel, "Software version:"},
    {ViewTexts::AdLabel, "AD version:"},
    {ViewTexts::VariantLabel, "Variant:"},
    {ViewTexts::PortLabel, "Port:"},
    {ViewTexts::FileLabel, "File:"},
    {ViewTexts::ThrottleGroup, "Throttle and general"},
    {ViewTexts::StartupGroup, "Start-up, hall and voltage"},
    {ViewTexts::MotorGroup, "Motor"},
    {ViewTexts::RegenerationGroup, "Regeneration"},
    {ViewTexts::TemperatureGroup, "Temperature, CAN and smoothing"},
    {ViewTexts::NothingToWrite, "Nothing to write: the controller already holds these values."},
    {ViewTexts::Written, "Written. Cycle the controller's power to activate the configuration."},
    {ViewTexts::WriteFailed, "Writing failed: %1"},
    {ViewTexts::ReadFailed, "Reading failed: %1"},
    {ViewTexts::ReadDone, "Read the controller's configuration."},
    {ViewTexts::NotApplied, "%1 was not taken over; nothing changed:\r\n\r\n%2"},
    {ViewTexts::OtherController, "%1 was made for %2; this configuration is for %3."},
    {ViewTexts::Applied, "Took over the values of %1: %2 fields changed."},
    {ViewTexts::NoFirstBackup, "No first-connection image is kept for this controller."},
    {ViewTexts::Restored, "Loaded the first-connection image; Write stores it in the controller."},
    {ViewTexts::Assumed, "(assumed)"},
    {ViewTexts::CompareTitle, "Compare with %1"},
    {ViewTexts::ThisHeading, "This configuration"},
    {ViewTexts::DifferCount, "Fields that differ: %1"},
    {ViewTexts::NoDifference, "No field differs."},
    {ViewTexts::CompareFile, "A file..."},
    {ViewTexts::FirstImage, "First-connection image, %1"},
    {ViewTexts::HistoryImage, "Saved before a write, %1"},
    {ViewTexts::DocumentFilter, "Configuration documents (*.json)"},
    {ViewTexts::ImageFilter, "Configuration images (*.bin)"},
    {ViewTexts::ConfigurationFilter, "Configuration files (*.json *.bin *.n)"},
    {ViewTexts::CannotOpen, "Cannot open %1: %2"},
    {ViewTexts::CannotSave, "Cannot save %1: %2"},
    {ViewTexts::NotConfiguration,
     "%1 is neither a configuration document nor a 128-byte image:\r\n\r\n%2"},
    {ViewTexts::Saved, "Saved in %1."},
    {ViewTexts::Degrees, "degrees"},
    {ViewTexts::TorqueMode, "Torque"},
    {ViewTexts::BalancedMode, "Balanced"},
    {ViewTexts::LegacyMode, "legacy"},
    {ViewTexts::SpeedControl, "Speed control"},
    {ViewTexts::Off, "off"},
    {ViewTexts::Disabled, "disabled"},
    {ViewTexts::ProtectionOn, "protection on"},
    {ViewTexts::ProtectionOff, "protection off"},
    {ViewTexts::NoUsed, "No Used"},
    {ViewTexts::NoSensor, "No"},
    {ViewTexts::DisableWord, "Disable"},
    {ViewTexts::EnableWord, "Enable"},
    {ViewTexts::ThreeWirePot, "3-wire Pot"},
    {ViewTexts::HallActiveThrottle, "Hall Active Throttle"},
    {ViewTexts::RateStep, "rate step %1"},
    {ViewTexts::StartEndSteps, "start %1 %, end %2 %"},
    {ViewTexts::TrueText, "true"},
    {ViewTexts::FalseText, "false"},
    {ViewTexts::SharedInputReason,
     "%1 turned off: BoostFunction and EconomyFunction share the brake input"},
    {ViewTexts::BrakeSensorClearedReason,
     "BrakeSensorType set to 0 (no sensor): %1 uses the brake input"},
    {ViewTexts::FunctionOffReason, "%1 turned off: BrakeSensorType %2 uses the brake input"},
    {ViewTexts::FootSwitchReason,
     "FootSwitch turned off: with ForwardSwitch on, the throttle switch is the forward switch"},
    {ViewTexts::NotAFieldRefusal, "%1 is not a field of this controller"},
    {ViewTexts::FixedRefusal, "%1 is fixed on this controller"},
    {ViewTexts::ForwardSwitchRefusal, "%1 stays off while ForwardSwitch is on"},
    {ViewTexts::InvalidRefusal, "%1 cannot be %2 (valid: %3)"},
    {ViewTexts::ControlModeCopyReason,
     "ControlModeCopy set to %1: it always holds ControlMode's value"},
    {ViewTexts::FixedTip, "Fixed on this controller"},
    {ViewTexts::ForwardSwitchTip, "Off while ForwardSwitch is on"},
    {ViewTexts::ValidTip, "Valid: %1"},
    {ViewTexts::ControllerColumnTip, "As last read from the controller"},
    {ViewTexts::BackupColumnTip, "As saved on the first connection"},
    {ViewTexts::OnOffRefusal, "%1 is either on or off"},
    {ViewTexts::WholeNumberRefusal, "%1 takes a whole number (valid: %2)"},
    {ViewTexts::EvenSpan, "even %1..%2"},
    {ViewTexts::SteppedSpan, "%1..%2 in steps of %3"},
    {ViewTexts::SpanSeparator, " or "},
    {ViewTexts::Nibbles, "nibbles"},
    {ViewTexts::SaveAction, "&Save"},
    {ViewTexts::SaveTip, "Save the configuration in the file it came from"},
    {ViewTexts::RecentMenu, "Open &Recent"},
    {ViewTexts::EditMenu, "&Edit"},
    {ViewTexts::UndoAction, "&Undo"},
    {ViewTexts::RedoAction, "&Redo"},
    {ViewTexts::FindAction, "&Find Field"},
    {ViewTexts::PortMenu, "&Port"},
    {ViewTexts::SearchAllPorts, "&Search all ports"},
    {ViewTexts::DiffersMark, " (differs from the controller)"},
    {ViewTexts::OpenQuestion,
     "The configuration has changes that are neither written into the controller nor saved in a "
     "file.\r\n\r\nSave them in a file before opening another?"},
    {ViewTexts::DiscardButton, "&Discard"},
    {ViewTexts::CancelButton, "&Cancel"},
    {ViewTexts::TakeOver, "&Take Over"},
    {ViewTexts::TakeOverTip, "Take the other side's values into the table as edits"},
    {ViewTexts::UndoTip, "Take back the last change to the table"},
    {ViewTexts::RedoTip, "Make the change taken back again"},
    {ViewTexts::FindTip, "Put the cursor in the filter by field name"},
    {ViewTexts::NoPortFound, "No serial port found"},
};

// Meanings and units the rules unit gives in English: the texts that say them.
constexpr int kPhrases[] = {
    ViewTexts::Degrees,    ViewTexts::TorqueMode,   ViewTexts::BalancedMode,
    ViewTexts::LegacyMode, ViewTexts::SpeedControl, ViewTexts::Off,
    ViewTexts::Disabled,   ViewTexts::ProtectionOn, ViewTexts::ProtectionOff,
    ViewTexts::NoUsed,     ViewTexts::NoSensor,     ViewTexts::DisableWord,
    ViewTexts::EnableWord, ViewTexts::ThreeWirePot, ViewTexts::HallActiveThrottle,
    ViewTexts::Nibbles,
};

} // namespace

QString ViewTexts::text(int id) const
{
    QString text = m_strings ? m_strings(id) : QString();
    if (text.isEmpty())
        text = english(id);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

QString ViewTexts::phrase(const QString& english) const
{
    for (int id : kPhrases)
        if (english == ViewTexts::english(id))
            return text(id);
    // The two meanings that carry numbers.
    static const QRegularExpression rate(QStringLiteral("^rate step (\\d+)$"));
    static const QRegularExpression steps(QStringLiteral("^start (\\d+) %, end (\\d+) %$"));
    if (const QRegularExpressionMatch m = rate.match(english); m.hasMatch())
        return text(RateStep).arg(m.captured(1));
    if (const QRegularExpressionMatch m = steps.match(english); m.hasMatch())
        return text(StartEndSteps).arg(m.captured(1), m.captured(2));
    return english;
}

QString ViewTexts::valueText(Field f, const QString& value) const
{
    if (fieldDef(f).kind != FieldKind::Flag)
        return value;
    if (value == QLatin1String("true"))
        return text(TrueText);
    if (value == QLatin1String("false"))
        return text(FalseText);
    return value;
}

QString ViewTexts::validText(const ValidValues& valid) const
{
    return valid.text(text(EvenSpan), text(SteppedSpan), text(SpanSeparator));
}

QString ViewTexts::english(int id)
{
    for (const Entry& e : kEnglish)
        if (e.id == id)
            return QString::fromUtf8(e.text);
    return {};
}

QList<int> ViewTexts::ids()
{
    QList<int> ids;
    ids.reserve(static_cast<int>(std::size(kEnglish)));
    for (const Entry& e : kEnglish)
        ids.append(e.id);
    return ids;
}
