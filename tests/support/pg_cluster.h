#pragma once
// A throw-away PostgreSQL cluster in a temporary folder, reachable only on a Unix socket there.
// initdb refuses to run as root, so under root the server runs as the user "nobody".
#include <QString>
#include <QTemporaryDir>

class PgCluster {
public:
    PgCluster() = default;
    ~PgCluster();
    PgCluster(const PgCluster &) = delete;
    PgCluster &operator=(const PgCluster &) = delete;

    // The folder holding initdb and pg_ctl; empty when the server is not installed.
    static QString binDir();
    // initdb, start, create database `name`. False with errorText() set.
    bool start(const QString &name = QStringLiteral("dtu"));
    void stop();
    // Stops (SIGSTOP) or resumes the server and every process of it: it then accepts
    // connections in the kernel but answers nothing, as a server that hangs.
    bool freeze(bool frozen);
    // postgresql:///NAME?host=SOCKETDIR&user=dtu
    QString url() const;
    QString errorText() const { return m_error; }

private:
    bool run(const QString &program, const QStringList &args, int timeoutMs);

    QTemporaryDir m_dir;
    QString m_bin;
    QString m_name;
    QString m_error;
    bool m_running = false;
};
