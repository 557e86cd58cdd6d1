#include "support/pg_cluster.h"

#include <csignal>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <unistd.h>

PgCluster::~PgCluster() { stop(); }

QString PgCluster::binDir()
{
    const QDir root(QStringLiteral("/usr/lib/postgresql"));
    QStringList versions = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    // Newest first: the numeric versions sort as text well enough within one Debian release.
    std::reverse(versions.begin(), versions.end());
    for (const QString &v : versions) {
        const QString bin = root.filePath(v + QStringLiteral("/bin"));
        if (QFile::exists(bin + QStringLiteral("/initdb")) && QFile::exists(bin + QStringLiteral("/pg_ctl")))
            return bin;
    }
    return QString();
}

bool PgCluster::run(const QString &program, const QStringList &args, int timeoutMs)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setWorkingDirectory(m_dir.path());
    if (::geteuid() == 0)
        p.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--"),
                                                       m_bin + QLatin1Char('/') + program} + args);
    else
        p.start(m_bin + QLatin1Char('/') + program, args);
    if (!p.waitForFinished(timeoutMs) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        p.kill();
        m_error = QStringLiteral("%1 failed: %2").arg(program, QString::fromLocal8Bit(p.readAll()));
        return false;
    }
    return true;
}

bool PgCluster::start(const QString &name)
{
    m_bin = binDir();
    m_name = name;
    if (m_bin.isEmpty()) {
        m_error = QStringLiteral("no PostgreSQL server in /usr/lib/postgresql/*/bin");
        return false;
    }
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    // The server's user writes its data and socket here.
    QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                            QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther |
                                            QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup);
    const QString data = m_dir.filePath(QStringLiteral("data"));
    if (!run(QStringLiteral("initdb"), {QStringLiteral("-D"), data, QStringLiteral("-U"), QStringLiteral("dtu"),
                                        QStringLiteral("--auth=trust"), QStringLiteral("--no-sync"), QStringLiteral("-E"),
                                        QStringLiteral("UTF8"), QStringLiteral("--locale=C")},
             120000))
        return false;
    const QString options = QStringLiteral("-c listen_addresses='' -k %1 -c fsync=off -c full_page_writes=off").arg(m_dir.path());
    if (!run(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), data, QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"),
                                        QStringLiteral("-l"), m_dir.filePath(QStringLiteral("server.log")),
                                        QStringLiteral("-o"), options, QStringLiteral("start")},
             90000)) {
        QFile log(m_dir.filePath(QStringLiteral("server.log")));
        if (log.open(QIODevice::ReadOnly))
            m_error += QString::fromLocal8Bit(log.readAll());
        return false;
    }
    m_running = true;
    QProcess c;
    c.start(m_bin + QStringLiteral("/psql"), {QStringLiteral("-h"), m_dir.path(), QStringLiteral("-U"), QStringLiteral("dtu"),
                                              QStringLiteral("-d"), QStringLiteral("postgres"), QStringLiteral("-v"),
                                              QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-c"),
                                              QStringLiteral("CREATE DATABASE %1").arg(name)});
    if (!c.waitForFinished(30000) || c.exitCode() != 0) {
        m_error = QStringLiteral("CREATE DATABASE failed: ") + QString::fromLocal8Bit(c.readAllStandardError());
        return false;
    }
    return true;
}

void PgCluster::stop()
{
    if (!m_running)
        return;
    m_running = false;
    run(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), m_dir.filePath(QStringLiteral("data")), QStringLiteral("-m"),
                                   QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")},
        60000);
}

QString PgCluster::url() const
{
    return QStringLiteral("postgresql:///%1?host=%2&user=dtu").arg(m_name, m_dir.path());
}

bool PgCluster::freeze(bool frozen)
{
    QFile pidFile(m_dir.filePath(QStringLiteral("data/postmaster.pid")));
    if (!pidFile.open(QIODevice::ReadOnly))
        return false;
    const qint64 postmaster = pidFile.readLine().trimmed().toLongLong();
    if (postmaster <= 0)
        return false;
    QList<qint64> pids{postmaster};
    // Its children: every backend already connected would otherwise go on answering.
    const QDir proc(QStringLiteral("/proc"));
    for (const QString &entry : proc.entryList(QDir::Dirs)) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok)
            continue;
        QFile stat(proc.filePath(entry + QStringLiteral("/stat")));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields.at(1).toLongLong() == postmaster)
            pids << pid;
    }
    bool all = true;
    for (qint64 pid : pids)
        all = ::kill(pid_t(pid), frozen ? SIGSTOP : SIGCONT) == 0 && all;
    return all;
}
