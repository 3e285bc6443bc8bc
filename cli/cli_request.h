// norvelctl's command line, parsed once into a request that the tool runs, on one port or on
// every port with --all.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

// What a writing command was asked to do besides writing.
struct CliWriteOptions
{
    bool yes = false;
    bool force = false;
    bool dryRun = false;
    bool verify = true;
    bool noBackup = false; // write even when the controller's image cannot be kept
    QStringList only;
};

// The station's and its record's options.
struct CliStationOptions
{
    QString record;             // --record: an SQLite file or a PostgreSQL URL; empty: the default
    QString operatorName;       // station --operator
    int units = 0;              // station --units: stop after this many; 0: run until stopped
    QString serial;             // records --serial
    QDateTime since;            // records --since; invalid: from the first
    std::optional<bool> passed; // records --result pass or fail
    bool csv = false;           // records --csv
};

struct CliRequest
{
    enum class Kind
    {
        Command,
        Help,
        Version,
    };
    Kind kind = Kind::Command;
    QString command;
    QStringList words; // the command's own words, after the command
    QStringList ports;
    QString backupDir;
    bool trace = false;
    bool all = false;
    QString output; // read -o
    bool json = false;
    QString curve;
    std::optional<QString> from;
    CliWriteOptions write;
    CliStationOptions station;

    // set, import and write, unless only a dry run.
    bool writes() const;
};

// Parses the arguments (without the program name). False on a usage error, with *problem
// naming it in one line.
bool parseCliRequest(const QStringList& arguments, CliRequest* request, QString* problem);
// The --help text.
const char* cliUsage();
