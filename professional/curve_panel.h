// The curve panel of the professional view: the curve of the selected field's group, drawn
// anew as values are edited, with the first-connection image's curve faint behind it.
#pragma once

#include "config_block.h"
#include "curve_painter.h"
#include "curve_texts.h"

#include <QWidget>

#include <optional>

class CurvePanel : public QWidget
{
    Q_OBJECT

public:
    explicit CurvePanel(const CurveTexts& texts, QWidget* parent = nullptr);

    // Shows the curve `kind` of the configuration (nothing but a hint without one). `known`
    // lists the fields the configuration has values for, where it is not a whole block.
    void showCurve(std::optional<CurveKind> kind, const ConfigBlock& block,
                   const std::optional<ConfigBlock>& backup,
                   const std::optional<QList<Field>>& known);

    // What is drawn: the sheet, or nothing when the group has no curve.
    const std::optional<CurveSheet>& sheet() const { return m_sheet; }
    QString hint() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CurveTexts m_texts;
    std::optional<CurveSheet> m_sheet;
};
