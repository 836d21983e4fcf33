#include "PgCluster.h"

#include "Settings.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool asRoot()
{
    return ::geteuid() == 0;
}

// Hands the folder to the postgres user when the tests run as root.
bool giveToPostgres(const QString &path, QString *error)
{
    if (!asRoot())
        return true;
    const passwd *pw = ::getpwnam("postgres");
    if (!pw) {
        *error = QStringLiteral("running as root and there is no user postgres to run the server as");
        return false;
    }
    if (::chown(QFile::encodeName(path).constData(), pw->pw_uid, pw->pw_gid) != 0) {
        *error = QStringLiteral("cannot give %1 to the user postgres").arg(path);
        return false;
    }
    return true;
}

}

PgCluster::PgCluster()
{
    // Socket file names are short; /tmp keeps the path under the 107-byte limit.
    m_dir.setAutoRemove(true);
    m_port = 20000 + int(QRandomGenerator::global()->bounded(40000));
}

PgCluster::~PgCluster()
{
    stop();
}

QString PgCluster::binFolder()
{
    const QDir lib(QStringLiteral("/usr/lib/postgresql"));
    QStringList versions = lib.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed);
    for (const QString &v : versions)
        if (QFile::exists(lib.filePath(v + QStringLiteral("/bin/initdb"))))
            return lib.filePath(v + QStringLiteral("/bin"));
    return {};
}

QString PgCluster::socketFolder() const
{
    return m_dir.path();
}

bool PgCluster::runTool(const QString &tool, const QStringList &args, QString *output, QString *error) const
{
    const QString bin = binFolder();
    if (bin.isEmpty()) {
        *error = QStringLiteral("PostgreSQL is not installed (no /usr/lib/postgresql/*/bin/initdb; Debian package postgresql)");
        return false;
    }
    QProcess p;
    p.setWorkingDirectory(m_dir.path());
    const QString program = QDir(bin).filePath(tool);
    if (asRoot() && tool != QLatin1String("psql"))
        p.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--"), program} + args);
    else
        p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (error)
            *error = QStringLiteral("%1 failed: %2 %3").arg(tool, QString::fromLocal8Bit(p.readAllStandardError()).trimmed(), p.errorString());
        return false;
    }
    if (output)
        *output = QString::fromUtf8(p.readAllStandardOutput());
    return true;
}

bool PgCluster::start(QString *error)
{
    if (!m_dir.isValid()) {
        *error = QStringLiteral("no temporary folder for the cluster");
        return false;
    }
    ::chmod(QFile::encodeName(m_dir.path()).constData(), 0755);
    const QString data = QDir(m_dir.path()).filePath(QStringLiteral("data"));
    QDir().mkpath(data);
    if (!giveToPostgres(m_dir.path(), error) || !giveToPostgres(data, error))
        return false;
    if (!runTool(QStringLiteral("initdb"),
                 {QStringLiteral("-D"), data, QStringLiteral("-U"), QStringLiteral("postgres"), QStringLiteral("-A"),
                  QStringLiteral("trust"), QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--no-locale"),
                  QStringLiteral("--no-sync")},
                 nullptr, error))
        return false;
    if (!restart(error))
        return false;
    return psql(QStringLiteral("CREATE DATABASE tavrel"), nullptr, error, QStringLiteral("postgres"));
}

bool PgCluster::restart(QString *error)
{
    const QString data = QDir(m_dir.path()).filePath(QStringLiteral("data"));
    // Durability is not under test here: fsync off keeps the test quick.
    const QString options = QStringLiteral("-k %1 -p %2 -c listen_addresses='' -c fsync=off "
                                           "-c synchronous_commit=off -c full_page_writes=off")
                                .arg(m_dir.path())
                                .arg(m_port);
    if (!runTool(QStringLiteral("pg_ctl"),
                 {QStringLiteral("-D"), data, QStringLiteral("-o"), options, QStringLiteral("-l"),
                  QDir(m_dir.path()).filePath(QStringLiteral("server.log")), QStringLiteral("-w"), QStringLiteral("start")},
                 nullptr, error)) {
        QFile log(QDir(m_dir.path()).filePath(QStringLiteral("server.log")));
        if (log.open(QIODevice::ReadOnly))
            *error += QStringLiteral("; server log: ") + QString::fromLocal8Bit(log.readAll().right(800));
        return false;
    }
    m_running = true;
    return true;
}

bool PgCluster::stop(QString *error)
{
    if (!m_running)
        return true;
    QString ignored;
    const bool ok = runTool(QStringLiteral("pg_ctl"),
                            {QStringLiteral("-D"), QDir(m_dir.path()).filePath(QStringLiteral("data")),
                             QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")},
                            nullptr, error ? error : &ignored);
    m_running = !ok;
    return ok;
}

CentralSettings PgCluster::settings(const QString &database, const QString &user) const
{
    CentralSettings s;
    s.host = m_dir.path();
    s.port = m_port;
    s.database = database;
    s.user = user;
    return s;
}

bool PgCluster::configure(QString *error, const QString &database, const QString &user) const
{
    return settings(database, user).save(error);
}

bool PgCluster::psql(const QString &sql, QString *output, QString *error, const QString &database) const
{
    return runTool(QStringLiteral("psql"),
                   {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-A"), QStringLiteral("-t"),
                    QStringLiteral("-F"), QStringLiteral("\t"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                    QStringLiteral("-h"), m_dir.path(), QStringLiteral("-p"), QString::number(m_port),
                    QStringLiteral("-U"), QStringLiteral("postgres"), QStringLiteral("-d"), database,
                    QStringLiteral("-c"), sql},
                   output, error);
}

QString PgCluster::value(const QString &sql, const QString &database) const
{
    QString out, error;
    if (!psql(sql, &out, &error, database))
        return {};
    return out.trimmed();
}
