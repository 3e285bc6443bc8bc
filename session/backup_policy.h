// The one backup policy: before any write, the controller's image as read is kept, as its
// first-connection image where there is none yet and in the history. Where it cannot be kept,
// nothing is written unless the user accepts (the GUI asks; norvelctl wants --no-backup).
#pragma once

#include "config_block.h"

#include <QString>

struct BackupOutcome
{
    bool kept = false;
    QString folder;      // the backup folder
    QString reason;      // why it could not be kept, in the system's words
    QString historyPath; // the history image saved
};

// Creates the folder when missing and saves `image` there before a write.
BackupOutcome keepBackups(const QString& folder, const ConfigBlock& image);
