// Where the parts of one curve drawing go: the plot, its ticks, the legend and the words of
// the settings, worked out from the font alone so that the painter and the tests agree.
#pragma once

#include "curve_texts.h"
#include "curves.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <QStringList>

struct CurveSheet;

// A line of the legend: its words, and its stroke's colour and style.
struct LegendEntry
{
    QString text;
    QColor color;
    Qt::PenStyle style = Qt::SolidLine;
};

// The words of a mark, where they go and what they name: a point, or the foot of a line
// across the plot.
struct MarkLabel
{
    CurveLabel label = CurveLabel::None;
    QString text;
    QRectF rect;
    QPointF anchor;
    CurveMark::Across across = CurveMark::NoLine;
};

struct CurveLayout
{
    QRectF title, body;
    bool drawn = false; // false: the body holds the notes alone
    QRectF plot;
    QStringList yTicks;
    double yStep = 0, tickWidth = 0;
    double xScale = 0; // the room below the plot for ticks, axis words and the volt scale
    QList<LegendEntry> legend;
    double legendHeight = 0;
    QString notes;
    double notesHeight = 0;
    QList<MarkLabel> labels;

    // A point of the curve in the plot's pixels.
    QPointF map(const Curve& curve, CurvePoint p) const;
};

CurveLayout layoutCurve(const QFont& font, const QRectF& rect, const CurveSheet& sheet,
                        const CurveTexts& texts);

// The legend's rows within `width`: their height; draws them when `painter` is given.
double layoutLegend(class QPainter* painter, const QFont& font, const QList<LegendEntry>& entries,
                    const QPointF& topLeft, double width);

QColor lineColor(CurveLabel label);
bool dashedLine(CurveLabel label);
// A line as drawn, in the plot's pixels (lines that share flat parts a little apart).
QPolygonF linePolygon(const CurveLine& line, const Curve& curve, const QRectF& plot);
// A number as the drawings show it: one decimal, none for a whole number.
QString curveNumber(double v);
double niceStep(double span);
