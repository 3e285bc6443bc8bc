// The curve pictures: what a PNG or SVG file holds for each preset, the first-connection image
// drawn faint only where it differs, notes in words, and both modules' texts.
#include "catalogue_block.h"
#include "curve_painter.h"
#include "presets.h"
#include "test_resources.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QList<CurveSheet> sheetsOf(const ConfigBlock& block, const CurveTexts& texts,
                           const std::optional<ConfigBlock>& backup = std::nullopt)
{
    QList<CurveSheet> sheets;
    for (CurveKind kind : curvesOf(FieldRules(block)))
        sheets.append(CurveSheet::of(kind, block, backup, texts));
    return sheets;
}

QString svgText(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(f.readAll());
}

// One curve drawn at 600 x 400.
QImage picture(const CurveSheet& sheet)
{
    QImage image(600, 400, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    paintCurve(painter, QRectF(0, 0, 600, 400), sheet, CurveTexts());
    return image;
}

TEST(CurvePainterTest, EveryPresetGivesAPngAndAnSvgOfItsCurves)
{
    QTemporaryDir dir;
    const CurveTexts texts;
    for (const QString& name : presetNames()) {
        SCOPED_TRACE(name.toStdString());
        const ConfigBlock block = catalogueBlock(name);
        const QList<CurveSheet> sheets = sheetsOf(block, texts);
        const bool regen = FieldRules(block).identity().hasRegeneration();
        ASSERT_EQ(sheets.size(), regen ? 4 : 3);

        const QString png = dir.filePath(name + QStringLiteral(".png"));
        QString error;
        ASSERT_TRUE(writeCurvePicture(png, sheets, name, texts, &error)) << error.toStdString();
        const QImage image(png);
        ASSERT_FALSE(image.isNull());
        // Two curves a row.
        EXPECT_EQ(image.width(), 2 * 820);
        EXPECT_EQ(image.height(), 44 + 2 * 540);

        const QString svg = dir.filePath(name + QStringLiteral(".svg"));
        ASSERT_TRUE(writeCurvePicture(svg, sheets.mid(0, 1), name, texts, &error))
            << error.toStdString();
        const QString content = svgText(svg);
        EXPECT_TRUE(content.contains(QStringLiteral("<svg")));
        EXPECT_TRUE(content.contains(QStringLiteral("Throttle output (%)")));
        EXPECT_TRUE(content.contains(QStringLiteral("Start 10 %")));
        EXPECT_FALSE(content.contains(QStringLiteral("Voltage limits"))); // the throttle alone
    }
}

TEST(CurvePainterTest, OnlyPngAndSvgNamesAndSomethingToDraw)
{
    QTemporaryDir dir;
    const ConfigBlock block = catalogueBlock(QStringLiteral("full"));
    const QList<CurveSheet> sheets = sheetsOf(block, CurveTexts());
    EXPECT_EQ(curvePictureFormat(QStringLiteral("a/b.PNG")), QStringLiteral("png"));
    EXPECT_EQ(curvePictureFormat(QStringLiteral("b.svg")), QStringLiteral("svg"));
    EXPECT_TRUE(curvePictureFormat(QStringLiteral("b.jpg")).isEmpty());
    QString error;
    EXPECT_FALSE(
        writeCurvePicture(dir.filePath(QStringLiteral("b.jpg")), sheets, {}, CurveTexts(), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(
        writeCurvePicture(dir.filePath(QStringLiteral("b.png")), {}, {}, CurveTexts(), &error));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("b.png"))));
    EXPECT_FALSE(writeCurvePicture(dir.filePath(QStringLiteral("no/such/folder.png")), sheets, {},
                                   CurveTexts(), &error));
}

TEST(CurvePainterTest, TheFirstConnectionImageIsDrawnFaintOnlyWhereItDiffers)
{
    ConfigBlock block = catalogueBlock(QStringLiteral("full"));
    const ConfigBlock backup = block;
    const auto sheet = [](const ConfigBlock& b, const std::optional<ConfigBlock>& first) {
        return CurveSheet::of(CurveKind::Temperature, b, first, CurveTexts());
    };

    const CurveSheet same = sheet(block, backup);
    EXPECT_FALSE(same.drawsBackup());
    EXPECT_EQ(picture(same), picture(sheet(block, std::nullopt)));

    block.set(Field::StopOutputTemperature, 140);
    const CurveSheet differs = sheet(block, backup);
    EXPECT_TRUE(differs.drawsBackup());
    const QImage with = picture(differs), without = picture(sheet(block, std::nullopt));
    ASSERT_NE(with, without);
    // Behind: where the backup's loop is drawn, the pixels are grey, never a curve's colour.
    int grey = 0;
    for (int y = 0; y < with.height(); ++y)
        for (int x = 0; x < with.width(); ++x)
            if (with.pixelColor(x, y) != without.pixelColor(x, y))
                grey += with.pixelColor(x, y) == QColor(0xc4, 0xc4, 0xc4);
    EXPECT_GT(grey, 100);

    // A change outside the curve leaves the backup's curve undrawn.
    block = backup;
    block.set(Field::MaxMotorCurrent, 50);
    EXPECT_FALSE(CurveSheet::of(CurveKind::Temperature, block, backup, CurveTexts()).drawsBackup());
}

TEST(CurvePainterTest, NotesAndTitlesAreInWords)
{
    QTemporaryDir dir;
    ConfigBlock block = catalogueBlock(QStringLiteral("full"));
    block.set(Field::ThrottleStartPosition, 21);
    block.set(Field::ThrottleSensorType, 2);
    block.setFlag(Field::Regeneration, false);
    const QList<Field> known{Field::StopOutputTemperature};
    const QList<CurveSheet> sheets{
        CurveSheet::of(CurveKind::Throttle, block, std::nullopt, CurveTexts()),
        CurveSheet::of(CurveKind::Regeneration, block, std::nullopt, CurveTexts()),
        CurveSheet::of(CurveKind::Temperature, block, std::nullopt, CurveTexts(), &known)};
    EXPECT_EQ(sheets[0].title, QStringLiteral("Throttle: 1-4V"));
    EXPECT_EQ(sheets[1].title, QStringLiteral("Regeneration: 0-5V"));
    const QString path = dir.filePath(QStringLiteral("notes.svg"));
    ASSERT_TRUE(writeCurvePicture(path, sheets, QStringLiteral("heading"), CurveTexts(), nullptr));
    const QString svg = svgText(path);
    EXPECT_TRUE(
        svg.contains(QStringLiteral("ThrottleStartPosition holds 21, which is not a valid value")));
    EXPECT_TRUE(svg.contains(QStringLiteral("Regeneration is off")));
    EXPECT_TRUE(svg.contains(QStringLiteral("No value for ResumeOutputTemperature")));
    EXPECT_TRUE(svg.contains(QStringLiteral("heading")));
}

TEST(CurvePainterTest, BothModulesHoldTheCurvesTexts)
{
    const ResourceModule& en = testModule(QStringLiteral("english"));
    const ResourceModule& cn = testModule(QStringLiteral("chinese"));
    const QRegularExpression placeholder(QStringLiteral("%\\d"));
    const auto placeholders = [&placeholder](const QString& text) {
        QStringList found;
        for (auto it = placeholder.globalMatch(text); it.hasNext();)
            found.append(it.next().captured());
        found.sort();
        return found;
    };
    const QList<int> ids = CurveTexts::ids();
    EXPECT_EQ(ids.size(), 42);
    for (int id : ids) {
        EXPECT_TRUE((id >= 260 && id <= 299) || (id >= 621 && id <= 649)) << id;
        EXPECT_EQ(en.string(id), CurveTexts::english(id)) << id;
        EXPECT_FALSE(cn.string(id).isEmpty()) << id;
        EXPECT_EQ(placeholders(cn.string(id)), placeholders(en.string(id))) << id;
    }
    // Every label a curve can carry has words.
    const CurveTexts texts;
    for (int l = static_cast<int>(CurveLabel::PedalTravel);
         l <= static_cast<int>(CurveLabel::Missing); ++l)
        EXPECT_FALSE(texts.label(static_cast<CurveLabel>(l)).isEmpty()) << l;

    // A Chinese picture carries the module's words.
    QTemporaryDir dir;
    const CurveTexts chinese([&cn](int id) { return cn.string(id); });
    const QString path = dir.filePath(QStringLiteral("cn.svg"));
    const ConfigBlock block = catalogueBlock(QStringLiteral("full"));
    ASSERT_TRUE(writeCurvePicture(path, sheetsOf(block, chinese), QString(), chinese, nullptr));
    const QString svg = svgText(path);
    // Runs of another font become texts of their own: the Chinese words, without " (%)".
    EXPECT_TRUE(svg.contains(QStringLiteral(">踏板行程"))) << svg.left(2000).toStdString();
    EXPECT_TRUE(svg.contains(QStringLiteral(">") + cn.string(CurveTexts::TemperatureTitle)));
}

} // namespace
