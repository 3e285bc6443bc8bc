// Drawing of one setting curve with QPainter, on a widget or into a picture.
#include "curve_painter.h"

#include "curve_layout.h"
#include "curve_style.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

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

void drawLines(QPainter& painter, const CurveLayout& frame, const Curve& curve,
               const QList<CurveLine>& lines, bool faint)
{
    for (const CurveLine& line : lines) {
        const QColor color = faint ? kBackup : lineColor(line.label);
        QPen pen(color, faint ? 2.0 : kCurveWidth);
        pen.setStyle(dashedLine(line.label) ? Qt::DashLine : Qt::SolidLine);
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        const QPolygonF polygon = linePolygon(line, curve, frame.plot);
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

void drawMarkLines(QPainter& painter, const CurveLayout& frame, const Curve& curve,
                   const QList<CurveMark>& marks, bool faint)
{
    for (const CurveMark& m : marks) {
        if (m.across == CurveMark::NoLine)
            continue;
        QPen pen(faint ? kBackup : markColor(m.label), 1.5, Qt::DashLine);
        painter.setPen(pen);
        const QPointF at = frame.map(curve, m.at);
        if (m.across == CurveMark::Vertical)
            painter.drawLine(QPointF(at.x(), frame.plot.top()),
                             QPointF(at.x(), frame.plot.bottom()));
        else
            painter.drawLine(QPointF(frame.plot.left(), at.y()),
                             QPointF(frame.plot.right(), at.y()));
    }
}

void drawDots(QPainter& painter, const CurveLayout& frame, const Curve& curve,
              const QList<CurveMark>& marks, bool faint)
{
    for (const CurveMark& m : marks) {
        if (m.across != CurveMark::NoLine)
            continue;
        painter.setPen(QPen(Qt::white, 1.5));
        painter.setBrush(faint ? kBackup : markColor(m.label));
        const double r = faint ? kDot - 1 : kDot;
        painter.drawEllipse(frame.map(curve, m.at), r, r);
    }
    painter.setBrush(Qt::NoBrush);
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
    const double lh = QFontMetricsF(font).height();
    const CurveLayout l = layoutCurve(font, rect, sheet, texts);

    QFont bold = font;
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(kInk);
    painter.drawText(l.title, Qt::AlignLeft | Qt::AlignVCenter, sheet.title);
    painter.setFont(font);
    if (!l.drawn) {
        painter.setPen(kNote);
        painter.drawText(l.body, Qt::AlignCenter | Qt::TextWordWrap, l.notes);
        painter.restore();
        return;
    }

    // Grid, ticks and axis words.
    const QRectF& plot = l.plot;
    painter.fillRect(plot, Qt::white);
    const double xStep = niceStep(c.xMax - c.xMin);
    const double xFirst = std::ceil(c.xMin / xStep) * xStep;
    for (double x = xFirst; x <= c.xMax + 1e-9; x += xStep) {
        const QPointF p = l.map(c, {x, c.yMin});
        painter.setPen(QPen(kGrid, 1));
        painter.drawLine(QPointF(p.x(), plot.top()), QPointF(p.x(), plot.bottom()));
        painter.setPen(kAxis);
        painter.drawLine(p, p + QPointF(0, 4));
        painter.drawText(QRectF(p.x() - 40, plot.bottom() + 4, 80, lh), Qt::AlignCenter,
                         curveNumber(x));
        if (c.volts) {
            const double share = (x - c.xMin) / (c.xMax - c.xMin);
            const double v = c.voltsAtMin + share * (c.voltsAtMax - c.voltsAtMin);
            painter.drawText(QRectF(p.x() - 40, plot.bottom() + 4 + lh + 6 + lh + 4, 80, lh),
                             Qt::AlignCenter, QString::number(v, 'f', 1));
        }
    }
    for (int i = 0; i < l.yTicks.size(); ++i) {
        const QPointF p = l.map(c, {c.xMin, c.yMin + i * l.yStep});
        painter.setPen(QPen(kGrid, 1));
        painter.drawLine(QPointF(plot.left(), p.y()), QPointF(plot.right(), p.y()));
        painter.setPen(kAxis);
        painter.drawText(QRectF(plot.left() - l.tickWidth - 8, p.y() - lh / 2, l.tickWidth, lh),
                         Qt::AlignRight | Qt::AlignVCenter, l.yTicks.at(i));
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
    // The y axis' words run up beside it, no longer than the plot is high: past its ends they
    // would run into the title or the legend. The turn is about a whole pixel, so that the
    // glyphs sit on the device's grid at any scale.
    painter.save();
    painter.translate(std::round(l.body.left() + lh / 2 + 2), std::round(plot.center().y()));
    painter.rotate(-90);
    const QString yTitle =
        QFontMetricsF(font).elidedText(texts.label(c.yAxis), Qt::ElideRight, plot.height());
    painter.drawText(QRectF(-plot.height() / 2, -lh / 2, plot.height(), lh), Qt::AlignCenter,
                     yTitle);
    painter.restore();

    // The backup behind, then the settings, then the curve and its marks on top.
    painter.save();
    painter.setClipRect(plot.adjusted(-kDot - 2, -kDot - 2, kDot + 2, kDot + 2));
    if (sheet.drawsBackup()) {
        drawMarkLines(painter, l, *sheet.backup, sheet.backup->marks, true);
        drawLines(painter, l, *sheet.backup, sheet.backup->lines, true);
        drawDots(painter, l, *sheet.backup, sheet.backup->marks, true);
    }
    drawMarkLines(painter, l, c, c.marks, false);
    drawLines(painter, l, c, c.lines, false);
    drawDots(painter, l, c, c.marks, false);
    painter.restore();

    for (const MarkLabel& m : l.labels) {
        painter.fillRect(m.rect.adjusted(-2, 0, 2, 0), QColor(255, 255, 255, 215));
        painter.setPen(markColor(m.label));
        painter.drawText(m.rect, Qt::AlignLeft | Qt::AlignVCenter, m.text);
    }

    // Legend and notes.
    double y = plot.bottom() + l.xScale + 6;
    layoutLegend(&painter, font, l.legend, QPointF(rect.left() + 4, y), rect.width() - 8);
    y += l.legendHeight;
    if (!l.notes.isEmpty()) {
        painter.setPen(kNote);
        painter.drawText(QRectF(rect.left() + 4, y, rect.width() - 8, l.notesHeight),
                         Qt::AlignLeft | Qt::TextWordWrap, l.notes);
    }
    painter.restore();
}
