// Backups of controller images: the first-connection image and the history of images saved
// before each write.
#pragma once

#include "config_block.h"

#include <QDateTime>
#include <QList>
#include <QString>

struct BackupEntry
{
    QString key;    // ControllerKey
    QDateTime time; // UTC: when the history image was saved, or the first image's file time
    QString path;
    bool first = false; // the first-connection image (<key>N.n)
    int sequence = 1;   // 2, 3... for later images saved within the same millisecond
};

class BackupHistory
{
public:
    // The backup folder, an absolute path: `requested` when given, else the program's folder
    // when writable and not an installed one, else the per-user data folder
    // (~/.local/share/Norvel/Norvel Controller), created. Empty, with *error naming the variable
    // to set, when XDG_DATA_HOME or HOME do not give an absolute folder.
    static QString directory(const QString& requested, const QString& programDir,
                             QString* error = nullptr);
    // $XDG_DATA_HOME, else $HOME/.local/share; empty with the reason when that is no absolute
    // folder.
    static QString userDataFolder(QString* error = nullptr);
    // A folder of installed programs: under /usr, /bin, /sbin or /opt, or with the installed
    // resource modules beside it (../share/norvel-controller).
    static bool isInstalledProgramFolder(const QString& programDir);

    explicit BackupHistory(const QString& directory) : m_directory(directory) {}

    QString directory() const { return m_directory; }
    QString historyDirectory() const;

    // Saves the controller's image as read just before a write: history/<KEY>-<UTC time>.n
    // (-2, -3... added when that name is taken), written whole or not at all, never replacing
    // any other file nor writing through a link. *path gets the file's path.
    bool save(const ConfigBlock& image, QString* path = nullptr, QString* error = nullptr,
              const QDateTime& when = QDateTime::currentDateTimeUtc()) const;

    // Before a write: keeps the controller's first-connection image when there is none yet,
    // then saves `image` in the history. False when either could not be saved; nothing should
    // be written then.
    bool saveBeforeWrite(const ConfigBlock& image, QString* path = nullptr,
                         QString* error = nullptr) const;

    // The first-connection images and the history, by key, first image first, then by time.
    QList<BackupEntry> list() const;

private:
    QString m_directory;
};
