// Drawing of the setting curves with QPainter: on a widget, into a PNG image or an SVG file.
#pragma once

#include "config_block.h"
#include "curve_texts.h"
#include "curves.h"

#include <QList>
#include <QString>

#include <optional>

class QPainter;
class QRectF;

// One curve as drawn: the configuration's, and the first-connection image's faint behind it.
struct CurveSheet
{
    Curve curve;
    std::optional<Curve> backup; // drawn only where its shape differs
    QString title;

    // The curve of `kind` for `block`; `backup`'s curve behind it when given. `known` as for
    // curveOf().
    static CurveSheet of(CurveKind kind, const ConfigBlock& block,
                         const std::optional<ConfigBlock>& backup, const CurveTexts& texts,
                         const QList<Field>* known = nullptr);
    // True where the backup's curve differs and is drawn.
    bool drawsBackup() const;
};

// Draws one curve into `rect`, with the painter's font for the words.
void paintCurve(QPainter& painter, const QRectF& rect, const CurveSheet& sheet,
                const CurveTexts& texts);

// The picture formats by file name: "png", "svg", or empty for any other name.
QString curvePictureFormat(const QString& path);
// Writes the sheets as one picture under `heading`, in two columns when there are several:
// PNG or SVG by the file's suffix, atomically. False with *error on failure.
bool writeCurvePicture(const QString& path, const QList<CurveSheet>& sheets, const QString& heading,
                       const CurveTexts& texts, QString* error);
