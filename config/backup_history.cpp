// Backups of controller images: the first-connection image and the history of images saved
// before each write.
#include "backup_history.h"

#include "backup_file.h"
#include "file_io.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace {

const char kHistoryFolder[] = "history";
const char kTimeFormat[] = "yyyyMMdd'T'HHmmss.zzz'Z'";
const char kSuffix[] = ".n";

} // namespace

bool BackupHistory::isInstalledProgramFolder(const QString& programDir)
{
    // An installed program shares its folder with every other program (and root may write
    // there): its images belong to the user's data folder, not beside the binaries.
    const QString path = QFileInfo(programDir).canonicalFilePath();
    if (path.isEmpty())
        return false;
    for (const char* system : {"/usr", "/bin", "/sbin", "/opt"}) {
        const QLatin1String folder(system);
        if (path == folder || path.startsWith(folder + QLatin1Char('/')))
            return true;
    }
    return QFileInfo(QDir(path).filePath(QStringLiteral("../share/norvel-controller"))).isDir();
}

QString BackupHistory::userDataFolder(QString* error)
{
    // Set by the user's session, or not at all: a relative value would put the images wherever
    // the program happens to be started.
    const auto refuse = [error](const QString& why) {
        if (error)
            *error = why + QStringLiteral("; set it to an absolute folder, or name the backup "
                                          "folder with --backup-dir");
        return QString();
    };
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (!dataHome.isEmpty()) {
        if (!dataHome.startsWith(QLatin1Char('/')))
            return refuse(
                QStringLiteral("XDG_DATA_HOME is not an absolute folder (%1)").arg(dataHome));
        return dataHome;
    }
    const QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty())
        return refuse(QStringLiteral("HOME is not set"));
    if (!home.startsWith(QLatin1Char('/')))
        return refuse(QStringLiteral("HOME is not an absolute folder (%1)").arg(home));
    return home + QStringLiteral("/.local/share");
}

QString BackupHistory::directory(const QString& requested, const QString& programDir,
                                 QString* error)
{
    if (!requested.isEmpty()) {
        // Made absolute by hand: QDir would take a leading ':' for a resource path.
        const QString path = requested.startsWith(QLatin1Char('/'))
                                 ? requested
                                 : QDir::currentPath() + QLatin1Char('/') + requested;
        return QDir::cleanPath(path);
    }
    if (!programDir.isEmpty() && QFileInfo(programDir).isWritable() &&
        !isInstalledProgramFolder(programDir))
        return programDir;
    const QString base = userDataFolder(error);
    if (base.isEmpty())
        return {};
    const QString data = base + QStringLiteral("/Norvel/Norvel Controller");
    QDir().mkpath(data);
    return data;
}

QString BackupHistory::historyDirectory() const
{
    return pathInFolder(m_directory, QLatin1String(kHistoryFolder));
}

bool BackupHistory::save(const ConfigBlock& image, QString* path, QString* error,
                         const QDateTime& when) const
{
    // The history goes into the backup folder, which must exist; only its own subfolder is
    // made here, and one that is a link or no folder is not written into.
    const QString folder = historyDirectory();
    const auto refuse = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (!QFileInfo(m_directory).isDir() || !(QDir().mkdir(folder) || QFileInfo(folder).isDir()))
        return refuse(QStringLiteral("cannot create %1").arg(folder));
    if (QFileInfo(folder).isSymLink())
        return refuse(QStringLiteral("%1 is a symbolic link, not a folder of this program's: "
                                     "refused")
                          .arg(folder));
    // A name in use, by another process or thread saving in the same millisecond too, is never
    // replaced: the next number is taken instead.
    const QString stem =
        ControllerKey(image) + QLatin1Char('-') + when.toUTC().toString(QLatin1String(kTimeFormat));
    const QByteArray data = image.toByteArray();
    for (int n = 1;; ++n) {
        const QString name =
            (n == 1 ? stem : stem + QStringLiteral("-%1").arg(n)) + QLatin1String(kSuffix);
        const QString file = pathInFolder(folder, name);
        bool taken = false;
        if (writeFileWhole(file, data, error, FileAccess::OwnNew, &taken)) {
            if (path)
                *path = file;
            return true;
        }
        if (!taken)
            return false;
    }
}

bool BackupHistory::saveBeforeWrite(const ConfigBlock& image, QString* path, QString* error) const
{
    if (BackupFile(m_directory, ControllerKey(image)).saveIfMissing(image, error) ==
        BackupFile::SaveResult::Failed)
        return false;
    return save(image, path, error);
}

QList<BackupEntry> BackupHistory::list() const
{
    QList<BackupEntry> entries;
    static const QRegularExpression firstName(QStringLiteral("^([0-9A-F]{12})N\\.n$"));
    static const QRegularExpression historyName(
        QStringLiteral("^([0-9A-F]{12})-(\\d{8}T\\d{6}\\.\\d{3}Z)(-\\d+)?\\.n$"));

    const QDir dir(m_directory);
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files | QDir::NoSymLinks, QDir::Name)) {
        const auto m = firstName.match(info.fileName());
        if (m.hasMatch())
            entries.append(
                {m.captured(1), info.lastModified().toUTC(), info.absoluteFilePath(), true});
    }
    const QDir history(historyDirectory());
    for (const QFileInfo& info :
         history.entryInfoList(QDir::Files | QDir::NoSymLinks, QDir::Name)) {
        const auto m = historyName.match(info.fileName());
        if (!m.hasMatch())
            continue;
        QDateTime time = QDateTime::fromString(m.captured(2), QLatin1String(kTimeFormat));
        time.setTimeSpec(Qt::UTC);
        const int sequence = m.captured(3).isEmpty() ? 1 : m.captured(3).mid(1).toInt();
        entries.append({m.captured(1), time, info.absoluteFilePath(), false, sequence});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const BackupEntry& a, const BackupEntry& b) {
                         if (a.key != b.key)
                             return a.key < b.key;
                         if (a.first != b.first)
                             return a.first;
                         if (a.time != b.time)
                             return a.time < b.time;
                         return a.sequence < b.sequence;
                     });
    return entries;
}
