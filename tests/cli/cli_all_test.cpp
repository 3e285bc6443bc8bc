// norvelctl --all: every controller of the bench at once, and stable port names.
#include "cli_fixture.h"
#include "config_document.h"
#include "link.h"
#include "silent_pty.h"
#include "transfers.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

class CliAllTest : public CliFixture
{
protected:
    // `count` more controllers of the same model, each with a serial number of its own; the
    // fixture's first one included, they are servers[0..count].
    void startBench(int count, const QList<SimFault>& faultsOfLast = {})
    {
        for (int i = 1; i <= count; ++i) {
            ConfigBlock block = controllerImage();
            block.setByte(79, static_cast<std::uint8_t>(block.byte(79) + i));
            SimOptions options = image(block);
            if (i == count)
                options.faults = faultsOfLast;
            ASSERT_NE(startServer(options), nullptr);
        }
    }
    QStringList benchArguments(const QStringList& args) const
    {
        QStringList ports;
        for (const auto& s : servers)
            ports << "--port" << s->devicePath();
        return ports + QStringList{"--backup-dir", dir.path(), "--all"} + args;
    }
    QString document(const QString& fields)
    {
        return writeFile("doc.json",
                         QStringLiteral(R"({"format": "norvel-configuration", "version": 1,
                                           "fields": {%1}})")
                             .arg(fields)
                             .toUtf8());
    }
    bool everyLineStartsWithAPort(const QString& text, bool summaryLast) const
    {
        QStringList lines = text.split('\n', Qt::SkipEmptyParts);
        if (summaryLast && !lines.isEmpty())
            lines.removeLast();
        for (const QString& line : lines) {
            bool ok = false;
            for (const auto& s : servers)
                ok = ok || line.startsWith(s->devicePath() + ' ') ||
                     line.startsWith(s->devicePath() + ':');
            if (!ok) {
                ADD_FAILURE() << "no port: " << line.toStdString();
                return false;
            }
        }
        return true;
    }
};

TEST_F(CliAllTest, ImportOntoEveryControllerWhileOneFailsMidWrite)
{
    // The third WRITE frame of the last controller gets no answer: its write is dropped.
    startBench(2, {{SimFault::NoReply, 0xF3, 3}});
    const QString doc = document(R"("MaxMotorCurrent": 70, "StartupDelay": 9)");
    const CliRun r = run(benchArguments({"import", doc, "--yes"}));
    EXPECT_EQ(r.code, 1) << r.out.toStdString() << r.err.toStdString();
    ASSERT_EQ(servers.size(), 3u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(servers[i]->storedImage().get(Field::MaxMotorCurrent), 70u) << i;
        EXPECT_EQ(servers[i]->storedImage().get(Field::StartupDelay), 9u) << i;
        EXPECT_EQ(servers[i]->commitCount(), 1) << i;
    }
    const SimServer* failing = servers[2].get();
    EXPECT_EQ(failing->commitCount(), 0);
    EXPECT_NE(failing->storedImage().get(Field::MaxMotorCurrent), 70u);

    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    const QString summary = lines.last();
    EXPECT_TRUE(summary.startsWith(
        "all: import succeeded on 2 of 3 controllers; failed: " + failing->devicePath() + " ("))
        << summary.toStdString();
    EXPECT_TRUE(everyLineStartsWithAPort(r.out, true));
    EXPECT_TRUE(everyLineStartsWithAPort(r.err, false));
}

TEST_F(CliAllTest, OneQuestionForAllAndNoWriteWithoutAYes)
{
    startBench(1);
    const QString doc = document(R"("MaxMotorCurrent": 60)");
    const CliRun no = run(benchArguments({"import", doc}), "n\n");
    EXPECT_EQ(no.code, 2);
    EXPECT_EQ(no.err.count("Is the motor stopped?"), 1);
    for (const auto& s : servers)
        EXPECT_EQ(s->commitCount(), 0);

    const CliRun yes = run(benchArguments({"import", doc}), "y\n");
    EXPECT_EQ(yes.code, 0) << yes.err.toStdString();
    EXPECT_EQ(yes.err.count("Is the motor stopped?"), 1);
    for (const auto& s : servers)
        EXPECT_EQ(s->storedImage().get(Field::MaxMotorCurrent), 60u);
}

TEST_F(CliAllTest, ExportWritesOneDocumentPerControllerNamedByKeyAndProbeListsThemAll)
{
    startBench(2);
    SilentPty silent;
    QString error;
    ASSERT_TRUE(silent.open(&error)) << error.toStdString();
    const QString folder = dir.filePath("bench");
    const CliRun r =
        run(QStringList{"--port", silent.devicePath()} + benchArguments({"export", folder}));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QStringList expected;
    for (const auto& s : servers)
        expected << ControllerKey(controllerImageOf(s.get())) + ".json";
    expected.sort();
    EXPECT_EQ(QDir(folder).entryList(QDir::Files, QDir::Name), expected);
    for (const auto& s : servers) {
        const QByteArray json =
            readFile(QDir(folder).filePath(ControllerKey(controllerImageOf(s.get())) + ".json"));
        EXPECT_EQ(json, ConfigDocument::of(controllerImageOf(s.get())).toJson());
    }
    EXPECT_TRUE(r.out.endsWith("all: export succeeded on 3 of 3 controllers\n"))
        << r.out.toStdString();

    const CliRun probe = run(benchArguments({"probe"}));
    ASSERT_EQ(probe.code, 0) << probe.err.toStdString();
    for (const auto& s : servers)
        EXPECT_TRUE(probe.out.contains(s->devicePath() + ' ' +
                                       versionText(controllerImageOf(s.get())) + ' ' +
                                       ControllerKey(controllerImageOf(s.get())) + '\n'));
    EXPECT_TRUE(everyLineStartsWithAPort(probe.out, true));
}

// Standard output is one JSON document, which scripts read as such; the summary is on stderr.
TEST_F(CliAllTest, ShowJsonIsOneDocumentKeyedByPortWithAFailureAsItsError)
{
    startBench(1, {{SimFault::NoReply, 0xF2, 1}});
    const CliRun r = run(benchArguments({"show", "--json"}));
    EXPECT_EQ(r.code, 1);
    QJsonParseError error{};
    const QJsonObject all = QJsonDocument::fromJson(r.out.toUtf8(), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out.toStdString();
    ASSERT_EQ(all.size(), 2) << r.out.toStdString();
    const SimServer* good = servers[0].get();
    EXPECT_EQ(
        all.value(good->devicePath()).toObject(),
        QJsonDocument::fromJson(ConfigDocument::of(controllerImageOf(good)).toJson()).object());
    EXPECT_TRUE(all.value(servers[1]->devicePath())["error"].toString().startsWith("reading"))
        << r.out.toStdString();
    EXPECT_TRUE(r.err.contains("all: show succeeded on 1 of 2 controllers")) << r.err.toStdString();

    SilentPty silent;
    QString why;
    ASSERT_TRUE(silent.open(&why)) << why.toStdString();
    const CliRun none = run({"--port", silent.devicePath(), "--all", "show", "--json"});
    EXPECT_EQ(none.code, 1);
    EXPECT_EQ(QJsonDocument::fromJson(none.out.toUtf8()).object(), QJsonObject());
    EXPECT_TRUE(none.err.contains("all: no controller found")) << none.err.toStdString();
}

TEST_F(CliAllTest, NoControllerFoundOrAnotherCommandIsAFailure)
{
    SilentPty silent;
    QString error;
    ASSERT_TRUE(silent.open(&error)) << error.toStdString();
    const CliRun none = run({"--port", silent.devicePath(), "--all", "probe"});
    EXPECT_EQ(none.code, 1);
    EXPECT_EQ(none.out, "all: no controller found; no answer on " + silent.devicePath() + "\n");

    EXPECT_EQ(run(benchArguments({"get", "MaxMotorCurrent"})).code, 2);
    EXPECT_EQ(run(benchArguments({"export"})).code, 2); // the folder is missing
    EXPECT_EQ(server->frameCount(0x11), 0);             // refused before any port was opened
}

TEST_F(CliAllTest, StablePortNamesAreShownAndTaken)
{
    const QString byId = dir.filePath("by-id");
    ASSERT_TRUE(QDir().mkpath(byId));
    const QString link = byId + "/usb-Maker_Bridge_0001-if00-port0";
    ASSERT_TRUE(QFile::link(server->devicePath(), link));
    EXPECT_EQ(stablePortPath(server->devicePath(), byId), link);
    EXPECT_EQ(stablePortPath("/dev/no-such-port", byId), QString());
    EXPECT_EQ(resolvePortPath(link), server->devicePath());

    const CliRun r = run({"--port", link, "--backup-dir", dir.path(), "probe"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(server->devicePath() + ' ')) << r.out.toStdString();
}

} // namespace
