// norvelctl station in-process: units in sequence and on several ports, refusals and failures,
// a unit left connected, and what the record keeps of each.
#include "station_fixture.h"

#include "config_document.h"
#include "presets.h"
#include "station.h"
#include "station_recorder.h"
#include "transfers.h"

#include <QCryptographicHash>
#include <QThread>

#include <gtest/gtest.h>

namespace {

using StationTest = StationFixture;

TEST_F(StationTest, UnitsInSequenceArePassedRecordedAndWrittenOnceEach)
{
    SimServer* line = startLine(3);
    ASSERT_NE(line, nullptr);
    const QString doc = document(R"("MaxMotorCurrent": 60)");
    const CliRun r = station({line}, doc, 3);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QList<QStringList> lines = unitLines(r.out);
    ASSERT_EQ(lines.size(), 3) << r.out.toStdString();
    const QStringList serials = {"12AB0002", "12AB0003", "12AB0004"};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(lines[i],
                  (QStringList{line->devicePath(), serials[i], "PASS", "written and verified"}));
    EXPECT_TRUE(r.out.endsWith("station: 3 passed, 0 failed\n")) << r.out.toStdString();
    // Two units left the line once written; the third is still on it. Each was committed once.
    std::vector<ConfigBlock> written = line->lineImages();
    ASSERT_EQ(written.size(), 2u);
    written.push_back(line->storedImage());
    EXPECT_EQ(line->commitCount(), 1);

    const QList<RecordRow> rows = rowsOf(recordFile());
    ASSERT_EQ(rows.size(), 3);
    const QString sha = QString::fromLatin1(
        QCryptographicHash::hash(readFile(doc), QCryptographicHash::Sha256).toHex());
    for (int i = 0; i < 3; ++i) {
        const RecordRow& row = rows[2 - i]; // newest first
        SCOPED_TRACE(i);
        EXPECT_TRUE(row.passed);
        EXPECT_EQ(row.serial, serials[i]);
        EXPECT_EQ(row.documentSha256, sha);
        EXPECT_EQ(row.document, "doc.json");
        EXPECT_EQ(row.model, "DVR72401J");
        EXPECT_EQ(row.key, "0405" + serials[i]);
        ASSERT_EQ(row.before.size(), kConfigBlockSize);
        ASSERT_EQ(row.after.size(), kConfigBlockSize);
        const ConfigBlock before = ConfigBlock::fromByteArray(row.before);
        const ConfigBlock after = ConfigBlock::fromByteArray(row.after);
        EXPECT_NE(before.get(Field::MaxMotorCurrent), 60u);
        EXPECT_EQ(after.get(Field::MaxMotorCurrent), 60u);
        // After is the block as read back: the unit's stored image, version bytes as read.
        ConfigBlock stored = written[static_cast<std::size_t>(i)];
        stored.setByte(83, 4);
        stored.setByte(84, 5);
        EXPECT_EQ(after, stored);
        EXPECT_TRUE(row.utc.isValid() && row.utc.timeSpec() == Qt::UTC);
    }
}

TEST_F(StationTest, EveryPortWorksOnItsOwnAtTheSameTime)
{
    QList<SimServer*> lines;
    for (int i = 0; i < 3; ++i)
        lines << startLine(
            2, i == 1 ? QList<std::pair<int, SimFault>>{{1, {SimFault::NoReply, CMD_COMMIT, 1}}}
                      : QList<std::pair<int, SimFault>>{});
    const CliRun r = station(lines, document(R"("MaxMotorCurrent": 60)"), 6);
    EXPECT_EQ(r.code, 1) << r.err.toStdString();
    const QList<QStringList> units = unitLines(r.out);
    ASSERT_EQ(units.size(), 6) << r.out.toStdString();
    for (const SimServer* line : lines) {
        QStringList results;
        for (const QStringList& unit : units)
            if (unit[0] == line->devicePath())
                results << unit[2];
        // The lost COMMIT on the second line fails its first unit only.
        EXPECT_EQ(results,
                  (line == lines[1] ? QStringList{"FAIL", "PASS"} : QStringList{"PASS", "PASS"}));
    }
    EXPECT_EQ(rowsOf(recordFile()).size(), 6);
}

TEST_F(StationTest, RefusedAndFailedUnitsAreRecordedAndNothingIsCommitted)
{
    // A controller's whole document, of another model than the line's.
    ConfigBlock other;
    std::uint8_t major = 0, minor = 0;
    ASSERT_TRUE(presetImage("pdr", &other, &major, &minor));
    other.setByte(83, major);
    other.setByte(84, minor);
    const QString otherModel = writeFile("pdr.json", ConfigDocument::of(other).toJson());
    const QString implausible = writeFile("pair.json", readFile(document(R"("UnderVoltage": 86,
                                                                          "OverVoltage": 84)")));
    const QString current = document(R"("MaxMotorCurrent": 60)");
    const struct
    {
        const char* name;
        QString preset;
        QString doc;
        QList<std::pair<int, SimFault>> faults;
        QString reason;
    } cases[] = {
        {"document of another model", "full", otherModel, {}, "document refused: "},
        {"settings that do not work together",
         "full",
         implausible,
         {},
         "settings do not work together: "},
        {"series not served", "unsupported", current, {}, "series XQZ"},
        {"write failing",
         "full",
         current,
         {{1, {SimFault::NoReply, CMD_WRITE, 3}}},
         "write failed at WRITE at offset 26"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(recordFile());
        SimServer* line = startLine(1, c.faults, c.preset);
        ASSERT_NE(line, nullptr);
        const CliRun r = station({line}, c.doc, 1);
        EXPECT_EQ(r.code, 1) << r.err.toStdString();
        const QList<QStringList> units = unitLines(r.out);
        ASSERT_EQ(units.size(), 1) << r.out.toStdString();
        EXPECT_EQ(units[0][2], "FAIL");
        EXPECT_TRUE(units[0][3].startsWith(c.reason)) << units[0][3].toStdString();
        EXPECT_EQ(line->commitCount(), 0);
        const QList<RecordRow> rows = rowsOf(recordFile());
        ASSERT_EQ(rows.size(), 1);
        EXPECT_FALSE(rows[0].passed);
        EXPECT_EQ(rows[0].reason, units[0][3]);
        EXPECT_EQ(rows[0].before.size(), kConfigBlockSize);
        EXPECT_TRUE(rows[0].after.isEmpty()); // nothing committed
    }
}

TEST_F(StationTest, ADocumentThatCannotBeReadEndsTheStationBeforeAnyUnit)
{
    const CliRun r = station({server}, writeFile("bad.json", "{\"format\": 3"), 1);
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    EXPECT_EQ(server->frameCount(CMD_IDENTIFY), 0);
    EXPECT_FALSE(QFile::exists(recordFile()));
}

TEST_F(StationTest, AUnitLeftConnectedIsWrittenOnce)
{
    const QByteArray doc = readFile(document(R"("MaxMotorCurrent": 60)"));
    QList<DocumentError> errors;
    StationOptions options;
    options.ports = {server->devicePath()};
    options.import.backupFolder = dir.path();
    RecordTarget target;
    target.file = recordFile();
    SqlStationRecorder recorder(target, QString(), "doc.json", doc);
    Station station(ConfigDocument::parse(doc, &errors), options, recorder, {});
    QString error;
    ASSERT_TRUE(station.start(&error)) << error.toStdString();
    for (int i = 0; i < 100 && station.passed() == 0; ++i)
        QThread::msleep(50);
    ASSERT_EQ(station.passed(), 1);
    const int asked = server->frameCount(CMD_IDENTIFY);
    QThread::msleep(1600); // the controller answers every ask meanwhile
    station.finish();
    ASSERT_TRUE(station.wait(5000));
    EXPECT_GT(server->frameCount(CMD_IDENTIFY), asked + 1);
    EXPECT_EQ(server->commitCount(), 1);
    EXPECT_EQ(server->frameCount(CMD_WRITE), kWriteChunks); // one write
    EXPECT_EQ(station.passed() + station.failed(), 1);
}

} // namespace
