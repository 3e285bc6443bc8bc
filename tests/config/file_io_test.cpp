// Files the programs write and read: whole or absent on a full disk, never through a planted
// link, bounded when read; backup names that never collide; the backup folder always absolute.
#include "backup_file.h"
#include "backup_history.h"
#include "file_io.h"
#include "presets.h"
#include "small_disk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

ConfigBlock image()
{
    ConfigBlock block;
    EXPECT_TRUE(presetImage(QStringLiteral("full"), &block, nullptr, nullptr));
    return block;
}

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

void put(const QString& path, const QByteArray& data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(f.write(data), data.size());
}

// Every file under `folder`, hidden ones included, by path relative to it.
QStringList filesUnder(const QString& folder)
{
    QStringList files;
    const QDir dir(folder);
    for (const QFileInfo& info :
         dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (info.isDir() && !info.isSymLink())
            for (const QString& inner : filesUnder(info.filePath()))
                files << info.fileName() + QLatin1Char('/') + inner;
        else
            files << info.fileName();
    }
    return files;
}

TEST(FileIo, OnAFullDiskAWriteFailsAndTheEarlierFileStaysWhole)
{
    SmallDisk disk(2);
    SKIP_WITHOUT_SMALL_DISK(disk);
    const QString existing = disk.filePath("document.json");
    put(existing, "earlier");
    ASSERT_TRUE(disk.fill());

    const QByteArray data(100, 'x');
    for (const FileAccess access : {FileAccess::Follow, FileAccess::Own}) {
        QString error;
        EXPECT_FALSE(writeFileWhole(existing, data, &error, access));
        EXPECT_TRUE(error.contains("No space left")) << error.toStdString();
        EXPECT_EQ(contents(existing), "earlier");
        EXPECT_FALSE(writeFileWhole(disk.filePath("new.json"), data, &error, access));
    }
    EXPECT_EQ(filesUnder(disk.path()), QStringList({".filler", "document.json"}))
        << "no new, empty or temporary file";
}

TEST(FileIo, WithRoomForOneFileTheBackupBeforeAWriteFailsAndLeavesNoEmptyImage)
{
    SmallDisk disk(1);
    SKIP_WITHOUT_SMALL_DISK(disk);
    const BackupHistory history(disk.path());
    QString error;
    EXPECT_FALSE(history.saveBeforeWrite(image(), nullptr, &error));
    EXPECT_TRUE(error.contains("No space left")) << error.toStdString();

    const QList<BackupEntry> entries = history.list();
    ASSERT_EQ(entries.size(), 1) << "the first image only";
    EXPECT_TRUE(entries[0].first);
    EXPECT_EQ(contents(entries[0].path), image().toByteArray());
    EXPECT_EQ(filesUnder(disk.path()), QStringList({BackupFile::fileName(ControllerKey(image()))}))
        << "no empty history image";
}

// What a prepared backup folder may hold under a backup's name.
struct Plant
{
    const char* what;
    std::function<void(const QString& name, const QString& elsewhere)> make;
};

TEST(FileIo, BackupsAreNeverWrittenThroughALinkNorOverAnotherKindOfFile)
{
    const Plant plants[] = {
        {"dangling link", [](const QString& n, const QString& e) { QFile::link(e, n); }},
        {"link to an empty file",
         [](const QString& n, const QString& e) {
             put(e, "");
             QFile::link(e, n);
         }},
        {"link to a file",
         [](const QString& n, const QString& e) {
             put(e, QByteArray(128, 'o'));
             QFile::link(e, n);
         }},
        {"fifo", [](const QString& n,
                    const QString&) { ::mkfifo(QFile::encodeName(n).constData(), 0600); }},
        {"folder", [](const QString& n, const QString&) { QDir().mkpath(n); }},
        {"another user's file",
         [](const QString& n, const QString&) {
             put(n, "");
             if (::chown(QFile::encodeName(n).constData(), ::geteuid() + 1, ::getegid()) != 0)
                 GTEST_SKIP() << "cannot give a file away without root";
         }},
    };
    const QString key = ControllerKey(image());
    for (const Plant& plant : plants) {
        SCOPED_TRACE(plant.what);
        QTemporaryDir dir;
        const QString elsewhere = dir.filePath("elsewhere");
        const BackupHistory history(dir.filePath("backups"));
        ASSERT_TRUE(QDir().mkpath(history.directory()));
        const QString first = BackupFile(history.directory(), key).path();
        plant.make(first, elsewhere);
        if (testing::Test::IsSkipped())
            return;
        const QStringList before = filesUnder(dir.path());
        const QByteArray target = contents(elsewhere);

        QString error;
        EXPECT_FALSE(history.saveBeforeWrite(image(), nullptr, &error));
        EXPECT_TRUE(error.contains(first) && error.contains("refused")) << error.toStdString();
        ConfigBlock read;
        EXPECT_FALSE(BackupFile(history.directory(), key).read(&read, &error));
        EXPECT_EQ(contents(elsewhere), target);
        EXPECT_EQ(filesUnder(dir.path()), before) << "nothing written anywhere";
    }
}

TEST(FileIo, AHistoryFolderThatIsALinkIsNotWrittenInto)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir().mkpath(dir.filePath("elsewhere")));
    const BackupHistory history(dir.path());
    ASSERT_TRUE(QFile::link(dir.filePath("elsewhere"), history.historyDirectory()));
    QString error;
    EXPECT_FALSE(history.save(image(), nullptr, &error));
    EXPECT_TRUE(error.contains("symbolic link")) << error.toStdString();
    EXPECT_TRUE(QDir(dir.filePath("elsewhere")).isEmpty());
}

TEST(FileIo, HistoryImagesSavedInTheSameMillisecondAllKeepTheirOwnName)
{
    QTemporaryDir dir;
    const BackupHistory history(dir.path());
    const QDateTime when = QDateTime::currentDateTimeUtc();
    constexpr int kThreads = 8, kEach = 4;
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            ConfigBlock mine = image();
            mine.set(Field::MaxMotorCurrent, static_cast<std::uint32_t>(t));
            for (int i = 0; i < kEach; ++i)
                if (!history.save(mine, nullptr, nullptr, when))
                    ++failures;
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(failures, 0);
    const QList<BackupEntry> entries = history.list();
    ASSERT_EQ(entries.size(), kThreads * kEach);
    QMap<std::uint32_t, int> perThread;
    for (const BackupEntry& e : entries)
        ++perThread[ConfigBlock::fromByteArray(contents(e.path)).get(Field::MaxMotorCurrent)];
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(perThread.value(static_cast<std::uint32_t>(t)), kEach) << t;
}

TEST(FileIo, AReadStopsOneBytePastItsCapWhateverTheFileIs)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString zeroLink = dir.filePath("zero");
    ASSERT_TRUE(QFile::link("/dev/zero", zeroLink));
    const QString exact = dir.filePath("exact"), over = dir.filePath("over");
    put(exact, QByteArray(64, 'e'));
    put(over, QByteArray(65, 'o'));

    // A pipe that never ends: its writer goes on until the reader is gone.
    const QByteArray fifoName = QFile::encodeName(fifo);
    const char* argv[] = {"sh",   "-c", "exec cat /dev/zero > \"$1\"", "sh", fifoName.constData(),
                          nullptr};
    pid_t writer = -1;
    ASSERT_EQ(
        ::posix_spawn(&writer, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ), 0);

    const struct
    {
        QString path;
        bool tooLarge;
    } cases[] = {{"/dev/zero", true}, {zeroLink, true}, {fifo, true}, {over, true}, {exact, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        QByteArray data("untouched");
        QString error;
        bool tooLarge = !c.tooLarge;
        EXPECT_EQ(readFileCapped(c.path, 64, &data, &error, &tooLarge), !c.tooLarge);
        EXPECT_EQ(tooLarge, c.tooLarge);
        if (c.tooLarge) {
            EXPECT_EQ(data, "untouched");
            EXPECT_TRUE(error.contains("too large")) << error.toStdString();
        } else {
            EXPECT_EQ(data.size(), 64);
        }
    }
    int status = 0;
    ::waitpid(writer, &status, 0);
}

// Sets an environment variable (or unsets it for a null value) for one scope.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    ~ScopedEnv() { m_had ? qputenv(m_name, m_old) : qunsetenv(m_name); }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

TEST(BackupHistory, TheBackupFolderIsAbsoluteOrRefusedNamingTheVariableToSet)
{
    QTemporaryDir dir;
    const struct
    {
        QByteArray dataHome, home;
        const char* refusal; // the variable named, or null when a folder is found
    } cases[] = {
        {"relative/data", dir.path().toUtf8(), "XDG_DATA_HOME"},
        {QByteArray(), "relative-home", "HOME"},
        {QByteArray(), QByteArray(), "HOME"},
        {"", "", "HOME"},
        {dir.filePath("data").toUtf8(), "relative-home", nullptr},
        {QByteArray(), dir.path().toUtf8(), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dataHome.constData() + std::string(" / ") + c.home.constData());
        const ScopedEnv dataHome("XDG_DATA_HOME", c.dataHome), home("HOME", c.home);
        QString error;
        const QString folder = BackupHistory::directory(QString(), QString(), &error);
        if (c.refusal) {
            EXPECT_TRUE(folder.isEmpty()) << folder.toStdString();
            EXPECT_TRUE(error.startsWith(c.refusal)) << error.toStdString();
        } else {
            EXPECT_TRUE(folder.startsWith(dir.path() + "/") && QFileInfo(folder).isDir())
                << folder.toStdString();
        }
    }
    // A folder asked for with a leading colon is a folder, not one of the program's resources.
    EXPECT_EQ(BackupHistory::directory(":backups", QString()), QDir::currentPath() + "/:backups");
}

TEST(FileIo, NamesFromTheControllerMakeOneSafeFileName)
{
    const std::pair<const char*, const char*> cases[] = {
        {"DVR72401-12AB0002", "DVR72401-12AB0002"},
        {"../../etc/x", ".._.._etc_x"},
        {"a b\\c:d*e?\"f", "a_b_c_d_e__f"},
        {"..", "__"},
        {"mod\xC3\xA9l", "mod_l"},
    };
    for (const auto& [text, name] : cases)
        EXPECT_EQ(fileNameSafe(QString::fromUtf8(text)), QString::fromLatin1(name)) << text;
}

} // namespace
