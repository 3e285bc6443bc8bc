// The settings that are points on a curve, as curves.
#include "curves.h"

#include "field_encodings.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace V = SoftwareVersions;

namespace {

// A 1 V to 4 V sensor: 0 % of its span is 1 V, 100 % is 4 V.
constexpr double kSensorVoltsLow = 1.0;
constexpr double kSensorVoltsHigh = 4.0;
// The sensor type item that reads in volts on the pages (the Hall throttle, later 1-4V), and the
// one that falls from 5 V to 0 V on software that still has two-nibble steps.
constexpr std::uint32_t kVoltsSensor = 2;
constexpr std::uint32_t kFallingSensor = 2;
constexpr std::uint32_t kNoBrakeSensor = 0;

// The controller regenerates at most half of the motor's maximum drive current, scaled by
// MaxRegenCurrent and the active mode's percentage.
constexpr double kRegenShare = 0.5;

// Under-voltage: cut back below 1.1 x, cut out at 1 x, resume at 1.05 x. Over-voltage: regen
// cut back from 0.95 x, cut out at 1 x, resumed at 0.95 x. As fractions, so that whole volts
// give the exact points (60 V x 1.1 is 66 V, not 66.00000000000001 V).
struct Factor
{
    int numerator;
    int denominator;

    double of(double v) const { return v * numerator / denominator; }
};
constexpr Factor kCutBack{11, 10};
constexpr Factor kResume{21, 20};
constexpr Factor kRegenCutBack{19, 20};

// The temperatures the controller takes, and the axis around them.
constexpr double kTemperatureMargin = 10;

constexpr double kFull = 100;

struct Span
{
    double start = 0; // percent of the sensor span
    double end = 0;
};

QString fieldName(Field f)
{
    return QLatin1String(fieldDef(f).name);
}

double clampPercent(double v)
{
    return std::clamp(v, 0.0, kFull);
}

// Steps of the software before positions: start 10 % a step, end 100 % less 10 % a step.
Span stepsSpan(std::uint32_t steps)
{
    return {double(StepPair::startPercent(StepPair::start(steps))),
            double(StepPair::endPercent(StepPair::end(steps)))};
}

// Zero up to the start, rising to `top` at the end. A falling sensor's signal runs the other
// way: the same curve mirrored on the signal axis.
CurveLine ramp(CurveLabel label, Span span, double top, bool falling)
{
    const double start = clampPercent(span.start);
    const double end = std::max(start, clampPercent(span.end));
    CurveLine line{label, {{0, 0}, {start, 0}, {end, top}, {kFull, top}}, false};
    if (falling) {
        for (CurvePoint& p : line.points)
            p.x = kFull - p.x;
        std::reverse(line.points.begin(), line.points.end());
    }
    return line;
}

double signalX(double travel, bool falling)
{
    const double x = clampPercent(travel);
    return falling ? kFull - x : x;
}

// A note for every field whose stored value the controller does not take.
void noteInvalid(Curve* curve, const ConfigBlock& block, const FieldRules& rules,
                 const QList<Field>& fields)
{
    for (Field f : fields) {
        if (fieldDef(f).kind != FieldKind::Number || curve->missing.contains(f))
            continue;
        const std::uint32_t value = block.get(f);
        if (!rules.valid(f).contains(value))
            curve->notes.append({CurveLabel::NotValid, fieldName(f), static_cast<double>(value)});
    }
}

double floorTo(double v, double step)
{
    return std::floor(v / step) * step;
}

double ceilTo(double v, double step)
{
    return std::ceil(v / step) * step;
}

void throttleCurve(Curve* c, const ConfigBlock& block, const FieldRules& rules)
{
    const ControllerIdentity& id = rules.identity();
    const bool positions = id.versionAtLeast(V::kPositions);
    const std::uint32_t sensor = block.get(Field::ThrottleSensorType);
    const bool falling = !positions && sensor == kFallingSensor;
    const Span span = positions
                          ? Span{HalfPercent::percent(block.get(Field::ThrottleStartPosition)),
                                 HalfPercent::percent(block.get(Field::ThrottleEndPosition))}
                          : stepsSpan(block.get(Field::ThrottleStartEndSteps));
    c->xAxis = falling ? CurveLabel::FallingSignal : CurveLabel::PedalTravel;
    c->yAxis = CurveLabel::ThrottleOutput;
    // The positions read in volts for the 1 V to 4 V sensor until the thresholds came.
    c->volts = positions && !id.versionAtLeast(V::kIdentification) && sensor == kVoltsSensor;
    c->lines.append(ramp(CurveLabel::None, span, kFull, falling));
    const double start = clampPercent(span.start);
    const double end = std::max(start, clampPercent(span.end));
    c->marks.append({CurveLabel::Start, {signalX(start, falling), 0}, span.start});
    c->marks.append({CurveLabel::End, {signalX(end, falling), kFull}, span.end});
    if (rules.used(Field::LowThresholdVoltage)) {
        const double low = block.get(Field::LowThresholdVoltage);
        const double high = block.get(Field::HighThresholdVoltage);
        c->marks.append(
            {CurveLabel::LowThreshold, {clampPercent(low), 0}, low, CurveMark::Vertical});
        c->marks.append(
            {CurveLabel::HighThreshold, {clampPercent(high), 0}, high, CurveMark::Vertical});
    }
}

void regenerationCurve(Curve* c, const ConfigBlock& block, const FieldRules& rules)
{
    const bool positions = rules.identity().versionAtLeast(V::kPositions);
    const std::uint32_t sensor = block.get(Field::BrakeSensorType);
    const bool falling = !positions && sensor == kFallingSensor;
    const double full = kRegenShare * block.get(Field::MaxRegenCurrent);
    c->xAxis = falling ? CurveLabel::FallingBrakeSignal : CurveLabel::BrakeTravel;
    c->yAxis = CurveLabel::RegenCurrent;
    // At most half the motor's current: the scale stays put while MaxRegenCurrent changes.
    c->yMax = kRegenShare * kFull;
    c->volts = positions && sensor == kVoltsSensor;

    if (sensor == kNoBrakeSensor) {
        c->notes.append({CurveLabel::NoBrakeSensor, {}, 0});
    } else {
        const Span span = positions ? Span{double(block.get(Field::BrakeSensorStartingPoint)),
                                           double(block.get(Field::BrakeSensorEndingPoint))}
                                    : stepsSpan(block.get(Field::BrakeSensorStartEndSteps));
        c->lines.append(ramp(CurveLabel::BrakeSensor, span, full, falling));
        const double start = clampPercent(span.start);
        const double end = std::max(start, clampPercent(span.end));
        c->marks.append({CurveLabel::Start, {signalX(start, falling), 0}, span.start});
        c->marks.append({CurveLabel::End, {signalX(end, falling), full}, span.end});
    }

    const double brakeSwitch = full * block.get(Field::RegenCurrentByBrakeSwitchOn) / kFull;
    c->marks.append(
        {CurveLabel::BrakeSwitchLevel, {0, brakeSwitch}, brakeSwitch, CurveMark::Horizontal});
    if (rules.used(Field::ReleasingThrottleStartsRegen)) {
        const std::uint32_t released = block.get(Field::ReleasingThrottleStartsRegen);
        if (released == 0) {
            c->notes.append({CurveLabel::ReleasedThrottleOff,
                             fieldName(Field::ReleasingThrottleStartsRegen), 0});
        } else {
            const double level = full * released / kFull;
            c->marks.append(
                {CurveLabel::ReleasedThrottleLevel, {0, level}, level, CurveMark::Horizontal});
        }
    }
    if (!block.flag(Field::BrakeSwitch))
        c->notes.append({CurveLabel::BrakeSwitchDisabled, fieldName(Field::BrakeSwitch), 0});
    if (!block.flag(Field::Regeneration))
        c->notes.append({CurveLabel::RegenerationDisabled, fieldName(Field::Regeneration), 0});
}

void voltageCurve(Curve* c, const ConfigBlock& block, const FieldRules& rules)
{
    const double under = block.get(Field::UnderVoltage);
    const double over = block.get(Field::OverVoltage);
    c->xAxis = CurveLabel::BatteryVoltage;
    c->yAxis = CurveLabel::CurrentLimit;
    // From a little below the lower setting to a little above the higher one.
    c->xMin = std::max(0.0, floorTo(std::min(under, over) * 0.8, 10));
    c->xMax = std::max(c->xMin + 10, ceilTo(std::max(kCutBack.of(under), over) * 1.1, 10));

    const double cutBack = kCutBack.of(under), resume = kResume.of(under);
    // Cut back in a straight line from full at 1.1 x to nothing at 1 x.
    const double resumeLevel =
        cutBack > under ? kFull * (resume - under) / (cutBack - under) : kFull;
    c->lines.append({CurveLabel::DriveCurrent,
                     {{c->xMin, 0}, {under, 0}, {cutBack, kFull}, {c->xMax, kFull}},
                     false});
    c->lines.append(
        {CurveLabel::DriveResume, {{under, 0}, {resume, 0}, {resume, resumeLevel}}, true});
    c->marks.append({CurveLabel::UnderVoltage, {under, 0}, under, CurveMark::Vertical});
    c->marks.append({CurveLabel::CutBack, {cutBack, kFull}, cutBack});
    c->marks.append({CurveLabel::Resume, {resume, resumeLevel}, resume});

    c->marks.append({CurveLabel::OverVoltage, {over, 0}, over, CurveMark::Vertical});
    if (rules.identity().hasRegeneration()) {
        const double regenBack = kRegenCutBack.of(over);
        c->lines.append({CurveLabel::RegenLimit,
                         {{c->xMin, kFull}, {regenBack, kFull}, {over, 0}, {c->xMax, 0}},
                         false});
        c->lines.append(
            {CurveLabel::RegenResume, {{over, 0}, {regenBack, 0}, {regenBack, kFull}}, true});
        c->marks.append({CurveLabel::RegenCutBack, {regenBack, kFull}, regenBack});
    }
}

void temperatureCurve(Curve* c, const ConfigBlock& block, const FieldRules& rules)
{
    const double stop = block.get(Field::StopOutputTemperature);
    const double resume = block.get(Field::ResumeOutputTemperature);
    c->xAxis = CurveLabel::ControllerTemperature;
    c->yAxis = CurveLabel::Output;
    c->onOff = true;
    const ValidValues valid = rules.valid(Field::StopOutputTemperature);
    c->xMin =
        floorTo(std::min<double>({double(valid.min()), stop, resume}) - kTemperatureMargin, 10);
    c->xMax =
        ceilTo(std::max<double>({double(valid.max()), stop, resume}) + kTemperatureMargin, 10);
    // A resume point at or above the stop point gives no hysteresis: the output comes back as
    // soon as the temperature is below the stop point again.
    const double back = std::min(resume, stop);
    if (resume >= stop)
        c->notes.append({CurveLabel::ResumeAbove, {}, 0});
    c->lines.append(
        {CurveLabel::Heating, {{c->xMin, kFull}, {stop, kFull}, {stop, 0}, {c->xMax, 0}}, true});
    c->lines.append(
        {CurveLabel::Cooling, {{c->xMax, 0}, {back, 0}, {back, kFull}, {c->xMin, kFull}}, true});
    c->marks.append({CurveLabel::Stop, {stop, 0}, stop});
    // Where the loop closes, the resume point is its corner; where it does not, the setting
    // still stands at its own temperature, as a line across.
    if (resume < stop)
        c->marks.append({CurveLabel::ResumeTemperature, {resume, kFull}, resume});
    else
        c->marks.append({CurveLabel::ResumeTemperature, {resume, 0}, resume, CurveMark::Vertical});
}

} // namespace

QString curveKindName(CurveKind kind)
{
    switch (kind) {
    case CurveKind::Throttle:
        return QStringLiteral("throttle");
    case CurveKind::Regeneration:
        return QStringLiteral("regen");
    case CurveKind::Voltage:
        return QStringLiteral("voltage");
    case CurveKind::Temperature:
        return QStringLiteral("temperature");
    }
    return {};
}

std::optional<CurveKind> curveKindNamed(const QString& name)
{
    for (CurveKind kind : kCurveKinds)
        if (curveKindName(kind) == name)
            return kind;
    return std::nullopt;
}

std::optional<CurveKind> curveOfGroup(FieldGroup group)
{
    switch (group) {
    case FieldGroup::Throttle:
        return CurveKind::Throttle;
    case FieldGroup::Startup:
        return CurveKind::Voltage;
    case FieldGroup::Regeneration:
        return CurveKind::Regeneration;
    case FieldGroup::Temperature:
        return CurveKind::Temperature;
    default:
        return std::nullopt;
    }
}

bool Curve::sameShape(const Curve& o) const
{
    return kind == o.kind && available == o.available && xMin == o.xMin && xMax == o.xMax &&
           yMin == o.yMin && yMax == o.yMax && lines == o.lines && marks == o.marks;
}

QList<Field> curveFields(CurveKind kind, const FieldRules& rules)
{
    QList<Field> all;
    switch (kind) {
    case CurveKind::Throttle:
        all = {Field::ThrottleSensorType,  Field::ThrottleStartPosition,
               Field::ThrottleEndPosition, Field::ThrottleStartEndSteps,
               Field::LowThresholdVoltage, Field::HighThresholdVoltage};
        break;
    case CurveKind::Regeneration:
        all = {Field::Regeneration,
               Field::BrakeSwitch,
               Field::MaxRegenCurrent,
               Field::RegenCurrentByBrakeSwitchOn,
               Field::ReleasingThrottleStartsRegen,
               Field::BrakeSensorType,
               Field::BrakeSensorStartingPoint,
               Field::BrakeSensorEndingPoint,
               Field::BrakeSensorStartEndSteps};
        break;
    case CurveKind::Voltage:
        all = {Field::UnderVoltage, Field::OverVoltage};
        break;
    case CurveKind::Temperature:
        all = {Field::StopOutputTemperature, Field::ResumeOutputTemperature};
        break;
    }
    QList<Field> used;
    for (Field f : all)
        if (rules.used(f))
            used.append(f);
    return used;
}

QList<CurveKind> curvesOf(const FieldRules& rules)
{
    QList<CurveKind> kinds;
    for (CurveKind kind : kCurveKinds)
        if (!curveFields(kind, rules).isEmpty())
            kinds.append(kind);
    return kinds;
}

Curve curveOf(CurveKind kind, const ConfigBlock& block, const QList<Field>* known)
{
    const FieldRules rules(block);
    Curve c;
    c.kind = kind;
    const QList<Field> fields = curveFields(kind, rules);
    c.available = !fields.isEmpty();
    if (!c.available)
        return c;
    if (known)
        for (Field f : fields)
            if (!known->contains(f))
                c.missing.append(f);
    if (!c.missing.isEmpty()) {
        QStringList names;
        for (Field f : c.missing)
            names.append(fieldName(f));
        c.notes.append({CurveLabel::Missing, names.join(QStringLiteral(", ")), 0});
        return c;
    }
    switch (kind) {
    case CurveKind::Throttle:
        throttleCurve(&c, block, rules);
        break;
    case CurveKind::Regeneration:
        regenerationCurve(&c, block, rules);
        break;
    case CurveKind::Voltage:
        voltageCurve(&c, block, rules);
        break;
    case CurveKind::Temperature:
        temperatureCurve(&c, block, rules);
        break;
    }
    if (c.volts) {
        c.voltsAtMin = kSensorVoltsLow;
        c.voltsAtMax = kSensorVoltsHigh;
    }
    noteInvalid(&c, block, rules, fields);
    return c;
}
