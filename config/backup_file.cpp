// The controller backup file: the 128 block bytes as read at the first connection.
#include "backup_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

BackupFile::BackupFile(const QString& directory, const QString& controllerKey)
    : m_path(QDir(directory).filePath(fileName(controllerKey)))
{
}

BackupFile::SaveResult BackupFile::saveIfMissing(const ConfigBlock& block, QString* error) const
{
    const QFileInfo info(m_path);
    if (info.exists() && info.size() != 0)
        return SaveResult::KeptExisting;
    return write(block, error) ? SaveResult::Written : SaveResult::Failed;
}

bool BackupFile::write(const ConfigBlock& block, QString* error) const
{
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("cannot create %1: %2").arg(m_path, file.errorString());
        return false;
    }
    const QByteArray data = block.toByteArray();
    if (file.write(data) != data.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(m_path, file.errorString());
        file.cancelWriting();
        return false;
    }
    return true;
}

bool BackupFile::read(ConfigBlock* block, QString* error) const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot open %1: %2").arg(m_path, file.errorString());
        return false;
    }
    const QByteArray data = file.read(kConfigBlockSize + 1);
    if (data.size() != kConfigBlockSize) {
        if (error)
            *error = QStringLiteral("%1 holds %2 bytes, not a %3-byte image")
                         .arg(m_path)
                         .arg(file.size())
                         .arg(kConfigBlockSize);
        return false;
    }
    *block = ConfigBlock::fromByteArray(data);
    return true;
}
