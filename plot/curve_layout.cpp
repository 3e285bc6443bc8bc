// Where the parts of one curve drawing go, worked out from the font alone.
#include "curve_layout.h"

#include "curve_painter.h"
#include "curve_style.h"
#include "label_placer.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// Lines that share flat parts (the two ways through a hysteresis loop, the drive and regen
// limits at full current) are drawn a little apart, so that neither hides the other.
double pixelOffset(CurveLabel label)
{
    switch (label) {
    case CurveLabel::Heating:
    case CurveLabel::DriveCurrent:
        return -kCurveWidth / 2 - 0.5;
    case CurveLabel::Cooling:
    case CurveLabel::RegenLimit:
        return kCurveWidth / 2 + 0.5;
    default:
        return 0;
    }
}

QString unitOf(CurveKind kind)
{
    switch (kind) {
    case CurveKind::Voltage:
        return QStringLiteral(" V");
    case CurveKind::Temperature:
        return QStringLiteral(" °C");
    default:
        return QStringLiteral(" %");
    }
}

QString markText(const CurveMark& mark, CurveKind kind, const CurveTexts& texts)
{
    return texts.label(mark.label).arg(curveNumber(mark.value) + unitOf(kind));
}

QString noteText(const CurveNote& note, const CurveTexts& texts)
{
    const QString text = texts.label(note.label);
    if (note.label == CurveLabel::NotValid)
        return text.arg(note.text, curveNumber(note.number));
    return text.contains(QLatin1String("%1")) ? text.arg(note.text) : text;
}

QList<LegendEntry> legendOf(const CurveSheet& sheet, const CurveTexts& texts)
{
    QList<LegendEntry> entries;
    for (const CurveLine& line : sheet.curve.lines) {
        const QString text = texts.label(line.label);
        if (text.isEmpty())
            continue;
        LegendEntry e{text, lineColor(line.label),
                      dashedLine(line.label) ? Qt::DashLine : Qt::SolidLine};
        const bool known = std::any_of(entries.begin(), entries.end(), [&e](const LegendEntry& o) {
            return o.text == e.text && o.color == e.color;
        });
        if (!known)
            entries.append(e);
    }
    if (sheet.drawsBackup())
        entries.append({texts.text(CurveTexts::BackupLegend), kBackup, Qt::SolidLine});
    return entries;
}

// Places for the words of a line across the plot: beside it, row by row from the top.
QList<QPointF> placesBeside(const CurveMark& m, const QPointF& at, const QSizeF& s,
                            const QRectF& plot)
{
    QList<QPointF> places;
    if (m.across == CurveMark::Vertical) {
        for (int row = 0; row < 6; ++row) {
            const double y = plot.top() + 4 + row * (s.height() + 2);
            places << QPointF(at.x() + 4, y) << QPointF(at.x() - s.width() - 4, y);
        }
        // Clear of a curve that runs close beside the line.
        for (int row = 0; row < 3; ++row)
            places << QPointF(at.x() + 44, plot.top() + 4 + row * (s.height() + 2));
    } else {
        for (double dx :
             {plot.right() - s.width() - 6, plot.left() + 6, plot.center().x() - s.width() / 2})
            places << QPointF(dx, at.y() - s.height() - 1) << QPointF(dx, at.y() + 1);
    }
    return places;
}

void placeLabels(CurveLayout* layout, const QFont& font, const Curve& c, const CurveTexts& texts)
{
    const QRectF& plot = layout->plot;
    LabelPlacer placer(font, plot.adjusted(2, 2, -2, -2));
    for (const CurveLine& line : c.lines)
        placer.avoid(linePolygon(line, c, plot));
    // Words across another setting's upright line would read as that line's. (A level's
    // words sit on their own line: those are left out.)
    for (const CurveMark& m : c.marks)
        if (m.across == CurveMark::Vertical) {
            const double x = layout->map(c, m.at).x();
            placer.avoid(QPolygonF({QPointF(x, plot.top()), QPointF(x, plot.bottom())}));
        }
    for (const CurveMark& m : c.marks)
        if (m.across == CurveMark::NoLine)
            placer.occupy(
                QRectF(layout->map(c, m.at) - QPointF(kDot, kDot), QSizeF(2 * kDot, 2 * kDot)));
    // Lines across first, then the points.
    for (bool across : {true, false})
        for (const CurveMark& m : c.marks) {
            if ((m.across != CurveMark::NoLine) != across)
                continue;
            const QString text = markText(m, c.kind, texts);
            const QSizeF s = placer.size(text);
            QPointF at = layout->map(c, m.at);
            // A line across is named at its top (vertical) or its left end (horizontal).
            if (m.across == CurveMark::Vertical)
                at.setY(plot.top());
            else if (m.across == CurveMark::Horizontal)
                at.setX(plot.left());
            const QList<QPointF> places =
                across ? placesBeside(m, layout->map(c, m.at), s, plot) : placesAround(at, s);
            layout->labels.append({m.label, text, placer.place(text, at, places), at, m.across});
        }
}

} // namespace

QPointF CurveLayout::map(const Curve& c, CurvePoint p) const
{
    const double xs = c.xMax > c.xMin ? c.xMax - c.xMin : 1;
    const double ys = c.yMax > c.yMin ? c.yMax - c.yMin : 1;
    return {plot.left() + (p.x - c.xMin) / xs * plot.width(),
            plot.bottom() - (p.y - c.yMin) / ys * plot.height()};
}

CurveLayout layoutCurve(const QFont& font, const QRectF& rect, const CurveSheet& sheet,
                        const CurveTexts& texts)
{
    const Curve& c = sheet.curve;
    const QFontMetricsF fm(font);
    const double lh = fm.height();
    CurveLayout l;
    l.title = QRectF(rect.left(), rect.top(), rect.width(), lh * 1.6);
    l.body = rect.adjusted(0, l.title.height(), 0, 0);
    QStringList notes;
    for (const CurveNote& n : c.notes)
        notes.append(noteText(n, texts));
    l.notes = notes.join(QLatin1Char('\n'));
    l.drawn = c.available && c.missing.isEmpty();
    if (!l.drawn)
        return l;

    // Room below the plot: ticks, the axis words, the volt scale, the legend, the notes.
    l.legend = legendOf(sheet, texts);
    l.legendHeight = layoutLegend(nullptr, font, l.legend, {}, rect.width());
    if (!notes.isEmpty())
        l.notesHeight =
            fm.boundingRect(QRectF(0, 0, rect.width(), 1e6), Qt::TextWordWrap, l.notes).height() +
            4;
    l.xScale = lh + 4 + lh + 6 + (c.volts ? lh + 4 + lh + 6 : 0);

    l.yStep = c.onOff ? (c.yMax - c.yMin) : niceStep(c.yMax - c.yMin) * 2;
    for (double y = c.yMin; y <= c.yMax + 1e-9; y += l.yStep)
        l.yTicks.append(c.onOff ? texts.text(y > c.yMin ? CurveTexts::OnTick : CurveTexts::OffTick)
                                : curveNumber(y));
    for (const QString& t : l.yTicks)
        l.tickWidth = std::max(l.tickWidth, fm.horizontalAdvance(t));
    const double left = lh + 8 + l.tickWidth + 6;
    l.plot = QRectF(l.body.left() + left, l.body.top() + lh * 0.6, l.body.width() - left - lh,
                    l.body.height() - lh * 0.6 - l.xScale - l.legendHeight - l.notesHeight - 8);
    placeLabels(&l, font, c, texts);
    return l;
}

constexpr double kStroke = 26;

double layoutLegend(QPainter* painter, const QFont& font, const QList<LegendEntry>& entries,
                    const QPointF& topLeft, double width)
{
    const QFontMetricsF fm(font);
    const double rowHeight = fm.height() + 4;
    double x = 0, y = 0;
    for (const LegendEntry& e : entries) {
        const double w = kStroke + 6 + fm.horizontalAdvance(e.text) + 18;
        if (x > 0 && x + w > width) {
            x = 0;
            y += rowHeight;
        }
        if (painter) {
            const QPointF origin = topLeft + QPointF(x, y + rowHeight / 2);
            painter->setPen(QPen(e.color, kCurveWidth, e.style, Qt::FlatCap));
            painter->drawLine(origin, origin + QPointF(kStroke, 0));
            painter->setPen(kInk);
            painter->drawText(QRectF(origin.x() + kStroke + 6, topLeft.y() + y, w, rowHeight),
                              Qt::AlignLeft | Qt::AlignVCenter, e.text);
        }
        x += w;
    }
    return entries.isEmpty() ? 0 : y + rowHeight;
}

QColor lineColor(CurveLabel label)
{
    switch (label) {
    case CurveLabel::RegenLimit:
    case CurveLabel::RegenResume:
        return QColor(0xd3, 0x6b, 0x12);
    case CurveLabel::Heating:
        return QColor(0xc0, 0x39, 0x2b);
    default:
        return kBlue;
    }
}

bool dashedLine(CurveLabel label)
{
    return label == CurveLabel::DriveResume || label == CurveLabel::RegenResume;
}

QPolygonF linePolygon(const CurveLine& line, const Curve& curve, const QRectF& plot)
{
    CurveLayout frame;
    frame.plot = plot;
    const QPointF offset(0, pixelOffset(line.label));
    QPolygonF polygon;
    for (const CurvePoint& p : line.points)
        polygon.append(frame.map(curve, p) + offset);
    return polygon;
}

QString curveNumber(double v)
{
    QString s = QString::number(v, 'f', 1);
    if (s.endsWith(QLatin1String(".0")))
        s.chop(2);
    return s;
}

double niceStep(double span)
{
    const double raw = span / kMaxTicks;
    const double magnitude = std::pow(10.0, std::floor(std::log10(std::max(raw, 1e-9))));
    for (double m : {1.0, 2.0, 2.5, 5.0, 10.0})
        if (m * magnitude >= raw)
            return m * magnitude;
    return 10 * magnitude;
}
