// The command-line tool's commands, apart from main() so that tests can run them in-process.
#pragma once

#include "cli_request.h"
#include "config_block.h"

#include <QList>
#include <QStringList>
#include <QTextStream>

#include <memory>
#include <optional>

class Link;
struct ConfigDocument;
struct PortProblem;
struct ConnectResult;
struct OpenOutcome;
struct WriteOutcome;
struct ConfigurationSide;
struct RecordTarget;

// Exit codes scripts rely on.
enum CliExit
{
    kExitOk = 0,
    kExitLink = 1, // link, controller or verification failure; for diff: the inputs differ
    kExitUsage = 2 // bad usage or refused input; for diff: also a failed link
};

// Why a port could not be opened in a few words, with the program holding a busy one.
QString portProblemText(const PortProblem& problem);
// What to do about the ports that could not be opened or stayed silent, one or two lines each.
QStringList portAdviceLines(const QList<PortProblem>& openFailures, const QStringList& silent);

class CliTool
{
public:
    CliTool(QTextStream& out, QTextStream& err, QTextStream& in);

    // arguments as in main(), without the program name; returns the exit code.
    int run(const QStringList& arguments);

private:
    using WriteOptions = CliWriteOptions;
    // Runs a parsed request; the exit code.
    int execute(const CliRequest& request);
    int ports();
    // Runs the request on every port where a controller answers, one worker per port, at the
    // same time; each worker's outcome comes back as its exit code and failure.
    int runAll(const CliRequest& request);
    int probe(Link& link);
    int read(Link& link, const QString& outputPath);
    int write(Link& link, const QString& inputPath, const WriteOptions& options);
    int show(Link& link, bool json);
    int get(Link& link, const QStringList& names);
    int set(Link& link, const QStringList& assignments, const WriteOptions& options);
    int exportDocument(Link& link, const QString& path);
    // Writes the document to path, or to standard output when path is empty.
    int writeDocument(const QString& path, const QByteArray& json);
    int import(Link& link, const QString& path, const WriteOptions& options);
    int diff(Link& link, const QStringList& inputs);
    int backups();
    // The hidden commands for the completion: field names ("fields", "fields writable") or
    // curve names ("curves"), one a line.
    int listNames(const QString& command, const QString& which);
    int plot(Link& link, const QString& path, const QString& curve,
             const std::optional<QString>& from);

    // Reads the document or 128-byte image at `path`; kExitOk, or kExitUsage once the reasons
    // are printed.
    int readConfiguration(const QString& path, ConfigurationSide* side);

    // Finds the controller (where the link holds none yet), reads and identifies it; false once
    // the failure is printed. A failed read leaves the bytes that arrived over `start`.
    bool open(Link& link, OpenOutcome* opened, const ConfigBlock& start = ConfigBlock());
    // Why no controller answered, with what to do about the ports.
    void noController(const ConnectResult& result);
    // Opens as above into `block`, which keeps the bytes that arrived when the read fails.
    bool readController(Link& link, ConfigBlock& block);
    // False, with the reason printed, for a controller the tool does not configure.
    bool servedForWriting(const OpenOutcome& opened);
    // Why a write did not succeed, and what the controller holds now.
    static QString writeFailureText(const WriteOutcome& outcome, const ConfigBlock& written);
    // Applies a document to the controller: check, list the changes, ask, back up, write,
    // verify.
    int applyAndWrite(Link& link, const ConfigDocument& doc, const WriteOptions& options);
    // Saves the backups, writes, commits and reads back. `current` is the controller's image as
    // read just before.
    int writeBlock(Link& link, const ConfigBlock& current, const ConfigBlock& next,
                   const WriteOptions& options);
    // The station and its record (cli_station.cpp).
    int station(const CliRequest& request);
    int records(const CliRequest& request);
    // --record's value, or the default file; false once the reason is printed.
    bool recordTarget(const QString& text, RecordTarget* target);
    bool askMotorStopped();
    QString backupDirectory(QString* error = nullptr) const;
    int fail(const QString& message, int code);
    // A command line that cannot be run: the problem in one line, then where the help is.
    int usageError(const QString& problem);

    QTextStream& m_out;
    QTextStream& m_err;
    QTextStream& m_in;
    QStringList m_ports;
    QString m_backupDir;
    QString m_exportFolder; // export under --all: one document per controller, named by key
    QString m_lastFailure;  // the last failure reported, for --all's summary
    // The documents an export under --all has written in this run, shared by its workers.
    struct ExportNames;
    std::shared_ptr<ExportNames> m_exportNames;
    // The file for the document of controller `key` on `port` in the export folder: KEY.json,
    // or, when this run has written that already, a name with the port in it.
    QString claimExportName(const QString& key, const QString& port);
};
