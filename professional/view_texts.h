// Texts of the professional view: the loaded resource module's strings, or built-in English.
#pragma once

#include <QList>
#include <QString>

#include "field_rules.h"

#include <functional>

class ViewTexts
{
public:
    // String identifiers the view asks the resource module for.
    enum Id
    {
        MotorStopped = 110, // the wizard's motor-stopped question, asked before a write

        TitlePrefix = 113,
        FileMenu,
        ControllerMenu,
        ReadAction,
        ReadTip,
        WriteAction,
        WriteTip,
        ConnectAction,
        ConnectTip,
        OpenAction,
        OpenTip,
        SaveAsAction,
        SaveAsTip,
        CompareAction,
        CompareTip,
        RestoreAction,
        RestoreTip,
        CloseAction,
        CloseTip,
        CloseQuestion,
        ReadQuestion,
        FilterPlaceholder,
        NameColumn,
        ValueColumn,
        UnitColumn,
        MeaningColumn,
        ControllerColumn,
        BackupColumn,
        ModelLabel,
        SerialLabel,
        SoftwareLabel,
        AdLabel,
        VariantLabel,
        PortLabel,
        FileLabel,
        ThrottleGroup,
        StartupGroup,
        MotorGroup,
        RegenerationGroup,
        TemperatureGroup,
        NothingToWrite,
        Written,
        WriteFailed,
        ReadFailed,
        ReadDone,
        NotApplied,
        OtherController,
        Applied,
        NoFirstBackup,
        Restored,
        Assumed, // 163

        // 164 and 165 belong to the wizard.
        CompareTitle = 166,
        ThisHeading,
        DifferCount,
        NoDifference,
        CompareFile,
        FirstImage,
        HistoryImage,
        DocumentFilter,
        ImageFilter,
        ConfigurationFilter,
        CannotOpen,
        CannotSave,
        NotConfiguration,
        Saved, // 179

        // 180..187 belong to import mode's window.
        // Words of the field table: units, meanings, reasons, tooltips.
        Degrees = 188,
        TorqueMode,
        BalancedMode,
        LegacyMode,
        SpeedControl,
        Off,
        Disabled,
        ProtectionOn,
        ProtectionOff,
        NoUsed,
        NoSensor,
        DisableWord,
        EnableWord,
        ThreeWirePot,
        HallActiveThrottle,
        RateStep,
        StartEndSteps,
        TrueText,
        FalseText,
        SharedInputReason,
        BrakeSensorClearedReason,
        FunctionOffReason,
        FootSwitchReason,
        NotAFieldRefusal,
        FixedRefusal,
        ForwardSwitchRefusal,
        InvalidRefusal,
        ControlModeCopyReason,
        FixedTip,
        ForwardSwitchTip,
        ValidTip,
        ControllerColumnTip,
        BackupColumnTip,
        OnOffRefusal,
        WholeNumberRefusal,
        EvenSpan,
        SteppedSpan,
        SpanSeparator,
        Nibbles, // 226

        // Keys, menus and states of the window.
        SaveAction = 601,
        SaveTip,
        RecentMenu,
        EditMenu,
        UndoAction,
        RedoAction,
        FindAction,
        PortMenu,
        SearchAllPorts,
        DiffersMark,
        OpenQuestion,
        DiscardButton,
        CancelButton,
        TakeOver,
        TakeOverTip,
        UndoTip = 618, // 616 and 617 belong to import mode's window
        RedoTip,
        FindTip,           // 620
        NoPortFound = 623, // 621 and 622 belong to the curves
    };

    // `strings` returns string N of the loaded module, empty when it lacks it (or is unset).
    explicit ViewTexts(std::function<QString(int)> strings = {}) : m_strings(std::move(strings)) {}

    // The module's text, else the built-in English; line breaks as plain "\n".
    QString text(int id) const;

    // A unit or meaning of the rules unit (English) in the module's words; the text itself
    // where the module has no words for it (numbers, sensor ranges such as "0-5V").
    QString phrase(const QString& english) const;
    // A field's value as fieldValueText gives it, flags in the module's words.
    QString valueText(Field f, const QString& text) const;
    // A field's valid values in the module's words ("even 2..200").
    QString validText(const ValidValues& valid) const;

    // The built-in English text, as the english module holds it; null for an unknown id.
    static QString english(int id);
    // Every identifier the view asks for.
    static QList<int> ids();

private:
    std::function<QString(int)> m_strings;
};
