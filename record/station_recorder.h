// The station's record as the station uses it: a unit becomes a row with the station's name,
// the operator and the document.
#pragma once

#include "station.h"
#include "station_record.h"

class SqlStationRecorder : public StationRecorder
{
public:
    SqlStationRecorder(const RecordTarget& target, const QString& operatorName,
                       const QString& documentPath, const QByteArray& documentContent);

    bool ready(QString* error) override { return m_record.open(error); }
    bool write(const StationUnit& unit, QString* error) override;
    void close() override { m_record.close(); }

    RecordRow row(const StationUnit& unit) const;
    const QString& documentSha256() const { return m_sha256; }

private:
    StationRecord m_record;
    QString m_station;
    QString m_operator;
    QString m_document;
    QString m_sha256;
};
