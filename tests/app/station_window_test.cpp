// The station window in both languages: a tile per port through waiting, working, PASS and FAIL,
// the counts, and the record's trouble. NORVEL_SHOT_DIR=folder keeps a picture of each.
#include "message_ids.h"
#include "station_window.h"
#include "test_resources.h"

#include "resource_module.h"

#include <QDir>
#include <QLabel>

#include <gtest/gtest.h>

namespace {

TEST(StationWindowTest, TilesShowEachPortsStateInTheModulesWords)
{
    for (const QString& language : {QStringLiteral("english"), QStringLiteral("chinese")}) {
        SCOPED_TRACE(language.toStdString());
        const ResourceModule& module = testModule(language);
        const auto text = [&module](int id) { return module.string(id); };
        StationWindow::Heading heading{"approved.json", QString(64, 'e'), "/tmp/line.sqlite", "ann",
                                       false};
        StationWindow window(text, heading);
        window.show();

        StationUnit passed;
        passed.port = "/dev/ttyUSB0";
        passed.outcome.result = UnitImportOutcome::Result::Verified;
        StationUnit failed = passed;
        failed.port = "/dev/ttyUSB1";
        failed.outcome.result = UnitImportOutcome::Result::WriteFailed;
        window.showPort({"/dev/ttyUSB0", PortPhase::Working, 40, "12AB0002"});
        window.showUnit(passed);
        window.showPort({"/dev/ttyUSB0", PortPhase::Passed, 100, "12AB0002"});
        window.showUnit(failed);
        window.showPort({"/dev/ttyUSB1", PortPhase::Failed, 100, "12AB0003"});
        window.showPort({"/dev/ttyUSB2", PortPhase::Working, 40, "12AB0004"});
        window.showPort({"/dev/ttyUSB3", PortPhase::Waiting, 0, QString()});
        window.showRecord(false, "database is gone");

        EXPECT_EQ(window.tileCount(), 4);
        const QString serial = module.string(MessageIds::TileSerial);
        EXPECT_EQ(window.tileTexts("/dev/ttyUSB0"),
                  (QStringList{module.string(MessageIds::TilePass), serial.arg("12AB0002"),
                               module.string(MessageIds::UnitWritten)}));
        EXPECT_EQ(window.tileTexts("/dev/ttyUSB1"),
                  (QStringList{module.string(MessageIds::TileFail), serial.arg("12AB0003"),
                               module.string(MessageIds::UnitWriteFailed)}));
        EXPECT_EQ(window.tileTexts("/dev/ttyUSB2")[0],
                  module.string(MessageIds::TileWorking).arg(40));
        EXPECT_EQ(window.tileTexts("/dev/ttyUSB3")[0], module.string(MessageIds::TileWaiting));
        QStringList labels;
        for (const QLabel* label : window.findChildren<QLabel*>())
            labels << label->text();
        for (const QString& expected :
             {module.string(MessageIds::StationPassed).arg(1),
              module.string(MessageIds::StationFailed).arg(1),
              module.string(MessageIds::RecordFails).arg("/tmp/line.sqlite", "database is gone")})
            EXPECT_TRUE(labels.contains(expected)) << expected.toStdString();
        if (const QByteArray dir = qgetenv("NORVEL_SHOT_DIR"); !dir.isEmpty())
            window.grab().save(QDir(QString::fromLocal8Bit(dir))
                                   .filePath(QStringLiteral("station-%1.png").arg(language)));
    }
}

} // namespace
