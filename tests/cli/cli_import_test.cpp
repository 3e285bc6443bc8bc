// norvelctl export and import, verification, backups and diff.
#include "cli_config_fixture.h"

#include <gtest/gtest.h>

namespace {

TEST_F(CliConfigTest, ExportedDocumentImportsOntoTheSameControllerAsNoChange)
{
    const QString path = dir.filePath("full.json");
    const CliRun exportRun = run(withPort({"export", path}));
    ASSERT_EQ(exportRun.code, 0) << exportRun.err.toStdString();
    EXPECT_EQ(readFile(path), exported(server)); // the file holds what stdout would

    const ConfigBlock before = server->storedImage();
    const CliRun r = run(withPort({"import", path, "--yes"}));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    EXPECT_EQ(server->commitCount(), 0);
    EXPECT_EQ(server->storedImage(), before);

    // The same holds for every kind of controller (a legacy control mode is converted on any
    // write, as the wizard converts it).
    for (const char* name : {"basic", "can", "pdr"}) {
        SCOPED_TRACE(name);
        SimServer* s = startServer(preset(name));
        ASSERT_NE(s, nullptr);
        const QString file = writeFile(QString("%1.json").arg(name), exported(s));
        const CliRun again = run(withPortOf(s, {"import", file, "--yes"}));
        EXPECT_EQ(again.code, 0) << again.err.toStdString();
        EXPECT_TRUE(again.out.isEmpty()) << again.out.toStdString();
        EXPECT_EQ(s->commitCount(), 0);
    }
}

TEST_F(CliConfigTest, ExportedDocumentImportsOntoAnotherSerialOfTheSameModel)
{
    // The approved document of one controller of a batch...
    const QByteArray approved =
        edited(exported(server), {{"MaxMotorCurrent", 80}, {"Cruise", true}});
    const QString path = writeFile("approved.json", approved);

    // ...goes onto another controller of the same model and version.
    ConfigBlock other = controllerImage();
    for (int i = 76; i < 80; ++i)
        other.setByte(i, static_cast<std::uint8_t>(0x30 + i));
    SimServer* second = startServer(image(other));
    ASSERT_NE(second, nullptr);
    const CliRun r = run(withPortOf(second, {"import", path, "--yes"}));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "MaxMotorCurrent: 100 -> 80\nCruise: false -> true\n");

    ConfigBlock expected = other;
    expected.set(Field::MaxMotorCurrent, 80);
    expected.setFlag(Field::Cruise, true);
    EXPECT_EQ(second->storedImage(), expected); // its own serial number stays
    EXPECT_EQ(server->commitCount(), 0);
}

TEST_F(CliConfigTest, ImportRefusesAnotherModelOrVersionUnlessForced)
{
    const QByteArray doc = exported(server);
    const QList<QJsonObject> identities = {
        {{"number", "60401"}}, {{"software", "0404"}}, {{"prefix", "PDR"}},
        {{"variant", "C"}},    {{"options", "21"}},
    };
    for (const QJsonObject& identity : identities) {
        SCOPED_TRACE(QJsonDocument(identity).toJson(QJsonDocument::Compact).toStdString());
        const QString path =
            writeFile("other.json", edited(doc, {{"MaxMotorCurrent", 90}}, identity));
        const CliRun refused = run(withPort({"import", path, "--yes"}));
        EXPECT_EQ(refused.code, 2);
        EXPECT_TRUE(refused.err.contains("--force")) << refused.err.toStdString();
        EXPECT_TRUE(refused.out.isEmpty());
        EXPECT_EQ(server->commitCount(), 0);
    }

    const QString path =
        writeFile("newer.json", edited(doc, {{"MaxMotorCurrent", 90}}, {{"software", "0404"}}));
    const CliRun forced = run(withPort({"import", path, "--yes", "--force"}));
    EXPECT_EQ(forced.code, 0) << forced.err.toStdString();
    EXPECT_EQ(forced.out, "MaxMotorCurrent: 100 -> 90\n");
    EXPECT_EQ(server->storedImage().get(Field::MaxMotorCurrent), 90u);
    // --force accepts the model; the controller's own version bytes stay.
    EXPECT_EQ(server->storedImage().raw(Field::SoftwareVersion),
              controllerImage().raw(Field::SoftwareVersion));
}

TEST_F(CliConfigTest, ImportOnlyAppliesTheFieldsNamed)
{
    const QString path = writeFile(
        "doc.json",
        edited(exported(server), {{"MaxMotorCurrent", 80}, {"StartupDelay", 9}, {"Cruise", true}}));

    const CliRun r = run(withPort({"import", path, "--only", "MaxMotorCurrent,Cruise", "--yes"}));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "MaxMotorCurrent: 100 -> 80\nCruise: false -> true\n");
    const ConfigBlock stored = server->storedImage();
    EXPECT_EQ(stored.get(Field::MaxMotorCurrent), 80u);
    EXPECT_TRUE(stored.flag(Field::Cruise));
    EXPECT_EQ(stored.get(Field::StartupDelay), 5u);

    // Repeated --only options add up.
    const CliRun two = run(withPort(
        {"import", path, "--only", "StartupDelay", "--only", "MaxMotorCurrent", "--dry-run"}));
    EXPECT_EQ(two.code, 0) << two.err.toStdString();
    EXPECT_EQ(two.out, "StartupDelay: 5 -> 9\n");

    // A name the document lacks, or no field at all, is refused rather than ignored.
    const QString partial = writeFile(
        "partial.json",
        R"({"format": "norvel-configuration", "version": 1, "fields": {"StartupDelay": 9}})");
    for (const QString& only : {QString("MaxMotorCurrent"), QString("Bogus")}) {
        const CliRun refused = run(withPort({"import", partial, "--only", only, "--yes"}));
        EXPECT_EQ(refused.code, 2);
        EXPECT_TRUE(refused.err.contains(only)) << refused.err.toStdString();
    }
    EXPECT_EQ(server->commitCount(), 1);
}

TEST_F(CliConfigTest, RefusedFieldsNameThemselves)
{
    struct Case
    {
        const char* preset;
        QByteArray fields; // the "fields" object of the document
        const char* named; // what stderr must name
    };
    const Case cases[] = {
        {"full", R"({"StartupDelay": 99})", "StartupDelay=99"},
        {"full", R"({"MaxMotorCurrent": 80.5})", "MaxMotorCurrent"},
        {"full", R"({"Regeneration": 1})", "Regeneration"},
        {"full", R"({"FootSwitch": "yes"})", "FootSwitch"},
        {"full", R"({"HallPhaseSequence": 1})", "HallPhaseSequence"},
        {"full", R"({"ControlModeCopy": 1})", "ControlModeCopy"},
        {"full", R"({"MaxMotorCurrent": 256})", "MaxMotorCurrent"},
        {"full", R"({"MotrPoles": 10})", "MotrPoles"},
        {"full", R"({"SendId": 300})", "SendId"},               // the CAN variant's only
        {"basic", R"({"MotorTopSpeed": 90})", "MotorTopSpeed"}, // no motor page before 0204
        {"pdr", R"({"MotorPoles": 10})", "MotorPoles"},         // fixed on this variant
        {"can", R"({"UnderVoltage": 10})", "UnderVoltage"},     // below the 60 V class
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fields.toStdString());
        SimServer* s = startServer(preset(c.preset));
        ASSERT_NE(s, nullptr);
        const QString path = writeFile(
            "refused.json",
            R"({"format": "norvel-configuration", "version": 1, "fields": )" + c.fields + "}");
        const CliRun r = run(withPortOf(s, {"import", path, "--yes", "--force"}));
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.err.contains(c.named)) << r.err.toStdString();
        EXPECT_EQ(s->commitCount(), 0);
    }
}

TEST_F(CliConfigTest, LostCommitFailsVerificationNamingFieldAndByte)
{
    server->addFault({SimFault::LostCommit, CMD_COMMIT, 1});
    const ConfigBlock before = server->storedImage();
    const CliRun r = run(withPort({"set", "MaxMotorCurrent=80", "--yes"}));
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("verification failed")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("MaxMotorCurrent (byte 14)")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("reads back as 100, written 80")) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("Written, committed and verified"));
    EXPECT_EQ(server->storedImage(), before);

    // A flag is named by itself, not by its byte's first flag.
    server->addFault({SimFault::LostCommit, CMD_COMMIT, 2});
    const CliRun flag = run(withPort({"set", "Cruise=true", "--yes"}));
    EXPECT_EQ(flag.code, 1);
    EXPECT_TRUE(flag.err.contains("Cruise (byte 45)")) << flag.err.toStdString();

    // The next write that sticks is verified.
    const CliRun again = run(withPort({"set", "MaxMotorCurrent=80", "--yes"}));
    EXPECT_EQ(again.code, 0) << again.err.toStdString();
    EXPECT_EQ(server->storedImage().get(Field::MaxMotorCurrent), 80u);
}

TEST_F(CliConfigTest, NoVerifyTrustsTheCommit)
{
    server->addFault({SimFault::LostCommit, CMD_COMMIT, 1});
    const ConfigBlock before = server->storedImage();
    const int readsBefore = server->frameCount(CMD_READ);
    const CliRun r = run(withPort({"set", "MaxMotorCurrent=80", "--yes", "--no-verify"}));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("verified"));
    EXPECT_EQ(server->storedImage(), before); // the commit was lost, and nobody looked
    EXPECT_EQ(server->frameCount(CMD_READ) - readsBefore, 8); // the one read before the write

    // Image writes are verified too.
    server->addFault({SimFault::LostCommit, CMD_COMMIT, 2});
    ConfigBlock edit = controllerImage();
    edit.set(Field::StartupDelay, 9);
    const QString path = writeFile("edit.bin", edit.toByteArray());
    const CliRun write = run(withPort({"write", path, "--yes"}));
    EXPECT_EQ(write.code, 1);
    EXPECT_TRUE(write.err.contains("StartupDelay (byte 12)")) << write.err.toStdString();

    // The controller reports its version by identification: an image of another version,
    // forced on, is stored as sent and verifies.
    ConfigBlock otherVersion = controllerImage();
    otherVersion.setByte(84, otherVersion.byte(84) ^ 0x01);
    const CliRun forced = run(withPort(
        {"write", writeFile("other.bin", otherVersion.toByteArray()), "--yes", "--force"}));
    EXPECT_EQ(forced.code, 0) << forced.err.toStdString();
    EXPECT_EQ(server->storedImage(), otherVersion);
}

TEST_F(CliConfigTest, BackupsHoldTheImageBeforeEachWrite)
{
    const CliRun none = run(withPort({"backups"}));
    EXPECT_EQ(none.code, 0);
    EXPECT_TRUE(none.out.isEmpty());

    const ConfigBlock first = controllerImage();
    ASSERT_EQ(run(withPort({"set", "MaxMotorCurrent=80", "--yes"})).code, 0);
    const ConfigBlock second = controllerImage();
    ASSERT_EQ(run(withPort({"set", "MaxMotorCurrent=90", "--yes"})).code, 0);
    ASSERT_NE(first, second);

    const CliRun r = run(withPort({"backups"}));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << r.out.toStdString();
    const QRegularExpression entry(R"(^([0-9A-F]{12})\s+(\S+)\s+(first|history)\s+(.+)$)");
    QStringList kinds;
    QList<QByteArray> contents;
    for (const QString& line : lines) {
        const QRegularExpressionMatch m = entry.match(line);
        ASSERT_TRUE(m.hasMatch()) << line.toStdString();
        EXPECT_EQ(m.captured(1), ControllerKey(first));
        kinds << m.captured(3);
        contents << readFile(m.captured(4));
    }
    EXPECT_EQ(kinds, (QStringList{"first", "history", "history"}));
    for (const QByteArray& data : contents)
        EXPECT_EQ(data.size(), 128);
    // The first-connection image is never replaced; the history keeps each write's image, in
    // order.
    EXPECT_EQ(contents[0], first.toByteArray());
    EXPECT_EQ(contents[1], first.toByteArray());
    EXPECT_EQ(contents[2], second.toByteArray());
}

TEST_F(CliConfigTest, DiffComparesDocumentsImagesAndTheController)
{
    const QByteArray doc = exported(server);
    const QString same = writeFile("same.json", doc);
    const CliRun equal = run(withPort({"diff", same}));
    EXPECT_EQ(equal.code, 0) << equal.err.toStdString();
    EXPECT_TRUE(equal.out.isEmpty()) << equal.out.toStdString();

    const QString changed =
        writeFile("changed.json", edited(doc, {{"MaxMotorCurrent", 80}, {"Cruise", true}}));
    // In the first one's order: a document's is by name, the controller's the wizard's.
    const CliRun differ = run(withPort({"diff", changed, "controller"}));
    EXPECT_EQ(differ.code, 1);
    EXPECT_EQ(differ.out, "Cruise: true -> false\nMaxMotorCurrent: 80 -> 100\n");
    const CliRun reversed = run(withPort({"diff", "controller", changed}));
    EXPECT_EQ(reversed.code, 1);
    EXPECT_EQ(reversed.out, "MaxMotorCurrent: 100 -> 80\nCruise: false -> true\n");

    // A document that names few fields says nothing of the others.
    const QString partial = writeFile(
        "partial.json",
        R"({"format": "norvel-configuration", "version": 1, "fields": {"StartupDelay": 5}})");
    EXPECT_EQ(run(withPort({"diff", partial})).code, 0);
    EXPECT_EQ(run(withPort({"diff", partial, changed})).code, 0);

    // Images against each other, with no controller involved.
    const ConfigBlock a = controllerImage();
    ConfigBlock b = a;
    b.set(Field::StartupDelay, 7);
    b.setFlag(Field::Abs, false);
    const QString aPath = writeFile("a.bin", a.toByteArray());
    const QString bPath = writeFile("b.bin", b.toByteArray());
    const QString none = dir.filePath("ttyNone");
    EXPECT_EQ(run({"--port", none, "diff", aPath, aPath}).code, 0);
    const CliRun images = run({"--port", none, "diff", aPath, bPath});
    EXPECT_EQ(images.code, 1);
    EXPECT_EQ(images.out, "StartupDelay: 5 -> 7\nAbs: true -> false\n");
    EXPECT_EQ(run(withPort({"diff", aPath})).code, 0);
    EXPECT_EQ(run({"--port", none, "diff", aPath, same}).code, 0);

    // A field only one of two images' controllers uses is listed against "-".
    ConfigBlock basic;
    ASSERT_TRUE(presetImage("basic", &basic, nullptr, nullptr));
    const CliRun versions =
        run({"--port", none, "diff", writeFile("basic.bin", basic.toByteArray()), aPath});
    EXPECT_EQ(versions.code, 1);
    EXPECT_TRUE(versions.out.contains("MotorTopSpeed: - -> 100\n")) << versions.out.toStdString();
}

TEST_F(CliConfigTest, DiffExitsTwoOnBadInputOrNoController)
{
    const QString image = writeFile("a.bin", controllerImage().toByteArray());
    const QStringList bad = {
        writeFile("short.bin", QByteArray(127, '\x01')),
        writeFile("long.bin", QByteArray(129, '\x01')),
        writeFile("empty.bin", QByteArray()),
        writeFile("other.json", R"({"format": "something else", "version": 1})"),
        writeFile("unknown.json",
                  R"({"format": "norvel-configuration", "version": 1, "fields": {"Bogus": 1}})"),
        dir.filePath("absent.json"),
    };
    for (const QString& path : bad) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(run(withPort({"diff", path, image})).code, 2);
        EXPECT_EQ(run(withPort({"diff", image, path})).code, 2);
    }

    // No controller: trouble, not a difference.
    const CliRun none = run({"--port", dir.filePath("ttyNone"), "diff", image});
    EXPECT_EQ(none.code, 2);
    EXPECT_TRUE(none.out.isEmpty());
    server->addFault({SimFault::NoReply, CMD_READ, 3});
    const CliRun broken = run(withPort({"diff", image}));
    EXPECT_EQ(broken.code, 2);
    EXPECT_TRUE(broken.err.contains("READ")) << broken.err.toStdString();
}

// This controller's image starts with the bytes 0C 7B, which read as white space and '{'.
TEST_F(CliConfigTest, DiffTakesAnImageThatStartsLikeJsonForAnImage)
{
    ASSERT_EQ(
        run(withPort({"set", "NoiseReduction=false", "PowerOnHighPedalDisable=true", "--yes"}))
            .code,
        0);
    const QString path = dir.filePath("image.bin");
    ASSERT_EQ(run(withPort({"read", "-o", path})).code, 0);
    ASSERT_TRUE(readFile(path).startsWith("\x0C{"));
    const CliRun r = run(withPort({"diff", path}));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
}

// A script's empty list must not import the whole document.
TEST_F(CliConfigTest, ImportRefusesAnOnlyThatNamesNoField)
{
    const QString path = writeFile("doc.json", edited(exported(server), {{"MaxMotorCurrent", 80}}));
    for (const QString& only : {QString(), QString(",")}) {
        const CliRun r = run(withPort({"import", path, "--only", only, "--yes"}));
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    }
    EXPECT_EQ(server->commitCount(), 0);
}

} // namespace
