// Pieces both benchmarks use: the median, an in-process norvelctl run and the two documents
// that alternate so that every round writes.
#pragma once

#include "cli_tool.h"

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
