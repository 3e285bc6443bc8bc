// Places the labels of a curve drawing where they cover neither another label nor a curve.
#include "label_placer.h"

#include <QFontMetricsF>
#include <QLineF>
#include <QPainter>

#include <algorithm>

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

} // namespace

void LabelPlacer::place(const QString& text, const QColor& color, const QList<QPointF>& topLefts)
{
    const QSizeF size = QFontMetricsF(m_painter.font()).size(Qt::TextSingleLine, text);
    QRectF chosen;
    for (const QPointF& p : topLefts) {
        const QRectF r(p, size);
        if (!m_bounds.contains(r))
            continue;
        if (chosen.isNull())
            chosen = r; // the first that fits, should every one overlap
        const QRectF margin = r.adjusted(-2, -1, 2, 1);
        const bool free =
            std::none_of(m_taken.begin(), m_taken.end(),
                         [&margin](const QRectF& t) { return t.intersects(margin); }) &&
            std::none_of(m_lines.begin(), m_lines.end(),
                         [&margin](const QPolygonF& l) { return crosses(l, margin); });
        if (free) {
            chosen = r;
            break;
        }
    }
    if (chosen.isNull())
        chosen = QRectF(topLefts.value(0), size);
    m_taken.append(chosen);
    m_painter.fillRect(chosen.adjusted(-2, 0, 2, 0), QColor(255, 255, 255, 215));
    m_painter.setPen(color);
    m_painter.drawText(chosen, Qt::AlignLeft | Qt::AlignVCenter, text);
}

QSizeF LabelPlacer::size(const QString& text) const
{
    return QFontMetricsF(m_painter.font()).size(Qt::TextSingleLine, text);
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
