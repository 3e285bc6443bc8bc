// Start-up of norvel-controller as a process: options, and a missing resource module.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kProgram = QStringLiteral(NORVEL_BUNDLE_DIR "/norvel-controller");

struct Outcome
{
    int code;
    QString out;
    QString err;
};

// The environment of a session without any display: over ssh, in a script.
QProcessEnvironment withoutDisplay()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    return env;
}

QProcessEnvironment offscreen()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

// The exit code is -1 when the program crashed or aborted.
Outcome runProgram(const QString& program, const QStringList& args,
                   const QString& workingFolder = QString(),
                   const QProcessEnvironment& env = offscreen())
{
    QProcess p;
    if (!workingFolder.isEmpty())
        p.setWorkingDirectory(workingFolder);
    p.setProcessEnvironment(env);
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(20000)) << program.toStdString();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

TEST(Startup, MissingResourceModuleIsReportedWithTheFoldersSearched)
{
    QTemporaryDir dir;
    const QString copy = dir.filePath("norvel-controller");
    ASSERT_TRUE(QFile::copy(kProgram, copy));
    QFile(copy).setPermissions(QFile(kProgram).permissions());
    const Outcome o = runProgram(copy, {});
    EXPECT_NE(o.code, 0);
    EXPECT_TRUE(o.err.contains("english.rcc")) << o.err.toStdString();
    EXPECT_TRUE(o.err.contains(dir.path())) << o.err.toStdString();
}

// An installed tree (bin/ and share/norvel-controller/) works wherever it was unpacked and from
// any working folder; an unknown preset is refused only after the module was loaded.
TEST(Startup, InstalledProgramFindsItsModulesFromAnyWorkingFolder)
{
    QTemporaryDir root;
    ASSERT_TRUE(QDir().mkpath(root.filePath("usr/bin")));
    ASSERT_TRUE(QDir().mkpath(root.filePath("usr/share/norvel-controller")));
    const QString copy = root.filePath("usr/bin/norvel-controller");
    ASSERT_TRUE(QFile::copy(kProgram, copy));
    QFile(copy).setPermissions(QFile(kProgram).permissions());
    for (const char* module : {"english.rcc", "chinese.rcc"})
        ASSERT_TRUE(QFile::copy(QStringLiteral(NORVEL_BUNDLE_DIR "/") + module,
                                root.filePath("usr/share/norvel-controller/") + module));
    for (const char* language : {"english", "chinese"}) {
        const Outcome o =
            runProgram(copy, {"--language", language, "--demo", "nosuch"}, QStringLiteral("/"));
        EXPECT_EQ(o.code, 2) << language << ": " << o.err.toStdString();
        EXPECT_TRUE(o.err.contains("unknown preset")) << o.err.toStdString();
    }
}

TEST(Startup, EveryProgramPrintsItsNameAndTheProjectVersion)
{
    for (const char* program : {"norvel-controller", "norvelctl", "norvel-sim"}) {
        const Outcome o = runProgram(QStringLiteral(NORVEL_BUNDLE_DIR "/") + program, {"--version"},
                                     QString(), withoutDisplay());
        EXPECT_EQ(o.code, 0) << program;
        EXPECT_EQ(o.out, QStringLiteral("%1 %2\n").arg(program, NORVEL_VERSION));
    }
}

// Without a display the help works, and the window is refused in one line, never by an abort.
TEST(Startup, WithoutADisplayHelpWorksAndTheWindowIsRefusedInOneLine)
{
    const Outcome help = runProgram(kProgram, {"--help"}, QString(), withoutDisplay());
    EXPECT_EQ(help.code, 0) << help.err.toStdString();
    EXPECT_TRUE(help.out.contains("--professional")) << help.out.toStdString();

    QProcessEnvironment unreachable = withoutDisplay();
    unreachable.insert("DISPLAY", ":9999");
    unreachable.insert("QT_QPA_PLATFORM", "xcb");
    for (const QProcessEnvironment& env : {withoutDisplay(), unreachable}) {
        for (const QStringList& args : {QStringList{}, QStringList{"--demo"}}) {
            const Outcome o = runProgram(kProgram, args, QString(), env);
            EXPECT_EQ(o.code, 1) << o.err.toStdString();
            EXPECT_EQ(o.err.count('\n'), 1) << o.err.toStdString();
            EXPECT_TRUE(o.err.startsWith("norvel-controller: needs a graphical session"))
                << o.err.toStdString();
        }
    }
}

TEST(Startup, OptionsAreCheckedBeforeAnyWindow)
{
    const Outcome help = runProgram(kProgram, {"--help"});
    EXPECT_EQ(help.code, 0);
    for (const char* option : {"--port", "--demo", "--language", "--backup-dir", "--version"})
        EXPECT_TRUE(help.out.contains(option)) << option;
    const Outcome version = runProgram(kProgram, {"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_FALSE(version.out.trimmed().isEmpty());
    const Outcome unknown = runProgram(kProgram, {"--colour"});
    EXPECT_EQ(unknown.code, 2);
    EXPECT_TRUE(unknown.err.contains("colour")) << unknown.err.toStdString();
    const Outcome language = runProgram(kProgram, {"--language", "klingon"});
    EXPECT_EQ(language.code, 2);
    EXPECT_TRUE(language.err.contains("klingon"));
    const Outcome preset = runProgram(kProgram, {"--demo", "nosuch"});
    EXPECT_EQ(preset.code, 2);
    EXPECT_TRUE(preset.err.contains("basic"));
    const Outcome import = runProgram(kProgram, {"--import", "/no/such/batch.json"});
    EXPECT_EQ(import.code, 2);
    EXPECT_TRUE(import.err.contains("/no/such/batch.json")) << import.err.toStdString();
    EXPECT_TRUE(help.out.contains("--import"));
    for (const char* option : {"--professional", "--open", "--choose-mode"})
        EXPECT_TRUE(help.out.contains(option)) << option;
    const Outcome both = runProgram(kProgram, {"--professional", "--import", kProgram});
    EXPECT_EQ(both.code, 2);
    EXPECT_TRUE(both.err.contains("exclude")) << both.err.toStdString();
    const Outcome openAlone = runProgram(kProgram, {"--open", kProgram});
    EXPECT_EQ(openAlone.code, 2);
    EXPECT_TRUE(openAlone.err.contains("--professional")) << openAlone.err.toStdString();
    const Outcome absent = runProgram(kProgram, {"--professional", "--open", "/no/such/image.bin"});
    EXPECT_EQ(absent.code, 2);
    EXPECT_TRUE(absent.err.contains("/no/such/image.bin")) << absent.err.toStdString();
}

} // namespace
