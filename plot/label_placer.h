// Places the labels of a curve drawing where they cover neither another label nor a curve.
#pragma once

#include <QColor>
#include <QList>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;

// Labels placed so far; a new one takes the first place among its candidates that covers
// neither another label nor a curve.
class LabelPlacer
{
public:
    LabelPlacer(QPainter& painter, const QRectF& bounds) : m_painter(painter), m_bounds(bounds) {}

    void avoid(const QPolygonF& line) { m_lines.append(line); }
    void occupy(const QRectF& r) { m_taken.append(r); }
    void place(const QString& text, const QColor& color, const QList<QPointF>& topLefts);
    QSizeF size(const QString& text) const;

private:
    QPainter& m_painter;
    QRectF m_bounds;
    QList<QRectF> m_taken;
    QList<QPolygonF> m_lines;
};

// Places for a point's label: beside the point first, then further out, nearest first.
QList<QPointF> placesAround(const QPointF& at, const QSizeF& s);
