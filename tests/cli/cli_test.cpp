// norvelctl's commands against the simulated controller: output formats, refusals, exit codes.
#include "cli_fixture.h"
#include "transfers.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

using CliTest = CliFixture;

TEST_F(CliTest, ProbePrintsPortVersionAndKey)
{
    const CliRun r = run(withPort({"probe"}));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const ConfigBlock image = controllerImage();
    EXPECT_EQ(
        r.out,
        QString("%1 %2 %3\n").arg(server->devicePath(), versionText(image), ControllerKey(image)));
}

TEST_F(CliTest, ReadGivesAHexDumpOrTheRawFile)
{
    const CliRun dump = run(withPort({"read"}));
    ASSERT_EQ(dump.code, 0) << dump.err.toStdString();
    const QStringList lines = dump.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 8);
    EXPECT_TRUE(lines[5].startsWith("50: ")) << lines[5].toStdString();
    EXPECT_EQ(lines[5].split(' ').size(), 17);

    const QString path = dir.filePath("image.bin");
    const CliRun file = run(withPort({"read", "-o", path}));
    ASSERT_EQ(file.code, 0) << file.err.toStdString();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), controllerImage().toByteArray());
}

TEST_F(CliTest, WriteCommitsAFileOfTheSameController)
{
    ConfigBlock image = controllerImage();
    image.set(Field::MaxMotorCurrent, 77);
    const QString path = writeFile("edit.bin", image.toByteArray());
    const CliRun r = run(withPort({"write", path, "--yes"}));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(server->storedImage().get(Field::MaxMotorCurrent), 77u);
    EXPECT_EQ(server->commitCount(), 1);
}

TEST_F(CliTest, WriteRefusesBadFilesOtherControllersAndANoAnswer)
{
    EXPECT_EQ(run(withPort({"write", writeFile("short.bin", QByteArray(127, 0)), "--yes"})).code,
              2);
    EXPECT_EQ(run(withPort({"write", writeFile("long.bin", QByteArray(129, 0)), "--yes"})).code, 2);
    EXPECT_EQ(run(withPort({"write", dir.filePath("absent.bin"), "--yes"})).code, 2);

    ConfigBlock other = controllerImage();
    other.setByte(79, other.byte(79) ^ 1); // another serial number
    const QString otherPath = writeFile("other.bin", other.toByteArray());
    const CliRun refused = run(withPort({"write", otherPath, "--yes"}));
    EXPECT_EQ(refused.code, 2);
    EXPECT_TRUE(refused.err.contains("--force"));
    EXPECT_EQ(server->commitCount(), 0);

    const CliRun no = run(withPort({"write", otherPath, "--force"}), "n\n");
    EXPECT_EQ(no.code, 2);
    EXPECT_EQ(server->commitCount(), 0);

    const CliRun yes = run(withPort({"write", otherPath, "--force"}), "y\n");
    EXPECT_EQ(yes.code, 0) << yes.err.toStdString();
    EXPECT_EQ(server->commitCount(), 1);
}

TEST_F(CliTest, FailedExchangesExitWithOneAndSayWhich)
{
    server->addFault({SimFault::NoReply, CMD_COMMIT, 1});
    const QString path = writeFile("same.bin", controllerImage().toByteArray());
    const CliRun r = run(withPort({"write", path, "--yes"}));
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("COMMIT")) << r.err.toStdString();

    const CliRun none = run({"--port", dir.filePath("ttyNone"), "probe"});
    EXPECT_EQ(none.code, 1);
    EXPECT_TRUE(none.err.contains("absent")) << none.err.toStdString();
}

// A command line that cannot run: one line naming the problem, one saying where the help is.
TEST_F(CliTest, UsageErrorsNameTheProblemPointToTheHelpAndExitWithTwo)
{
    const struct
    {
        QStringList args;
        const char* problem;
    } cases[] = {
        {{}, "no command given"},
        {{"frobnicate"}, "unknown command 'frobnicate'"},
        {{"read", "extra"}, "wrong number of arguments for 'read'"},
        {{"probe", "-o", "x"}, "-o is not an option of 'probe'"},
        {{"read", "--yes"}, "--yes is not an option of 'read'"},
        {{"--bogus", "read"}, "bogus"},
        {{"read", "--port"}, "--port"},
        {{"import", "doc.json", "--only", ","}, "--only names no field"},
        {{"--all", "get", "StartupDelay"}, "--all works with"},
        {{"plot", "curves.gif"}, "must end in .png or .svg"},
        {{"plot", "curves.png", "--curve", "spiral"},
         "one of throttle, regen, voltage, temperature"},
        {{"fields", "readable"}, "not 'readable'"},
        {{"station"}, "wrong number of arguments for 'station'"},
        {{"station", "doc.json", "--units", "0"}, "--units 0: expected a positive number"},
        {{"station", "doc.json", "--csv"}, "--csv is not an option of 'station'"},
        {{"records", "--since", "yesterday"}, "--since yesterday: expected an ISO 8601 time"},
        {{"records", "--result", "maybe"}, "--result takes pass or fail"},
        {{"records", "--operator", "Ann"}, "--operator is not an option of 'records'"},
    };
    for (const auto& c : cases) {
        const CliRun r = run(c.args);
        SCOPED_TRACE(c.args.join(' ').toStdString() + "\n" + r.err.toStdString());
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.out.isEmpty());
        const QStringList lines = r.err.split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 2);
        EXPECT_TRUE(lines[0].startsWith("norvelctl: ") && lines[0].contains(c.problem));
        EXPECT_EQ(lines[1], "Try 'norvelctl --help'");
    }
    const CliRun help = run({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.contains("write FILE"));
    const CliRun version = run({"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out, "norvelctl " NORVEL_VERSION "\n");
}

TEST_F(CliTest, TracePrintsEveryFrameInHex)
{
    const CliRun r = run(withPort({"--trace", "probe"}));
    ASSERT_EQ(r.code, 0);
    EXPECT_TRUE(r.err.contains("> 11 00 11")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("> F2 03 00 10 00 05"));
    EXPECT_TRUE(r.err.contains("< F1 00 F1"));
}

} // namespace

// Another norvelctl, waiting at the motor question, holds the controller's port.
TEST_F(CliTest, BusyPortNamesTheProgramHoldingIt)
{
    QProcess holder;
    holder.setProcessChannelMode(QProcess::MergedChannels);
    holder.start(QStringLiteral(NORVEL_BUNDLE_DIR "/norvelctl"),
                 withPort({"set", "StartupDelay=4"}));
    ASSERT_TRUE(holder.waitForStarted());
    QByteArray said;
    while (!said.contains("Is the motor stopped?") && holder.waitForReadyRead(10000))
        said += holder.readAll();
    ASSERT_TRUE(said.contains("Is the motor stopped?")) << said.toStdString();

    const CliRun busy = run(withPort({"probe"}));
    EXPECT_EQ(busy.code, 1);
    EXPECT_TRUE(busy.err.contains(QStringLiteral("%1: busy (held by norvelctl, process %2)")
                                      .arg(server->devicePath())
                                      .arg(holder.processId())))
        << busy.err.toStdString();

    holder.write("n\n");
    holder.closeWriteChannel();
    EXPECT_TRUE(holder.waitForFinished(10000));
    EXPECT_EQ(server->commitCount(), 0);
    EXPECT_EQ(run(withPort({"probe"})).code, 0) << "free again";
}
