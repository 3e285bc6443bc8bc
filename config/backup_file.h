// The controller backup file: the 128 block bytes as read at the first connection.
#pragma once

#include "config_block.h"

#include <QString>

class BackupFile
{
public:
    enum class SaveResult
    {
        Written,
        KeptExisting,
        Failed
    };

    static QString fileName(const QString& controllerKey)
    {
        return controllerKey + QStringLiteral("N.n");
    }

    BackupFile(const QString& directory, const QString& controllerKey);

    QString path() const { return m_path; }

    // Writes the image unless a non-empty file is already there; a file of length 0 is
    // replaced. The file is written elsewhere and renamed, so it is never left short.
    SaveResult saveIfMissing(const ConfigBlock& block, QString* error = nullptr) const;
    // Reads the image; a file that is absent, unreadable or not exactly 128 bytes fails with a
    // reason and leaves *block unchanged.
    bool read(ConfigBlock* block, QString* error = nullptr) const;
    // Unconditionally writes the image, atomically.
    bool write(const ConfigBlock& block, QString* error = nullptr) const;

private:
    QString m_path;
};
