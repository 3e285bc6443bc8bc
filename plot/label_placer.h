// Places the labels of a curve drawing where they cover neither another label nor a curve.
#pragma once

#include <QFont>
#include <QList>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QSizeF>
#include <QString>

// How far a label may sit from the point or line it names: further out it would read as
// another's. In pixels, for labels in `font`.
double labelReach(const QFont& font);

// Labels placed so far; a new one takes the first place among its candidates that covers
// neither another label nor a curve, else one that covers no other label, nearest first.
class LabelPlacer
{
public:
    LabelPlacer(const QFont& font, const QRectF& bounds) : m_font(font), m_bounds(bounds) {}

    void avoid(const QPolygonF& line) { m_lines.append(line); }
    void occupy(const QRectF& r) { m_taken.append(r); }
    // The rectangle chosen for `text` among `topLefts`, or near `anchor` where every one of
    // them is taken; the rectangle counts as taken from then on.
    QRectF place(const QString& text, const QPointF& anchor, const QList<QPointF>& topLefts);
    QSizeF size(const QString& text) const;

private:
    bool clearOfLabels(const QRectF& r) const;
    bool clearOfLines(const QRectF& r) const;

    QFont m_font;
    QRectF m_bounds;
    QList<QRectF> m_taken;
    QList<QPolygonF> m_lines;
};

// Places for a point's label: beside the point first, then further out, nearest first.
QList<QPointF> placesAround(const QPointF& at, const QSizeF& s);
// The distance from `p` to the nearest point of `r` (0 inside).
double distanceTo(const QPointF& p, const QRectF& r);
