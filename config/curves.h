// The settings that are points on a curve, as curves: throttle output over pedal travel,
// regeneration current over brake sensor travel, the current limits over battery voltage and
// the output over the controller's temperature. Data only; the drawing is elsewhere.
#pragma once

#include "config_block.h"
#include "field_rules.h"

#include <QList>
#include <QString>

#include <optional>

enum class CurveKind
{
    Throttle,
    Regeneration,
    Voltage,
    Temperature,
};
constexpr CurveKind kCurveKinds[] = {CurveKind::Throttle, CurveKind::Regeneration,
                                     CurveKind::Voltage, CurveKind::Temperature};

// "throttle", "regen", "voltage", "temperature": the names the command line takes.
QString curveKindName(CurveKind kind);
std::optional<CurveKind> curveKindNamed(const QString& name);
// The curve that draws a group's settings; none for the groups without one.
std::optional<CurveKind> curveOfGroup(FieldGroup group);

// What an axis, line, mark or note stands for; the drawing puts it into words.
enum class CurveLabel
{
    None,
    // Axes.
    PedalTravel,   // %
    FallingSignal, // %, of a sensor whose signal falls as the pedal is pressed
    ThrottleOutput,
    BrakeTravel,
    FallingBrakeSignal,
    RegenCurrent, // % of the motor's maximum drive current
    BatteryVoltage,
    CurrentLimit,
    ControllerTemperature,
    Output, // on or off
    Volts,  // the second scale of a 1 V to 4 V sensor
    // Lines.
    DriveCurrent,
    DriveResume,
    RegenLimit,
    RegenResume,
    BrakeSensor,
    Heating,
    Cooling,
    // Marks and levels; value in the curve's unit.
    Start,
    End,
    LowThreshold,
    HighThreshold,
    BrakeSwitchLevel,
    ReleasedThrottleLevel,
    UnderVoltage,
    OverVoltage,
    CutBack,
    Resume,
    RegenCutBack,
    Stop,
    ResumeTemperature,
    // Notes.
    NoBrakeSensor,
    RegenerationDisabled,
    BrakeSwitchDisabled,
    ReleasedThrottleOff,
    NotValid,    // text: field name, number: the stored value
    ResumeAbove, // the resume temperature is not below the stop temperature
    Missing,     // text: the names of the fields without a value
};

struct CurvePoint
{
    double x = 0;
    double y = 0;

    bool operator==(const CurvePoint& o) const { return x == o.x && y == o.y; }
    bool operator!=(const CurvePoint& o) const { return !(*this == o); }
};

// A polyline in the curve's units, x ascending unless it runs backwards (a path of a loop).
struct CurveLine
{
    CurveLabel label = CurveLabel::None;
    QList<CurvePoint> points;
    bool path = false; // one way through a hysteresis loop: drawn with arrows

    bool operator==(const CurveLine& o) const
    {
        return label == o.label && points == o.points && path == o.path;
    }
};

// A setting marked on the curve: a point, or a line across the chart (`across`), at x for a
// vertical one, at y for a horizontal one.
struct CurveMark
{
    CurveLabel label = CurveLabel::None;
    CurvePoint at;
    double value = 0; // what the label says, in the unit of its axis
    enum Across
    {
        NoLine,
        Vertical,
        Horizontal
    } across = NoLine;

    bool operator==(const CurveMark& o) const
    {
        return label == o.label && at == o.at && value == o.value && across == o.across;
    }
};

struct CurveNote
{
    CurveLabel label = CurveLabel::None;
    QString text; // a field name, or names
    double number = 0;

    bool operator==(const CurveNote& o) const
    {
        return label == o.label && text == o.text && number == o.number;
    }
};

struct Curve
{
    CurveKind kind = CurveKind::Throttle;
    // False where the controller has no such curve (no regeneration).
    bool available = false;
    double xMin = 0, xMax = 100, yMin = 0, yMax = 100;
    CurveLabel xAxis = CurveLabel::None;
    CurveLabel yAxis = CurveLabel::None;
    // The x axis also in volts, where the settings are shown in volts: xMin is voltsAtMin,
    // xMax voltsAtMax.
    bool volts = false;
    double voltsAtMin = 0, voltsAtMax = 0;
    // The y axis reads off and on rather than numbers.
    bool onOff = false;
    QList<CurveLine> lines;
    QList<CurveMark> marks;
    QList<CurveNote> notes;
    // Fields the curve needs that the configuration gives no value for; nothing is drawn then.
    QList<Field> missing;

    // The same picture: the same lines and marks (the notes aside).
    bool sameShape(const Curve& o) const;
};

// The curve of `kind` for a configuration. `known`, where given, lists the fields the
// configuration has values for (a document naming some fields); the others are missing.
Curve curveOf(CurveKind kind, const ConfigBlock& block, const QList<Field>* known = nullptr);
// The curves the controller has, in order.
QList<CurveKind> curvesOf(const FieldRules& rules);
// The fields a curve is drawn from, as far as the controller uses them.
QList<Field> curveFields(CurveKind kind, const FieldRules& rules);
