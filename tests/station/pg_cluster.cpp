// A private PostgreSQL cluster for the tests.
#include "pg_cluster.h"

#include <QDir>
#include <QProcess>
#include <QUrl>

#include <pwd.h>
#include <unistd.h>

namespace {

constexpr int kPort = 5432; // only names the socket file in the private folder

// The newest server installed (Debian keeps each major version in its own folder).
QString serverPrograms()
{
    const QDir versions(QStringLiteral("/usr/lib/postgresql"));
    QStringList names = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
    for (auto it = names.crbegin(); it != names.crend(); ++it)
        if (QFile::exists(versions.filePath(*it + QStringLiteral("/bin/initdb"))))
            return versions.filePath(*it + QStringLiteral("/bin"));
    return QString();
}

} // namespace

PgCluster::~PgCluster()
{
    stop();
}

bool PgCluster::run(const QString& program, const QStringList& arguments, QString* output) const
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(m_dir.path());
    if (m_user.isEmpty())
        process.start(m_bin + QLatin1Char('/') + program, arguments);
    else
        process.start(QStringLiteral("runuser"),
                      QStringList{"-u", m_user, "--", m_bin + QLatin1Char('/') + program} +
                          arguments);
    const bool ok = process.waitForFinished(60000) &&
                    process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (output)
        *output = QString::fromLocal8Bit(process.readAll()) + process.errorString();
    return ok;
}

bool PgCluster::start(QString* error)
{
    m_bin = serverPrograms();
    if (m_bin.isEmpty()) {
        *error = QStringLiteral("no PostgreSQL server under /usr/lib/postgresql (tools/setup.sh "
                                "installs it)");
        return false;
    }
    if (!m_dir.isValid()) {
        *error = QStringLiteral("no temporary folder");
        return false;
    }
    m_data = m_dir.filePath(QStringLiteral("data"));
    QDir().mkpath(m_data);
    if (::geteuid() == 0) {
        // The server refuses to run as root: the folder is handed to an unprivileged user.
        const passwd* nobody = ::getpwnam("nobody");
        if (nobody == nullptr) {
            *error = QStringLiteral("no user 'nobody' to run the server as");
            return false;
        }
        m_user = QStringLiteral("nobody");
        QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                QFile::ReadOther | QFile::ExeOther);
        if (::chown(QFile::encodeName(m_data).constData(), nobody->pw_uid, nobody->pw_gid) != 0 ||
            ::chown(QFile::encodeName(m_dir.path()).constData(), nobody->pw_uid, nobody->pw_gid) !=
                0) {
            *error = QStringLiteral("cannot hand %1 to nobody").arg(m_dir.path());
            return false;
        }
    }
    QString output;
    if (!run(QStringLiteral("initdb"),
             {"-D", m_data, "-U", "postgres", "-A", "trust", "-E", "UTF8", "--no-sync",
              "--no-locale"},
             &output)) {
        *error = QStringLiteral("initdb failed: ") + output;
        return false;
    }
    return restart(error);
}

bool PgCluster::restart(QString* error)
{
    QString output;
    const QString options = QStringLiteral("-k %1 -p %2 -c listen_addresses= -c fsync=off")
                                .arg(m_dir.path())
                                .arg(kPort);
    m_running = run(
        QStringLiteral("pg_ctl"),
        {"-D", m_data, "-l", m_dir.filePath(QStringLiteral("log")), "-o", options, "-w", "start"},
        &output);
    if (!m_running)
        *error = QStringLiteral("pg_ctl start failed: ") + output;
    return m_running;
}

bool PgCluster::stop()
{
    if (!m_running)
        return true;
    m_running =
        !run(QStringLiteral("pg_ctl"), {"-D", m_data, "-m", "immediate", "-w", "stop"}, nullptr);
    return !m_running;
}

QString PgCluster::createDatabase(const QString& name, QString* error)
{
    QString output;
    if (!run(QStringLiteral("createdb"),
             {"-h", m_dir.path(), "-p", QString::number(kPort), "-U", "postgres", name}, &output)) {
        *error = QStringLiteral("createdb failed: ") + output;
        return QString();
    }
    // One pass: the percent signs of the folder are no place markers.
    return QStringLiteral("postgresql://postgres@%1:%2/%3")
        .arg(QString::fromLatin1(QUrl::toPercentEncoding(m_dir.path())), QString::number(kPort),
             name);
}
