// The application object: command line, resource module, the block and the link, then the wizard.
#pragma once

#include <QStringList>

class QApplication;

class CNorvelControllerApp
{
public:
    // Runs the program; returns the process exit code.
    int run(QApplication& app);

    // Where the backup file goes: the given folder, else the program's folder when writable,
    // else the per-user application data folder; empty with *error when the environment gives
    // no absolute folder for it.
    static QString backupDirectory(const QString& requested, QString* error = nullptr);
};
