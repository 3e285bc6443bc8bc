// Drawing of one setting curve with QPainter, on a widget or into a picture.
#include "curve_painter.h"

#include "curve_style.h"
#include "label_placer.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

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

QColor markColor(CurveLabel label)
{
    switch (label) {
    case CurveLabel::LowThreshold:
    case CurveLabel::HighThreshold:
        return QColor(0x2e, 0x8b, 0x57);
    case CurveLabel::BrakeSwitchLevel:
        return QColor(0x8e, 0x44, 0xad);
    case CurveLabel::ReleasedThrottleLevel:
        return QColor(0x13, 0x8d, 0x75);
    case CurveLabel::UnderVoltage:
    case CurveLabel::OverVoltage:
        return kAxis;
    default:
        return kInk;
    }
}

bool dashed(CurveLabel label)
{
    return label == CurveLabel::DriveResume || label == CurveLabel::RegenResume;
}

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

QString number(double v)
{
    QString s = QString::number(v, 'f', 1);
    if (s.endsWith(QLatin1String(".0")))
        s.chop(2);
    return s;
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
    return texts.label(mark.label).arg(number(mark.value) + unitOf(kind));
}

QString noteText(const CurveNote& note, const CurveTexts& texts)
{
    const QString text = texts.label(note.label);
    if (note.label == CurveLabel::NotValid)
        return text.arg(note.text, number(note.number));
    return text.contains(QLatin1String("%1")) ? text.arg(note.text) : text;
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

// From the curve's units to the plot's pixels.
struct Frame
{
    QRectF plot;
    const Curve* curve;

    QPointF map(CurvePoint p) const
    {
        const double xs = curve->xMax > curve->xMin ? curve->xMax - curve->xMin : 1;
        const double ys = curve->yMax > curve->yMin ? curve->yMax - curve->yMin : 1;
        return {plot.left() + (p.x - curve->xMin) / xs * plot.width(),
                plot.bottom() - (p.y - curve->yMin) / ys * plot.height()};
    }
};

QPolygonF polygonOf(const CurveLine& line, const Frame& frame)
{
    const QPointF offset(0, pixelOffset(line.label));
    QPolygonF polygon;
    for (const CurvePoint& p : line.points)
        polygon.append(frame.map(p) + offset);
    return polygon;
}

void drawArrow(QPainter& painter, QPointF from, QPointF to, const QColor& color)
{
    const QPointF mid = (from + to) / 2;
    const double angle = std::atan2(to.y() - from.y(), to.x() - from.x());
    const double len = 16, spread = 0.4;
    QPainterPath head;
    head.moveTo(mid + QPointF(std::cos(angle), std::sin(angle)) * len / 2);
    head.lineTo(mid - QPointF(std::cos(angle - spread), std::sin(angle - spread)) * len / 2);
    head.lineTo(mid - QPointF(std::cos(angle + spread), std::sin(angle + spread)) * len / 2);
    head.closeSubpath();
    painter.fillPath(head, color);
}

void drawLines(QPainter& painter, const Frame& frame, const QList<CurveLine>& lines, bool faint)
{
    for (const CurveLine& line : lines) {
        const QColor color = faint ? kBackup : lineColor(line.label);
        QPen pen(color, faint ? 2.0 : kCurveWidth);
        pen.setStyle(dashed(line.label) ? Qt::DashLine : Qt::SolidLine);
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        const QPolygonF polygon = polygonOf(line, frame);
        painter.drawPolyline(polygon);
        if (!line.path || faint)
            continue;
        // The direction of travel, on the steps of the loop.
        for (int i = 1; i < polygon.size(); ++i)
            if (std::abs(polygon[i].x() - polygon[i - 1].x()) < 0.5 &&
                std::abs(polygon[i].y() - polygon[i - 1].y()) > 12)
                drawArrow(painter, polygon[i - 1], polygon[i], color);
    }
}

void drawMarkLines(QPainter& painter, const Frame& frame, const QList<CurveMark>& marks, bool faint)
{
    for (const CurveMark& m : marks) {
        if (m.across == CurveMark::NoLine)
            continue;
        QPen pen(faint ? kBackup : markColor(m.label), 1.5, Qt::DashLine);
        painter.setPen(pen);
        const QPointF at = frame.map(m.at);
        if (m.across == CurveMark::Vertical)
            painter.drawLine(QPointF(at.x(), frame.plot.top()),
                             QPointF(at.x(), frame.plot.bottom()));
        else
            painter.drawLine(QPointF(frame.plot.left(), at.y()),
                             QPointF(frame.plot.right(), at.y()));
    }
}

void drawDots(QPainter& painter, const Frame& frame, const QList<CurveMark>& marks, bool faint)
{
    for (const CurveMark& m : marks) {
        if (m.across != CurveMark::NoLine)
            continue;
        painter.setPen(QPen(Qt::white, 1.5));
        painter.setBrush(faint ? kBackup : markColor(m.label));
        const double r = faint ? kDot - 1 : kDot;
        painter.drawEllipse(frame.map(m.at), r, r);
    }
    painter.setBrush(Qt::NoBrush);
}

// The legend: a short stroke in each line's colour and style, then its words.
struct LegendEntry
{
    QString text;
    QColor color;
    Qt::PenStyle style;
};

QList<LegendEntry> legendOf(const CurveSheet& sheet, const CurveTexts& texts)
{
    QList<LegendEntry> entries;
    for (const CurveLine& line : sheet.curve.lines) {
        const QString text = texts.label(line.label);
        if (text.isEmpty())
            continue;
        LegendEntry e{text, lineColor(line.label),
                      dashed(line.label) ? Qt::DashLine : Qt::SolidLine};
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

constexpr double kStroke = 26;

// Lays the legend out in rows within `width`; returns the rows' height, draws when `painter`.
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

QString sensorTitle(const QString& title, const FieldRules& rules, const ConfigBlock& block,
                    Field sensor, const CurveTexts& texts)
{
    if (!rules.used(sensor) || (sensor == Field::BrakeSensorType && block.get(sensor) == 0))
        return title;
    const QString type = texts.word(rules.meaningWord(sensor, block.get(sensor)));
    return type.isEmpty() ? title : QStringLiteral("%1: %2").arg(title, type);
}

} // namespace

CurveSheet CurveSheet::of(CurveKind kind, const ConfigBlock& block,
                          const std::optional<ConfigBlock>& backup, const CurveTexts& texts,
                          const QList<Field>* known)
{
    CurveSheet sheet;
    sheet.curve = curveOf(kind, block, known);
    if (backup)
        sheet.backup = curveOf(kind, *backup);
    const FieldRules rules(block);
    sheet.title = texts.title(kind);
    if (kind == CurveKind::Throttle)
        sheet.title = sensorTitle(sheet.title, rules, block, Field::ThrottleSensorType, texts);
    else if (kind == CurveKind::Regeneration)
        sheet.title = sensorTitle(sheet.title, rules, block, Field::BrakeSensorType, texts);
    return sheet;
}

bool CurveSheet::drawsBackup() const
{
    return backup && backup->available && backup->missing.isEmpty() && curve.available &&
           curve.missing.isEmpty() && !backup->sameShape(curve);
}

void paintCurve(QPainter& painter, const QRectF& rect, const CurveSheet& sheet,
                const CurveTexts& texts)
{
    const Curve& c = sheet.curve;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipRect(rect);
    const QFont font = painter.font();
    const QFontMetricsF fm(font);
    const double lh = fm.height();

    QFont bold = font;
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(kInk);
    const QRectF titleRect(rect.left(), rect.top(), rect.width(), lh * 1.6);
    painter.drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter, sheet.title);
    painter.setFont(font);

    QStringList notes;
    for (const CurveNote& n : c.notes)
        notes.append(noteText(n, texts));
    const QRectF body = rect.adjusted(0, titleRect.height(), 0, 0);
    if (!c.available || !c.missing.isEmpty()) {
        painter.setPen(kNote);
        painter.drawText(body, Qt::AlignCenter | Qt::TextWordWrap, notes.join(QLatin1Char('\n')));
        painter.restore();
        return;
    }

    // Room below the plot: ticks, the axis words, the volt scale, the legend, the notes.
    const QList<LegendEntry> legend = legendOf(sheet, texts);
    const double legendHeight = layoutLegend(nullptr, font, legend, {}, rect.width());
    double notesHeight = 0;
    const QString notesText = notes.join(QLatin1Char('\n'));
    if (!notes.isEmpty())
        notesHeight =
            fm.boundingRect(QRectF(0, 0, rect.width(), 1e6), Qt::TextWordWrap, notesText).height() +
            4;
    const double xScale = lh + 4 + lh + 6 + (c.volts ? lh + 4 + lh + 6 : 0);

    QStringList yTicks;
    const double yStep = c.onOff ? (c.yMax - c.yMin) : niceStep(c.yMax - c.yMin) * 2;
    for (double y = c.yMin; y <= c.yMax + 1e-9; y += yStep)
        yTicks.append(c.onOff ? texts.text(y > c.yMin ? CurveTexts::OnTick : CurveTexts::OffTick)
                              : number(y));
    double tickWidth = 0;
    for (const QString& t : yTicks)
        tickWidth = std::max(tickWidth, fm.horizontalAdvance(t));
    const double left = lh + 8 + tickWidth + 6;
    const QRectF plot(body.left() + left, body.top() + lh * 0.6, body.width() - left - lh,
                      body.height() - lh * 0.6 - xScale - legendHeight - notesHeight - 8);
    const Frame frame{plot, &c};

    // Grid, ticks and axis words.
    painter.fillRect(plot, Qt::white);
    const double xStep = niceStep(c.xMax - c.xMin);
    const double xFirst = std::ceil(c.xMin / xStep) * xStep;
    for (double x = xFirst; x <= c.xMax + 1e-9; x += xStep) {
        const QPointF p = frame.map({x, c.yMin});
        painter.setPen(QPen(kGrid, 1));
        painter.drawLine(QPointF(p.x(), plot.top()), QPointF(p.x(), plot.bottom()));
        painter.setPen(kAxis);
        painter.drawLine(p, p + QPointF(0, 4));
        const QString t = number(x);
        painter.drawText(QRectF(p.x() - 40, plot.bottom() + 4, 80, lh), Qt::AlignCenter, t);
        if (c.volts) {
            const double share = (x - c.xMin) / (c.xMax - c.xMin);
            const double v = c.voltsAtMin + share * (c.voltsAtMax - c.voltsAtMin);
            painter.drawText(QRectF(p.x() - 40, plot.bottom() + 4 + lh + 6 + lh + 4, 80, lh),
                             Qt::AlignCenter, QString::number(v, 'f', 1));
        }
    }
    for (int i = 0; i < yTicks.size(); ++i) {
        const QPointF p = frame.map({c.xMin, c.yMin + i * yStep});
        painter.setPen(QPen(kGrid, 1));
        painter.drawLine(QPointF(plot.left(), p.y()), QPointF(plot.right(), p.y()));
        painter.setPen(kAxis);
        painter.drawText(QRectF(plot.left() - tickWidth - 8, p.y() - lh / 2, tickWidth, lh),
                         Qt::AlignRight | Qt::AlignVCenter, yTicks.at(i));
    }
    painter.setPen(QPen(kAxis, 1));
    painter.drawRect(plot);
    painter.setPen(kInk);
    painter.drawText(QRectF(plot.left(), plot.bottom() + 4 + lh + 2, plot.width(), lh + 4),
                     Qt::AlignCenter, texts.label(c.xAxis));
    if (c.volts)
        painter.drawText(
            QRectF(plot.left(), plot.bottom() + 4 + 2 * (lh + 4) + lh + 6, plot.width(), lh + 4),
            Qt::AlignCenter, texts.label(CurveLabel::Volts));
    painter.save();
    painter.translate(body.left() + lh / 2 + 2, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-plot.height() / 2, -lh / 2, plot.height(), lh), Qt::AlignCenter,
                     texts.label(c.yAxis));
    painter.restore();

    // The backup behind, then the settings, then the curve and its marks on top.
    painter.save();
    painter.setClipRect(plot.adjusted(-kDot - 2, -kDot - 2, kDot + 2, kDot + 2));
    const bool backup = sheet.drawsBackup();
    if (backup) {
        drawMarkLines(painter, frame, sheet.backup->marks, true);
        drawLines(painter, frame, sheet.backup->lines, true);
        drawDots(painter, frame, sheet.backup->marks, true);
    }
    drawMarkLines(painter, frame, c.marks, false);
    drawLines(painter, frame, c.lines, false);
    drawDots(painter, frame, c.marks, false);
    painter.restore();

    // Words of the marks: lines across first, then the points.
    LabelPlacer labels(painter, plot.adjusted(2, 2, -2, -2));
    for (const CurveLine& line : c.lines)
        labels.avoid(polygonOf(line, frame));
    for (const CurveMark& m : c.marks)
        if (m.across == CurveMark::NoLine)
            labels.occupy(
                QRectF(frame.map(m.at) - QPointF(kDot, kDot), QSizeF(2 * kDot, 2 * kDot)));
    for (const CurveMark& m : c.marks) {
        if (m.across == CurveMark::NoLine)
            continue;
        const QString text = markText(m, c.kind, texts);
        const QSizeF s = labels.size(text);
        const QPointF at = frame.map(m.at);
        QList<QPointF> places;
        if (m.across == CurveMark::Vertical) {
            for (int row = 0; row < 6; ++row) {
                const double y = plot.top() + 4 + row * (s.height() + 2);
                places << QPointF(at.x() + 4, y) << QPointF(at.x() - s.width() - 4, y);
            }
            // Clear of a curve that runs close beside the line.
            for (double dx : {40.0, 80.0, 120.0})
                for (int row = 0; row < 3; ++row)
                    places << QPointF(at.x() + 4 + dx, plot.top() + 4 + row * (s.height() + 2));
        } else {
            for (double dx :
                 {plot.right() - s.width() - 6, plot.left() + 6, plot.center().x() - s.width() / 2})
                places << QPointF(dx, at.y() - s.height() - 1) << QPointF(dx, at.y() + 1);
        }
        labels.place(text, markColor(m.label), places);
    }
    for (const CurveMark& m : c.marks) {
        if (m.across != CurveMark::NoLine)
            continue;
        const QString text = markText(m, c.kind, texts);
        const QSizeF s = labels.size(text);
        labels.place(text, markColor(m.label), placesAround(frame.map(m.at), s));
    }

    // Legend and notes.
    double y = plot.bottom() + xScale + 6;
    layoutLegend(&painter, font, legend, QPointF(rect.left() + 4, y), rect.width() - 8);
    y += legendHeight;
    if (!notes.isEmpty()) {
        painter.setPen(kNote);
        painter.drawText(QRectF(rect.left() + 4, y, rect.width() - 8, notesHeight),
                         Qt::AlignLeft | Qt::TextWordWrap, notesText);
    }
    painter.restore();
}
