// A private PostgreSQL cluster for the tests: made in a temporary folder with initdb, served by
// pg_ctl on a Unix socket only (as an unprivileged user when the tests run as root), removed at
// the end. Nothing shared with the machine's own server.
#pragma once

#include <QString>
#include <QTemporaryDir>

class PgCluster
{
public:
    PgCluster() = default;
    ~PgCluster(); // stops the server; the folder goes with the object
    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;

    // Makes and starts the cluster; false with *error when it cannot.
    bool start(QString* error);
    bool stop();
    bool restart(QString* error);
    // Creates a database and returns its URL for --record.
    QString createDatabase(const QString& name, QString* error);

private:
    bool run(const QString& program, const QStringList& arguments, QString* output) const;

    QTemporaryDir m_dir;
    QString m_bin;  // the server's programs
    QString m_data; // the cluster's folder
    QString m_user; // the system user the server runs as ("" for this process's own)
    bool m_running = false;
};
