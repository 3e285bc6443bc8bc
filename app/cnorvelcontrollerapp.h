// The application object: command line, resource module, the block and the link, then the wizard.
#pragma once

#include <QStringList>

#include <memory>

class QApplication;

class CNorvelControllerApp
{
public:
    // Answers --help and --version without a window system (over ssh, in scripts); the exit
    // code, or -1 when the program needs its window.
    static int answerWithoutWindow(int& argc, char** argv);
    // The application on the window system; without a display, says so in one line and ends
    // the process with 1 instead of aborting.
    static std::unique_ptr<QApplication> openWindowSystem(int& argc, char** argv);

    // Runs the program; returns the process exit code.
    int run(QApplication& app);

    // Where the backup file goes: the given folder, else the program's folder when writable,
    // else the per-user application data folder; empty with *error when the environment gives
    // no absolute folder for it.
    static QString backupDirectory(const QString& requested, QString* error = nullptr);
};
