// A station unit as a row of the record.
#include "station_recorder.h"

#include "field_rules.h"
#include "unit_reason.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QSysInfo>

SqlStationRecorder::SqlStationRecorder(const RecordTarget& target, const QString& operatorName,
                                       const QString& documentPath,
                                       const QByteArray& documentContent)
    : m_record(target), m_station(QSysInfo::machineHostName()), m_operator(operatorName),
      m_document(QFileInfo(documentPath).fileName()),
      m_sha256(QString::fromLatin1(
          QCryptographicHash::hash(documentContent, QCryptographicHash::Sha256).toHex()))
{
}

RecordRow SqlStationRecorder::row(const StationUnit& unit) const
{
    RecordRow row;
    row.utc = unit.utc;
    row.station = m_station;
    row.port = unit.port;
    row.operatorName = m_operator;
    row.document = m_document;
    row.documentSha256 = m_sha256;
    const UnitImportOutcome& outcome = unit.outcome;
    if (outcome.hasBefore()) {
        const ConfigBlock& block = unit.identity;
        row.key = ControllerKey(block);
        row.model = modelDesignation(block, true);
        row.serial = unit.serial();
        row.version = versionText(block);
        row.before = block.toByteArray();
    }
    if (outcome.hasAfter())
        row.after = outcome.write.readBlock.toByteArray();
    row.passed = unit.passed();
    row.reason = unitReasonText(outcome);
    row.ms = unit.ms;
    return row;
}

bool SqlStationRecorder::write(const StationUnit& unit, QString* error)
{
    return m_record.open(error) && m_record.insert(row(unit), error);
}
