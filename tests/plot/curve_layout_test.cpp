// Where a curve's words go: every mark named once, at its own value, no label over another,
// and a legend that names each line once, for crossed settings and at a larger font too.
#include "catalogue_block.h"
#include "curve_layout.h"
#include "curve_painter.h"
#include "label_placer.h"
#include "presets.h"

#include <QSet>

#include <gtest/gtest.h>

namespace {

TEST(CurveLayoutTest, LabelsSitAtTheirOwnValuesClearOfEachOther)
{
    struct Case
    {
        CurveKind kind;
        Field first;
        std::uint32_t firstValue;
        Field second;
        std::uint32_t secondValue;
    };
    const Case cases[] = {
        {CurveKind::Voltage, Field::UnderVoltage, 60, Field::OverVoltage, 80},
        {CurveKind::Voltage, Field::UnderVoltage, 60, Field::OverVoltage, 55},
        {CurveKind::Voltage, Field::UnderVoltage, 80, Field::OverVoltage, 60},
        {CurveKind::Voltage, Field::UnderVoltage, 48, Field::OverVoltage, 50},
        {CurveKind::Temperature, Field::StopOutputTemperature, 110, Field::ResumeOutputTemperature,
         90},
        {CurveKind::Temperature, Field::StopOutputTemperature, 110, Field::ResumeOutputTemperature,
         130},
        {CurveKind::Temperature, Field::StopOutputTemperature, 110, Field::ResumeOutputTemperature,
         112},
    };
    // The panel at its usual size, and at scale 1.5.
    const struct
    {
        int pixelSize;
        QRectF rect;
    } sizes[] = {{12, QRectF(0, 0, 460, 400)}, {18, QRectF(0, 0, 690, 600)}};
    const CurveTexts texts;
    for (const auto& size : sizes)
        for (const Case& k : cases) {
            SCOPED_TRACE(testing::Message()
                         << curveKindName(k.kind).toStdString() << " " << k.firstValue << "/"
                         << k.secondValue << " at " << size.pixelSize << " px");
            ConfigBlock block = catalogueBlock(QStringLiteral("full"));
            block.set(k.first, k.firstValue);
            block.set(k.second, k.secondValue);
            const CurveSheet sheet = CurveSheet::of(k.kind, block, std::nullopt, texts);
            QFont font;
            font.setPixelSize(size.pixelSize);
            const CurveLayout l = layoutCurve(font, size.rect, sheet, texts);
            const Curve& c = sheet.curve;
            ASSERT_EQ(l.labels.size(), c.marks.size());
            for (int i = 0; i < l.labels.size(); ++i) {
                const MarkLabel& label = l.labels[i];
                const CurveMark* m = nullptr;
                for (const CurveMark& candidate : c.marks)
                    if (candidate.label == label.label)
                        m = &candidate;
                ASSERT_NE(m, nullptr);
                // Its own words and value, anchored where that value is on the axis.
                EXPECT_EQ(label.text, texts.label(m->label).arg(curveNumber(m->value) +
                                                                (k.kind == CurveKind::Voltage
                                                                     ? QStringLiteral(" V")
                                                                     : QStringLiteral(" °C"))));
                EXPECT_NEAR(label.anchor.x(), l.map(c, {m->value, 0}).x(), 0.01)
                    << label.text.toStdString();
                EXPECT_LE(distanceTo(label.anchor, label.rect), labelReach(font))
                    << label.text.toStdString();
                EXPECT_TRUE(l.plot.contains(label.rect)) << label.text.toStdString();
                for (int j = 0; j < i; ++j)
                    EXPECT_FALSE(label.rect.intersects(l.labels[j].rect))
                        << label.text.toStdString() << " over " << l.labels[j].text.toStdString();
            }
            QSet<QString> legend;
            for (const LegendEntry& e : l.legend) {
                EXPECT_FALSE(legend.contains(e.text)) << e.text.toStdString();
                legend.insert(e.text);
            }
            EXPECT_EQ(legend.size(), c.lines.size());
        }
}

} // namespace
