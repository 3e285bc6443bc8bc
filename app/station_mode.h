// norvel-controller --station DOC: the motor question once, then the station window until the
// user finishes it or --units are done.
#pragma once

#include <QString>
#include <QStringList>

class MessagePrompter;
class ResourceModule;

struct StationModeOptions
{
    QString document;
    QStringList ports;
    QString record; // --record, empty for the default file
    QString operatorName;
    int units = 0;
    bool yes = false;
    QString backupDir;
};

// Returns the exit code: 0 when every unit passed, 1 when any failed or the record could not
// be used, 2 for a document that cannot be read or a --record that is no record.
int runStationMode(const ResourceModule& resources, MessagePrompter& prompter,
                   const StationModeOptions& options);
