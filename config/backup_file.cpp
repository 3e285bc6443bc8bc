// The controller backup file: the 128 block bytes as read at the first connection.
#include "backup_file.h"

#include "file_io.h"

#include <QFileInfo>

BackupFile::BackupFile(const QString& directory, const QString& controllerKey)
    : m_path(pathInFolder(directory, fileName(controllerKey)))
{
}

BackupFile::SaveResult BackupFile::saveIfMissing(const ConfigBlock& block, QString* error) const
{
    // A link or a file someone else put under the name is neither kept nor written through.
    const QString problem = ownFileProblem(m_path);
    if (!problem.isEmpty()) {
        if (error)
            *error = problem;
        return SaveResult::Failed;
    }
    const QFileInfo info(m_path);
    if (info.exists() && info.size() != 0)
        return SaveResult::KeptExisting;
    return write(block, error) ? SaveResult::Written : SaveResult::Failed;
}

bool BackupFile::write(const ConfigBlock& block, QString* error) const
{
    return writeFileWhole(m_path, block.toByteArray(), error, FileAccess::Own);
}

bool BackupFile::read(ConfigBlock* block, QString* error) const
{
    QByteArray data;
    bool tooLarge = false;
    QString why;
    if (!readFileCapped(m_path, kConfigBlockSize, &data, &why, &tooLarge, FileAccess::Own) &&
        !tooLarge) {
        if (error)
            *error = why;
        return false;
    }
    if (tooLarge || data.size() != kConfigBlockSize) {
        if (error)
            *error = QStringLiteral("%1 holds %2 bytes, not a %3-byte image")
                         .arg(m_path)
                         .arg(tooLarge ? QStringLiteral("more") : QString::number(data.size()))
                         .arg(kConfigBlockSize);
        return false;
    }
    *block = ConfigBlock::fromByteArray(data);
    return true;
}
