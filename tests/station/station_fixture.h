// The station against simulated production lines on real pseudo-terminals, with its record.
#pragma once

#include "cli_fixture.h"
#include "frame.h"
#include "station_record.h"

#include <QRegularExpression>

class StationFixture : public CliFixture
{
protected:
    // A line of `units` controllers of `presetName` on one pty, 200 ms between them.
    SimServer* startLine(int units, const QList<std::pair<int, SimFault>>& faults = {},
                         const QString& presetName = QStringLiteral("full"))
    {
        SimOptions options = preset(presetName);
        options.line.units = units;
        options.line.pauseMs = 200;
        options.line.unitFaults = faults;
        return startServer(options);
    }
    QString document(const QString& fields)
    {
        return writeFile("doc.json", QStringLiteral(R"({"format": "norvel-configuration",
                                                      "version": 1, "fields": {%1}})")
                                         .arg(fields)
                                         .toUtf8());
    }
    QString recordFile() const { return dir.filePath("record/units.sqlite"); }
    CliRun station(const QList<SimServer*>& lines, const QString& doc, int units,
                   const QString& record = QString())
    {
        QStringList args = {"station",  doc,
                            "--record", record.isEmpty() ? recordFile() : record,
                            "--units",  QString::number(units),
                            "--yes",    "--backup-dir",
                            dir.path()};
        for (const SimServer* s : lines)
            args << "--port" << s->devicePath();
        return run(args);
    }
    // The unit lines of a station's output: port, serial, PASS or FAIL, reason.
    static QList<QStringList> unitLines(const QString& out)
    {
        static const QRegularExpression line(
            QStringLiteral(R"(^(\S+) (\S+) (PASS|FAIL) (.+) \(\d+\.\d\d s\)$)"));
        QList<QStringList> lines;
        for (const QString& text : out.split('\n', Qt::SkipEmptyParts)) {
            const QRegularExpressionMatch m = line.match(text);
            if (m.hasMatch())
                lines.append({m.captured(1), m.captured(2), m.captured(3), m.captured(4)});
            else
                EXPECT_TRUE(text.startsWith("station: ")) << text.toStdString();
        }
        return lines;
    }
    static QList<RecordRow> rowsOf(const QString& url)
    {
        RecordTarget target;
        QString error;
        QList<RecordRow> rows;
        EXPECT_TRUE(RecordTarget::parse(url, &target, &error)) << error.toStdString();
        StationRecord record(target);
        EXPECT_TRUE(record.open(&error) && record.select({}, &rows, &error)) << error.toStdString();
        return rows;
    }
};
