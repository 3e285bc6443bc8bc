// Pieces both benchmarks use: the median, an in-process norvelctl run and the two documents
// that alternate so that every round writes.
#pragma once

#include "cli_tool.h"
#include "link.h"

#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <vector>

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Runs one norvelctl command in-process; its output is dropped. Milliseconds, or -1 when the
// command failed (what it said goes to standard error).
inline double timeCommand(const QStringList& arguments)
{
    QString out, err, in;
    QTextStream o(&out), e(&err), i(&in);
    CliTool tool(o, e, i);
    QElapsedTimer t;
    t.start();
    const int code = tool.run(arguments);
    const double ms = t.nsecsElapsed() / 1e6;
    if (code != kExitOk) {
        o.flush();
        e.flush();
        std::fprintf(stderr, "norvelctl %s failed (%d):\n%s%s", qPrintable(arguments.join(' ')),
                     code, qPrintable(out), qPrintable(err));
        return -1;
    }
    return ms;
}

// Writes two documents into `folder` that differ in StartupDelay and MaxMotorCurrent; false
// when one cannot be written.
inline bool writeAlternatingDocuments(const QString& folder, QString documents[2])
{
    for (int i = 0; i < 2; ++i) {
        documents[i] = folder + QStringLiteral("/doc%1.json").arg(i);
        QFile f(documents[i]);
        const QByteArray json = QStringLiteral("{\"format\": \"norvel-configuration\", "
                                               "\"version\": 1, \"fields\": {\"StartupDelay\": "
                                               "%1, \"MaxMotorCurrent\": %2}}")
                                    .arg(3 + i)
                                    .arg(70 + 10 * i)
                                    .toUtf8();
        if (!f.open(QIODevice::WriteOnly) || f.write(json) != json.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(documents[i]));
            return false;
        }
    }
    return true;
}

// Milliseconds one byte takes on the wire at 19200 baud, 8N1 (10 bits).
constexpr double kByteMs = 10.0 * 1000.0 / 19200.0;

// The wire time and the controller's waits of the transfers, in milliseconds.
struct TransferFloors
{
    double read;     // START, 8 READs, IDENTIFY
    double write;    // START, 10 WRITEs, COMMIT
    double readBack; // START, 8 READs
    double verified; // an identify ask, the read, the write and the read-back
};

inline TransferFloors transferFloors()
{
    const int readBytes = (3 + 3) + 8 * (6 + 19) + (3 + 6);   // start, 8 reads, identify
    const int writeBytes = (3 + 3) + 10 * (19 + 3) + (3 + 3); // start, 10 writes, commit
    TransferFloors f;
    f.read = readBytes * kByteMs + kWaitAfterStartMs + kWaitAfterIdentifyMs;
    f.write = writeBytes * kByteMs + kWaitAfterStartMs + kWaitAfterCommitMs;
    f.readBack = f.read - (3 + 6) * kByteMs - kWaitAfterIdentifyMs;
    f.verified = (3 + 6) * kByteMs + f.read + f.write + f.readBack;
    return f;
}
