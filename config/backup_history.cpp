// Backups of controller images: the first-connection image and the history of images saved
// before each write.
#include "backup_history.h"

#include "backup_file.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

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

QString BackupHistory::directory(const QString& requested, const QString& programDir)
{
    if (!requested.isEmpty())
        return QDir(requested).absolutePath();
    if (!programDir.isEmpty() && QFileInfo(programDir).isWritable() &&
        !isInstalledProgramFolder(programDir))
        return programDir;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                         QStringLiteral("/Norvel/Norvel Controller");
    QDir().mkpath(data);
    return data;
}

QString BackupHistory::historyDirectory() const
{
    return QDir(m_directory).filePath(QLatin1String(kHistoryFolder));
}

bool BackupHistory::save(const ConfigBlock& image, QString* path, QString* error,
                         const QDateTime& when) const
{
    // The history goes into the backup folder, which must exist; only its own subfolder is
    // made here.
    const QDir dir(historyDirectory());
    if (!QFileInfo(m_directory).isDir() || !QDir().mkpath(dir.path())) {
        if (error)
            *error = QStringLiteral("cannot create %1").arg(dir.path());
        return false;
    }
    const QString stem =
        ControllerKey(image) + QLatin1Char('-') + when.toUTC().toString(QLatin1String(kTimeFormat));
    QString name = stem + QLatin1String(kSuffix);
    for (int n = 2; QFileInfo::exists(dir.filePath(name)); ++n)
        name = stem + QStringLiteral("-%1").arg(n) + QLatin1String(kSuffix);

    QSaveFile file(dir.filePath(name));
    const QByteArray data = image.toByteArray();
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(file.fileName(), file.errorString());
        return false;
    }
    if (path)
        *path = file.fileName();
    return true;
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
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files, QDir::Name)) {
        const auto m = firstName.match(info.fileName());
        if (m.hasMatch())
            entries.append(
                {m.captured(1), info.lastModified().toUTC(), info.absoluteFilePath(), true});
    }
    const QDir history(historyDirectory());
    for (const QFileInfo& info : history.entryInfoList(QDir::Files, QDir::Name)) {
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
