// The station's record on Qt SQL.
#include "station_record.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>

namespace {

std::atomic<int> g_connections{0};

// The same statements on both databases, apart from the key column and the blob type.
QStringList schemaStatements(bool postgres)
{
    const QString id = postgres ? QStringLiteral("BIGSERIAL PRIMARY KEY")
                                : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    const QString blob = postgres ? QStringLiteral("BYTEA") : QStringLiteral("BLOB");
    return {
        QStringLiteral("CREATE TABLE record_schema (version INTEGER NOT NULL)"),
        QStringLiteral("CREATE TABLE units ("
                       "id %1, time_utc TEXT NOT NULL, station TEXT NOT NULL, "
                       "port TEXT NOT NULL, operator TEXT, document TEXT NOT NULL, "
                       "document_sha256 TEXT NOT NULL, controller_key TEXT, model TEXT, "
                       "serial TEXT, software_version TEXT, image_before %2, image_after %2, "
                       "result TEXT NOT NULL CHECK (result IN ('PASS', 'FAIL')), "
                       "reason TEXT NOT NULL, duration_ms BIGINT NOT NULL)")
            .arg(id, blob),
        QStringLiteral("CREATE INDEX units_serial ON units (serial)"),
        QStringLiteral("CREATE INDEX units_time ON units (time_utc)"),
        QStringLiteral("INSERT INTO record_schema (version) VALUES (%1)")
            .arg(StationRecord::kSchemaVersion),
    };
}

QVariant textOrNull(const QString& text)
{
    return text.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(text);
}

QVariant blobOrNull(const QByteArray& bytes)
{
    return bytes.isEmpty() ? QVariant(QMetaType(QMetaType::QByteArray)) : QVariant(bytes);
}

} // namespace

QString recordTimeText(const QDateTime& time)
{
    return time.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}

StationRecord::StationRecord(const RecordTarget& target)
    : m_target(target), m_connection(QStringLiteral("norvel-record-%1").arg(g_connections++))
{
}

StationRecord::~StationRecord()
{
    close();
}

void StationRecord::close()
{
    if (!QSqlDatabase::contains(m_connection))
        return;
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
    m_open = false;
}

bool StationRecord::open(QString* error)
{
    if (m_open && check(error))
        return true;
    close();
    if (!connect(error) || !prepareSchema(error)) {
        close();
        return false;
    }
    m_open = true;
    return true;
}

bool StationRecord::connect(QString* error)
{
    const bool postgres = m_target.kind == RecordTarget::Kind::PostgreSQL;
    const QString driver = postgres ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        *error = QStringLiteral("the Qt %1 driver is not installed").arg(driver);
        return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, m_connection);
    if (postgres) {
        db.setHostName(m_target.host);
        db.setPort(m_target.port);
        db.setUserName(m_target.user);
        db.setPassword(m_target.password);
        db.setDatabaseName(m_target.database);
        db.setConnectOptions(QStringLiteral("connect_timeout=5"));
    } else {
        const QFileInfo file(m_target.file);
        if (!QDir().mkpath(file.absolutePath())) {
            *error = QStringLiteral("cannot create the folder %1").arg(file.absolutePath());
            return false;
        }
        db.setDatabaseName(file.absoluteFilePath());
        // Several stations may share one file: wait for the other's write instead of failing.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    }
    if (!db.open()) {
        *error = db.lastError().text();
        return false;
    }
    return true;
}

bool StationRecord::prepareSchema(QString* error)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const bool postgres = m_target.kind == RecordTarget::Kind::PostgreSQL;
    QSqlQuery query(db);
    const auto failed = [&](const QSqlQuery& q) {
        *error = q.lastError().text();
        db.rollback();
        return false;
    };
    // One station creates the schema; the others wait for it and find it made.
    if (!(postgres ? db.transaction() : query.exec(QStringLiteral("BEGIN IMMEDIATE"))))
        return failed(query);
    if (postgres && !query.exec(QStringLiteral("SELECT pg_advisory_xact_lock(734025)")))
        return failed(query);
    if (!db.tables().contains(QStringLiteral("record_schema"))) {
        for (const QString& statement : schemaStatements(postgres))
            if (!query.exec(statement))
                return failed(query);
    }
    if (!query.exec(QStringLiteral("SELECT MAX(version) FROM record_schema")) || !query.next())
        return failed(query);
    const int version = query.value(0).toInt();
    if (!(postgres ? db.commit() : query.exec(QStringLiteral("COMMIT"))))
        return failed(query);
    if (version > kSchemaVersion) {
        *error = QStringLiteral("the record %1 has schema version %2, newer than this program's "
                                "%3; use a newer program")
                     .arg(m_target.display())
                     .arg(version)
                     .arg(kSchemaVersion);
        return false;
    }
    return true;
}

bool StationRecord::check(QString* error)
{
    // An SQLite file deleted under an open connection takes the rows written after into
    // nowhere.
    if (m_target.kind == RecordTarget::Kind::SQLite && !QFileInfo::exists(m_target.file)) {
        *error = QStringLiteral("%1 is gone").arg(m_target.file);
        return false;
    }
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.exec(QStringLiteral("SELECT version FROM record_schema"))) {
        *error = query.lastError().text();
        return false;
    }
    return true;
}

bool StationRecord::insert(const RecordRow& row, QString* error)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral(
        "INSERT INTO units (time_utc, station, port, operator, document, document_sha256, "
        "controller_key, model, serial, software_version, image_before, image_after, result, "
        "reason, duration_ms) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    const QVariant values[] = {
        recordTimeText(row.utc),
        row.station,
        row.port,
        textOrNull(row.operatorName),
        row.document,
        row.documentSha256,
        textOrNull(row.key),
        textOrNull(row.model),
        textOrNull(row.serial),
        textOrNull(row.version),
        blobOrNull(row.before),
        blobOrNull(row.after),
        row.passed ? QStringLiteral("PASS") : QStringLiteral("FAIL"),
        row.reason,
        row.ms,
    };
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        *error = query.lastError().text();
        m_open = false; // checked afresh before the next one
        return false;
    }
    return true;
}

bool StationRecord::select(const RecordFilter& filter, QList<RecordRow>* rows, QString* error)
{
    QStringList where;
    QVariantList binds;
    if (!filter.serial.isEmpty()) {
        where << QStringLiteral("serial = ?");
        binds << filter.serial;
    }
    if (filter.since.isValid()) {
        where << QStringLiteral("time_utc >= ?");
        binds << recordTimeText(filter.since);
    }
    if (filter.result >= 0) {
        where << QStringLiteral("result = ?");
        binds << (filter.result ? QStringLiteral("PASS") : QStringLiteral("FAIL"));
    }
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(
        QStringLiteral("SELECT time_utc, station, port, operator, document, document_sha256, "
                       "controller_key, model, serial, software_version, image_before, "
                       "image_after, result, reason, duration_ms FROM units%1 "
                       "ORDER BY time_utc DESC, id DESC")
            .arg(where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where.join(" AND ")));
    for (const QVariant& value : binds)
        query.addBindValue(value);
    if (!query.exec()) {
        *error = query.lastError().text();
        return false;
    }
    while (query.next()) {
        RecordRow row;
        row.utc = QDateTime::fromString(query.value(0).toString(), Qt::ISODateWithMs);
        QString* texts[] = {&row.station,  &row.port,           &row.operatorName,
                            &row.document, &row.documentSha256, &row.key,
                            &row.model,    &row.serial,         &row.version};
        for (int i = 0; i < 9; ++i)
            *texts[i] = query.value(1 + i).toString();
        row.before = query.value(10).toByteArray();
        row.after = query.value(11).toByteArray();
        row.passed = query.value(12).toString() == QLatin1String("PASS");
        row.reason = query.value(13).toString();
        row.ms = query.value(14).toLongLong();
        rows->append(row);
    }
    return true;
}
