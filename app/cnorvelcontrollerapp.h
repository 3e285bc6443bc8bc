// The application object: command line, resource module, the block and the link, then the wizard.
#pragma once

#include <QByteArray>
#include <QStringList>

#include <memory>

class QApplication;
class QTranslator;

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
    // The resource module without --language, from LC_ALL, else LC_MESSAGES, else LANG (as
    // the environment holds them): "chinese" for zh*, otherwise "english".
    static QString systemLanguage(const QByteArray& lcAll, const QByteArray& lcMessages,
                                  const QByteArray& lang);
    // Loads Qt's own words (standard buttons, dialogs) for `language` into *translator and
    // installs it; false where there are none (English needs none).
    static bool installQtTranslation(QTranslator* translator, const QString& language);
};
