// The one backup policy: the controller's image is kept before every write.
#include "backup_policy.h"

#include "backup_history.h"

#include <QDir>

BackupOutcome keepBackups(const QString& folder, const ConfigBlock& image)
{
    BackupOutcome outcome;
    outcome.folder = folder;
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        outcome.reason = QStringLiteral("cannot create the folder");
        return outcome;
    }
    outcome.kept =
        BackupHistory(folder).saveBeforeWrite(image, &outcome.historyPath, &outcome.reason);
    return outcome;
}
