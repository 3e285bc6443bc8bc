// The command-line tool's commands, apart from main() so that tests can run them in-process.
#pragma once

#include <QStringList>
#include <QTextStream>

class Link;

// Exit codes scripts rely on.
enum CliExit
{
    kExitOk = 0,
    kExitLink = 1,
    kExitUsage = 2
};

class CliTool
{
public:
    CliTool(QTextStream& out, QTextStream& err, QTextStream& in);

    // arguments as in main(), without the program name; returns the exit code.
    int run(const QStringList& arguments);

private:
    int ports();
    int probe(Link& link);
    int read(Link& link, const QString& outputPath);
    int write(Link& link, const QString& inputPath, bool yes, bool force);
    bool connect(Link& link);
    bool readController(Link& link, class ConfigBlock& block);
    int fail(const QString& message, int code);

    QTextStream& m_out;
    QTextStream& m_err;
    QTextStream& m_in;
    QStringList m_ports;
};
