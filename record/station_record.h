// The station's record: one row per unit, PASS or FAIL, in an SQLite file or a PostgreSQL
// database shared by the stations of a line. A versioned schema, created on first use.
#pragma once

#include "record_target.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

struct RecordRow
{
    QDateTime utc;
    QString station, port, operatorName;
    QString document, documentSha256;    // file name, 64 lower-case hex digits
    QString key, model, serial, version; // empty before the controller was read
    QByteArray before, after;            // 128 bytes each, or empty (NULL)
    bool passed = false;
    QString reason;
    qint64 ms = 0;
};

struct RecordFilter
{
    QString serial;  // empty: any
    QDateTime since; // invalid: any
    int result = -1; // -1 any, 0 FAIL, 1 PASS
};

// One connection, used on the thread that opened it.
class StationRecord
{
public:
    static constexpr int kSchemaVersion = 1;

    explicit StationRecord(const RecordTarget& target);
    ~StationRecord();
    StationRecord(const StationRecord&) = delete;
    StationRecord& operator=(const StationRecord&) = delete;

    const RecordTarget& target() const { return m_target; }
    // Connects (an SQLite file and its folder are created when missing), creates the schema or
    // checks its version. An open record is checked instead: still there, still answering.
    bool open(QString* error);
    bool insert(const RecordRow& row, QString* error);
    // Newest first.
    bool select(const RecordFilter& filter, QList<RecordRow>* rows, QString* error);
    void close();

private:
    bool connect(QString* error);
    bool prepareSchema(QString* error);
    bool check(QString* error);

    RecordTarget m_target;
    QString m_connection; // the name of this object's Qt SQL connection
    bool m_open = false;
};

// "2024-05-01T12:00:00.000Z": how the record writes and compares its times.
QString recordTimeText(const QDateTime& time);
