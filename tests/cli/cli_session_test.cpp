// norvelctl's writes under the shared workflow: controllers the tool does not serve, the legacy
// control mode, settings that do not work together, the backup policy and a lost COMMIT reply.
#include "cli_fixture.h"
#include "frame.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

class CliSessionTest : public CliFixture
{
protected:
    // A configuration document naming these fields ("Name":value,...) and no controller.
    static QByteArray document(const QString& fields)
    {
        return QStringLiteral(R"({"format":"norvel-configuration","version":1,"fields":{%1}})")
            .arg(fields)
            .toUtf8();
    }
    // Each writing command, as it would go onto `s`.
    QList<QStringList> writingCommands(const SimServer* s)
    {
        const QString image = writeFile("image.bin", controllerImageOf(s).toByteArray());
        const QString doc = writeFile("doc.json", document(R"("MaxMotorCurrent":60)"));
        return {{"set", "MaxMotorCurrent=60", "--yes"},
                {"import", doc, "--yes"},
                {"write", image, "--yes", "--force"}};
    }
};

TEST_F(CliSessionTest, ControllersTheToolDoesNotServeAreNeverWritten)
{
    for (const char* name : {"unsupported", "special"}) {
        SimServer* s = startServer(preset(name));
        ASSERT_NE(s, nullptr);
        for (const QStringList& command : writingCommands(s)) {
            SCOPED_TRACE(std::string(name) + " " + command.first().toStdString());
            const CliRun r = run(withPortOf(s, command));
            EXPECT_EQ(r.code, 2);
            EXPECT_TRUE(
                r.err.contains(name == std::string("special") ? "special version" : "series XQZ"))
                << r.err.toStdString();
        }
        EXPECT_EQ(s->frameCount(CMD_WRITE), 0);
        EXPECT_EQ(run(withPortOf(s, {"show"})).code, 0); // reading stays possible
    }
}

TEST_F(CliSessionTest, SetOnALegacyControllerConvertsItsControlModeAsTheWizardDoes)
{
    SimServer* s = startServer(preset("legacy"));
    ASSERT_NE(s, nullptr);
    const CliRun r = run(withPortOf(s, {"set", "MaxMotorCurrent=60", "--yes"}));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("legacy control mode")) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("ControlMode: 2 -> 3")) << r.out.toStdString();
    const ConfigBlock stored = s->storedImage();
    EXPECT_EQ(stored.get(Field::MaxMotorCurrent), 60u);
    EXPECT_EQ(stored.get(Field::ControlMode), 3u);
    EXPECT_EQ(stored.get(Field::ControlModeCopy), 3u);
    EXPECT_EQ(stored.get(Field::SpeedMode), 0u);
}

TEST_F(CliSessionTest, SettingsThatDoNotWorkTogetherAreRefusedUnlessForced)
{
    const QStringList pairs[] = {{"UnderVoltage=86", "OverVoltage=84"},
                                 {"ResumeOutputTemperature=130", "StopOutputTemperature=110"}};
    for (const QStringList& pair : pairs) {
        SCOPED_TRACE(pair.join(' ').toStdString());
        const int writes = server->frameCount(CMD_WRITE);
        const QString doc = writeFile(
            "pair.json", document(QStringLiteral(R"("%1":%2,"%3":%4)")
                                      .arg(pair[0].section('=', 0, 0), pair[0].section('=', 1),
                                           pair[1].section('=', 0, 0), pair[1].section('=', 1))));
        for (const QStringList& command : {QStringList{"set"} + pair + QStringList{"--yes"},
                                           QStringList{"import", doc, "--yes"}}) {
            const CliRun refused = run(withPort(command));
            EXPECT_EQ(refused.code, 2) << refused.err.toStdString();
            for (const QString& assignment : pair) // both fields with their values
                EXPECT_TRUE(refused.err.contains(assignment.section('=', 0, 0) + ' ' +
                                                 assignment.section('=', 1)))
                    << refused.err.toStdString();
        }
        EXPECT_EQ(server->frameCount(CMD_WRITE), writes);
        const CliRun forced =
            run(withPort(QStringList{"set"} + pair + QStringList{"--yes", "--force"}));
        EXPECT_EQ(forced.code, 0) << forced.err.toStdString();
    }
    EXPECT_EQ(server->commitCount(), 2);
}

TEST_F(CliSessionTest, NothingIsWrittenWithoutABackupUnlessNoBackupSaysSo)
{
    const QString notAFolder = writeFile("occupied", "a file where the folder should be");
    const QStringList args = {"--port", server->devicePath(), "--backup-dir", notAFolder,
                              "set",    "MaxMotorCurrent=60", "--yes"};
    const CliRun refused = run(args);
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(refused.err.contains(notAFolder)) << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains("--no-backup")) << refused.err.toStdString();
    EXPECT_EQ(server->frameCount(CMD_WRITE), 0);

    const CliRun accepted = run(args + QStringList{"--no-backup"});
    EXPECT_EQ(accepted.code, 0) << accepted.err.toStdString();
    EXPECT_EQ(server->storedImage().get(Field::MaxMotorCurrent), 60u);
}

TEST_F(CliSessionTest, ALostCommitReplySaysWhatTheControllerNowHolds)
{
    struct Case
    {
        std::vector<SimFault> faults;
        const char* says;
    };
    const Case cases[] = {
        {{{SimFault::NoReply, CMD_COMMIT, 1}}, "holds the new configuration"},
        {{{SimFault::NoReply, CMD_COMMIT, 1}, {SimFault::LostCommit, CMD_COMMIT, 1}},
         "keeps its old configuration"},
        {{{SimFault::NoReply, CMD_COMMIT, 1}, {SimFault::NoReply, CMD_READ, 8 + 1}}, "cannot tell"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        SimServer* s = startServer(SimOptions{});
        ASSERT_NE(s, nullptr);
        for (const SimFault& f : c.faults)
            s->addFault(f);
        const CliRun r = run(withPortOf(s, {"set", "MaxMotorCurrent=60", "--yes"}));
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("COMMIT")) << r.err.toStdString();
    }
}

} // namespace
