// norvelctl and the files around it: a full disk, planted links, endless input and controllers
// that share a key. Nothing reaches the controller unless its image is safe on disk.
#include "backup_file.h"
#include "backup_history.h"
#include "cli_fixture.h"
#include "config_document.h"
#include "small_disk.h"

#include <QDir>

#include <gtest/gtest.h>

#include <csignal>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

extern char** environ;

namespace {

class CliFilesTest : public CliFixture
{
protected:
    QString documentSetting(int maxMotorCurrent)
    {
        return writeFile("doc.json", QStringLiteral(R"({"format": "norvel-configuration",
                                                        "version": 1,
                                                        "fields": {"MaxMotorCurrent": %1}})")
                                         .arg(maxMotorCurrent)
                                         .toUtf8());
    }
    // The writing commands, each changing MaxMotorCurrent, with the backups in `folder`.
    QList<QStringList> writingCommands(const QString& folder)
    {
        ConfigBlock changed = controllerImage();
        changed.set(Field::MaxMotorCurrent, 61);
        const QString imagePath = writeFile("changed.bin", changed.toByteArray());
        const QStringList head = {"--port", server->devicePath(), "--backup-dir", folder};
        return {head + QStringList{"set", "MaxMotorCurrent=61", "--yes"},
                head + QStringList{"import", documentSetting(61), "--yes"},
                head + QStringList{"write", imagePath, "--yes"}};
    }
    // Runs every writing command; none may write the controller or say it saved an image.
    void expectEveryWriteRefused(const QString& folder, const char* why)
    {
        const ConfigBlock before = server->storedImage();
        for (const QStringList& args : writingCommands(folder)) {
            SCOPED_TRACE(args.mid(4, 1).join(' ').toStdString());
            const CliRun r = run(args);
            EXPECT_EQ(r.code, kExitLink) << r.err.toStdString();
            EXPECT_TRUE(r.err.contains(why) && r.err.contains("nothing written"))
                << r.err.toStdString();
            EXPECT_FALSE(r.err.contains("Saved the controller's image")) << r.err.toStdString();
            EXPECT_EQ(server->storedImage(), before);
        }
    }
};

TEST_F(CliFilesTest, OnAFullDiskNothingIsWrittenToTheControllerAndNoEmptyBackupIsLeft)
{
    for (const bool full : {true, false}) { // full, or with room for the first image only
        SCOPED_TRACE(full);
        SmallDisk disk(1);
        SKIP_WITHOUT_SMALL_DISK(disk);
        if (full) {
            ASSERT_TRUE(disk.fill());
        }
        expectEveryWriteRefused(disk.path(), "No space left");
        for (const BackupEntry& e : BackupHistory(disk.path()).list())
            EXPECT_EQ(readFile(e.path), controllerImage().toByteArray()) << "whole or absent";
    }
}

TEST_F(CliFilesTest, OnAFullDiskAnExportOrReadFailsAndKeepsTheEarlierFile)
{
    SmallDisk disk(2);
    SKIP_WITHOUT_SMALL_DISK(disk);
    const QString earlier = disk.filePath("earlier");
    {
        QFile f(earlier);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("the earlier copy");
    }
    ASSERT_TRUE(disk.fill());
    for (const QStringList& command :
         {QStringList{"export", earlier}, QStringList{"read", "-o", earlier}}) {
        const CliRun r = run(withPort(command));
        EXPECT_NE(r.code, kExitOk) << command.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("No space left")) << r.err.toStdString();
        EXPECT_EQ(readFile(earlier), "the earlier copy");
    }
}

TEST_F(CliFilesTest, ALinkPlantedUnderTheBackupsNameStopsTheWrite)
{
    const QString folder = dir.filePath("backups");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString target = dir.filePath("target");
    ASSERT_TRUE(QFile::link(target, BackupFile(folder, ControllerKey(controllerImage())).path()));
    expectEveryWriteRefused(folder, "symbolic link");
    EXPECT_FALSE(QFile::exists(target)) << "nothing written where the link points";
    EXPECT_FALSE(QFileInfo::exists(BackupHistory(folder).historyDirectory()));
}

TEST_F(CliFilesTest, InputThatNeverEndsIsTooLargeAtOnce)
{
    const QString zero = dir.filePath("zero.json");
    ASSERT_TRUE(QFile::link("/dev/zero", zero));
    const QString fifo = dir.filePath("endless.json");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& endless : {zero, fifo}) {
        for (const QStringList& command :
             {QStringList{"import", endless, "--yes"}, QStringList{"diff", endless},
              QStringList{"diff", documentSetting(60), endless},
              QStringList{"plot", dir.filePath("p.png"), "--from", endless},
              QStringList{"write", endless, "--yes"},
              QStringList{"station", endless, "--yes", "--record", dir.filePath("r.sqlite")}}) {
            SCOPED_TRACE(command.join(' ').toStdString());
            // The pipe's writer goes on until norvelctl has stopped reading.
            pid_t writer = -1;
            const QByteArray name = QFile::encodeName(endless);
            const char* argv[] = {
                "sh", "-c", "exec cat /dev/zero > \"$1\"", "sh", name.constData(), nullptr};
            if (endless == fifo) {
                ASSERT_EQ(::posix_spawn(&writer, "/bin/sh", nullptr, nullptr,
                                        const_cast<char**>(argv), environ),
                          0);
            }
            const CliRun r = run(withPort(command));
            EXPECT_EQ(r.code, kExitUsage);
            EXPECT_TRUE(r.err.contains("too large") || r.err.contains("128-byte"))
                << r.err.toStdString();
            if (writer > 0) {
                ::kill(writer, SIGKILL); // still waiting for a reader, had the test failed
                int status = 0;
                ::waitpid(writer, &status, 0);
            }
        }
    }
}

TEST_F(CliFilesTest, ControllersSharingAKeyKeepEveryDocumentAndEveryHistoryImage)
{
    // Fresh units: the same software version and serial number on every one.
    for (int i = 0; i < 3; ++i)
        ASSERT_NE(startServer(image(controllerImage())), nullptr);
    QStringList ports;
    for (const auto& s : servers)
        ports << "--port" << s->devicePath();
    const QStringList all = ports + QStringList{"--backup-dir", dir.path(), "--all"};
    const QString key = ControllerKey(controllerImage());

    const QString folder = dir.filePath("bench");
    const CliRun exported = run(all + QStringList{"export", folder});
    ASSERT_EQ(exported.code, kExitOk) << exported.err.toStdString();
    const QStringList files = QDir(folder).entryList(QDir::Files);
    EXPECT_EQ(files.size(), 4) << files.join(' ').toStdString();
    EXPECT_TRUE(files.contains(key + ".json"));
    EXPECT_EQ(exported.err.count("has the key " + key), 3) << exported.err.toStdString();
    for (const QString& file : files)
        EXPECT_TRUE(exported.out.contains(QDir(folder).filePath(file)));

    const CliRun set = run(all + QStringList{"set", "MaxMotorCurrent=61", "--yes"});
    ASSERT_EQ(set.code, kExitOk) << set.err.toStdString();
    int history = 0;
    for (const BackupEntry& e : BackupHistory(dir.path()).list())
        history += e.first ? 0 : 1;
    EXPECT_EQ(history, 4) << "one history image per controller";
}

} // namespace
