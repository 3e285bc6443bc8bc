// norvelctl plot against simulated controllers and files: a picture for every preset, the
// curves chosen, the first-connection image behind them, and what is refused.
#include "backup_file.h"
#include "cli_fixture.h"
#include "config_document.h"
#include "presets.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

class CliPlotTest : public CliFixture
{
protected:
    QString svg(const QString& path) { return QString::fromUtf8(readFile(path)); }
};

TEST_F(CliPlotTest, EveryPresetGivesAPictureOfItsCurves)
{
    for (const QString& name : presetNames()) {
        SCOPED_TRACE(name.toStdString());
        const SimServer* s = startServer(preset(name));
        ASSERT_NE(s, nullptr);
        const QString path = dir.filePath(name + QStringLiteral(".png"));
        const CliRun r = run(withPortOf(s, {"plot", path}));
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        const QImage image(path);
        ASSERT_FALSE(image.isNull());
        // Three or four curves, two a row.
        EXPECT_EQ(image.width(), 2 * 820);
        EXPECT_EQ(image.height(), 44 + 2 * 540);

        const QString one = dir.filePath(name + QStringLiteral(".svg"));
        ASSERT_EQ(run(withPortOf(s, {"plot", one, "--curve", "temperature"})).code, 0);
        const QString text = svg(one);
        EXPECT_TRUE(text.contains(QStringLiteral("Controller temperature (°C)")));
        EXPECT_FALSE(text.contains(QStringLiteral("Pedal travel (%)")));
        EXPECT_TRUE(text.contains(ControllerKey(controllerImageOf(s)).mid(4)))
            << "the heading names the serial number";
    }
}

TEST_F(CliPlotTest, TheFirstConnectionImageIsDrawnBehindWhenItDiffers)
{
    const QString path = dir.filePath(QStringLiteral("t.svg"));
    ASSERT_EQ(run(withPort({"plot", path, "--curve", "throttle"})).code, 0);
    EXPECT_FALSE(svg(path).contains(QStringLiteral("First-connection image")));

    ConfigBlock first = controllerImage();
    first.set(Field::ThrottleEndPosition, 150);
    ASSERT_TRUE(BackupFile(dir.path(), ControllerKey(first)).write(first));
    ASSERT_EQ(run(withPort({"plot", path, "--curve", "throttle"})).code, 0);
    EXPECT_TRUE(svg(path).contains(QStringLiteral("First-connection image")));
    // The voltage curve does not change with the throttle's end.
    ASSERT_EQ(run(withPort({"plot", path, "--curve", "voltage"})).code, 0);
    EXPECT_FALSE(svg(path).contains(QStringLiteral("First-connection image")));
}

TEST_F(CliPlotTest, FromADocumentOrImageWithoutAController)
{
    const ConfigBlock full = controllerImage();
    const QStringList noPort{"--port", dir.filePath("absent"), "--backup-dir", dir.path()};
    const QString image = writeFile(QStringLiteral("full.bin"), full.toByteArray());
    const QString path = dir.filePath(QStringLiteral("from.svg"));
    CliRun r = run(noPort + QStringList{"plot", path, "--from", image});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(svg(path).contains(QStringLiteral("full.bin")));

    // A document with its controller part: the values it gives.
    ConfigBlock edited = full;
    edited.set(Field::StopOutputTemperature, 133);
    const QString doc = writeFile(QStringLiteral("doc.json"), ConfigDocument::of(edited).toJson());
    r = run(noPort + QStringList{"plot", path, "--from", doc, "--curve", "temperature"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(svg(path).contains(QStringLiteral("Stop at 133 °C")));

    // Without a controller part nothing says which curves apply; a part without the curve's
    // fields has nothing to draw. Both are refused and write nothing.
    ConfigDocument partial;
    partial.fields = {{Field::StopOutputTemperature, 120}};
    const QString bare = writeFile(QStringLiteral("bare.json"), partial.toJson());
    const QString refused = dir.filePath(QStringLiteral("refused.png"));
    r = run(noPort + QStringList{"plot", refused, "--from", bare});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("does not say which controller")))
        << r.err.toStdString();
    partial.controller = full;
    const QString named = writeFile(QStringLiteral("named.json"), partial.toJson());
    r = run(noPort + QStringList{"plot", refused, "--from", named, "--curve", "temperature"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("ResumeOutputTemperature"))) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(refused));
}

TEST_F(CliPlotTest, WhatIsRefused)
{
    const QString png = dir.filePath(QStringLiteral("x.png"));
    // A name that says neither PNG nor SVG, an unknown curve, an option of another command,
    // a curve the model does not have.
    CliRun r = run(withPort({"plot", dir.filePath(QStringLiteral("x.jpg"))}));
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral(".png or .svg")));
    r = run(withPort({"plot", png, "--curve", "speed"}));
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("throttle, regen, voltage")));
    EXPECT_EQ(run(withPort({"plot", png, "--yes"})).code, 2);
    EXPECT_EQ(run(withPort({"show", "--curve", "throttle"})).code, 2);
    const SimServer* basic = startServer(preset(QStringLiteral("basic")));
    ASSERT_NE(basic, nullptr);
    r = run(withPortOf(basic, {"plot", png, "--curve", "regen"}));
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("no regen curve")));
    EXPECT_FALSE(QFile::exists(png));
    // No controller: a link failure.
    r = run({"--port", dir.filePath("absent"), "plot", png});
    EXPECT_EQ(r.code, 1);
    // --help names the command.
    EXPECT_TRUE(run({"--help"}).out.contains(QStringLiteral("plot FILE.png|FILE.svg")));
}

} // namespace
