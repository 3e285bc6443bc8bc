// The curve panel of the professional view.
#include "curve_panel.h"

#include <QPainter>

CurvePanel::CurvePanel(const CurveTexts& texts, QWidget* parent) : QWidget(parent), m_texts(texts)
{
    setObjectName(QStringLiteral("curves"));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void CurvePanel::showCurve(std::optional<CurveKind> kind, const ConfigBlock& block,
                           const std::optional<ConfigBlock>& backup,
                           const std::optional<QList<Field>>& known)
{
    if (kind)
        m_sheet = CurveSheet::of(*kind, block, backup, m_texts, known ? &*known : nullptr);
    else
        m_sheet.reset();
    setToolTip(m_sheet ? QString() : hint());
    update();
}

QString CurvePanel::hint() const
{
    return m_texts.text(CurveTexts::NoCurveHint);
}

QSize CurvePanel::sizeHint() const
{
    return {480, 420};
}

QSize CurvePanel::minimumSizeHint() const
{
    return {300, 260};
}

void CurvePanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF area = QRectF(rect()).adjusted(10, 6, -10, -8);
    if (!m_sheet) {
        painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
        painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, hint());
        return;
    }
    paintCurve(painter, area, *m_sheet, m_texts);
}
