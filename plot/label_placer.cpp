// Places the labels of a curve drawing where they cover neither another label nor a curve.
#include "label_placer.h"

#include <QFontMetricsF>
#include <QLineF>

#include <algorithm>
#include <cmath>

namespace {

bool crosses(const QPolygonF& line, const QRectF& r)
{
    const QLineF edges[] = {{r.topLeft(), r.topRight()},
                            {r.topRight(), r.bottomRight()},
                            {r.bottomRight(), r.bottomLeft()},
                            {r.bottomLeft(), r.topLeft()}};
    for (int i = 1; i < line.size(); ++i) {
        const QLineF segment(line[i - 1], line[i]);
        if (r.contains(segment.p1()) || r.contains(segment.p2()))
            return true;
        for (const QLineF& edge : edges)
            if (segment.intersects(edge, nullptr) == QLineF::BoundedIntersection)
                return true;
    }
    return false;
}

QRectF withMargin(const QRectF& r)
{
    return r.adjusted(-2, -1, 2, 1);
}

} // namespace

bool LabelPlacer::clearOfLabels(const QRectF& r) const
{
    const QRectF margin = withMargin(r);
    return std::none_of(m_taken.begin(), m_taken.end(),
                        [&margin](const QRectF& t) { return t.intersects(margin); });
}

bool LabelPlacer::clearOfLines(const QRectF& r) const
{
    const QRectF margin = withMargin(r);
    return std::none_of(m_lines.begin(), m_lines.end(),
                        [&margin](const QPolygonF& l) { return crosses(l, margin); });
}

QRectF LabelPlacer::place(const QString& text, const QPointF& anchor,
                          const QList<QPointF>& topLefts)
{
    const QSizeF s = size(text);
    QList<QRectF> fitting;
    for (const QPointF& p : topLefts) {
        const QRectF r(p, s);
        if (m_bounds.contains(r))
            fitting.append(r);
    }
    QRectF chosen;
    // Clear of everything; else clear of the other labels, a curve showing through.
    for (const QRectF& r : fitting)
        if (clearOfLabels(r) && clearOfLines(r)) {
            chosen = r;
            break;
        }
    for (int i = 0; chosen.isNull() && i < fitting.size(); ++i)
        if (clearOfLabels(fitting[i]))
            chosen = fitting[i];
    // Every candidate taken (crossed settings crowd one spot): the free place nearest the
    // anchor, within reach.
    if (chosen.isNull()) {
        constexpr double step = 4;
        double best = labelReach(m_font) + 1;
        for (double y = m_bounds.top(); y + s.height() <= m_bounds.bottom(); y += step)
            for (double x = m_bounds.left(); x + s.width() <= m_bounds.right(); x += step) {
                const QRectF r(QPointF(x, y), s);
                const double d = distanceTo(anchor, r);
                if (d < best && clearOfLabels(r)) {
                    best = d;
                    chosen = r;
                }
            }
    }
    if (chosen.isNull())
        chosen = fitting.isEmpty() ? QRectF(topLefts.value(0, anchor), s) : fitting.first();
    m_taken.append(chosen);
    return chosen;
}

QSizeF LabelPlacer::size(const QString& text) const
{
    return QFontMetricsF(m_font).size(Qt::TextSingleLine, text);
}

double labelReach(const QFont& font)
{
    return 6 * QFontMetricsF(font).height();
}

double distanceTo(const QPointF& p, const QRectF& r)
{
    const double dx = std::max({r.left() - p.x(), 0.0, p.x() - r.right()});
    const double dy = std::max({r.top() - p.y(), 0.0, p.y() - r.bottom()});
    return std::hypot(dx, dy);
}

QList<QPointF> placesAround(const QPointF& at, const QSizeF& s)
{
    constexpr double gap = 6;
    const double w = s.width(), h = s.height();
    QList<QPointF> places;
    for (double dx : {gap, -w - gap, -w / 2, gap + 24, -w - gap - 24, gap + 60, -w - gap - 60})
        for (double dy : {-h - 2, 2.0, -h / 2, -2 * h - 6, h + 6, -3 * h - 10, 2 * h + 10})
            places.append(at + QPointF(dx, dy));
    const auto distance = [&at, &s](const QPointF& p) {
        const QPointF d = p + QPointF(s.width() / 2, s.height() / 2) - at;
        return d.x() * d.x() + d.y() * d.y();
    };
    std::stable_sort(places.begin(), places.end(), [&distance](const QPointF& a, const QPointF& b) {
        return distance(a) < distance(b);
    });
    return places;
}
