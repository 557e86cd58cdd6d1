// The records database's connection: every statement under the client's own bound, and a new
// connection after one was given up.
#include "provision/db_watch.h"
#include "provision/station_db.h"
#include "provision/station_db_limits.h"
#include "provision/unit_failure.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <libpq-fe.h>

namespace {
// The driver's libpq connection (its type is named after libpq's struct tag), or null.
PGconn *pgConnection(const QSqlDatabase &db)
{
    const QVariant h = db.driver() ? db.driver()->handle() : QVariant();
    if (!h.isValid() || (qstrcmp(h.typeName(), "pg_conn*") != 0 && qstrcmp(h.typeName(), "PGconn*") != 0))
        return nullptr;
    return *static_cast<PGconn *const *>(h.constData());
}
} // namespace

int StationDb::socket() const
{
    if (!m_postgres)
        return -1;
    PGconn *conn = pgConnection(QSqlDatabase::database(m_name, false));
    return conn ? PQsocket(conn) : -1;
}

bool StationDb::prepare(QSqlQuery &q, const QString &sql)
{
    if (m_broken)
        return false;
    // Preparing is a round trip to a PostgreSQL server as well.
    dbwatch::Wait wait(socket(), waitBoundMs());
    const bool ok = q.prepare(sql);
    if (wait.cut())
        m_silent = m_broken = true;
    return ok && !m_broken;
}

bool StationDb::run(QSqlQuery &q, const QString *sql)
{
    // A connection given up is not used again; ensureConnected() makes a new one.
    if (m_broken)
        return false;
    bool ok;
    {
        dbwatch::Wait wait(socket(), waitBoundMs());
        ok = sql ? q.exec(*sql) : q.exec();
        if (wait.cut())
            m_silent = m_broken = true;
    }
    if (!ok && m_postgres && !m_broken) {
        PGconn *conn = pgConnection(QSqlDatabase::database(m_name, false));
        m_broken = !conn || PQstatus(conn) == CONNECTION_BAD;
    }
    return ok && !m_silent;
}

QString StationDb::failedText(const QString &what, const QSqlError &e) const
{
    if (m_silent)
        return QStringLiteral("%1: the %2 did not answer within %3 s").arg(what, m_describe).arg(waitBoundMs() / 1000.0);
    return QStringLiteral("%1: %2").arg(what, e.text());
}

bool StationDb::ensureConnected(QString &error)
{
    if (!m_broken) {
        m_silent = false;
        return true;
    }
    m_silent = true;
    if (dbwatch::Aborting()) {
        // Stopping: a reconnection would be one more wait on a server that does not answer.
        error = QStringLiteral("the %1 does not answer (the station is stopping)").arg(m_describe);
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    db.close();
    if (!db.open()) {
        error = QStringLiteral("the %1 does not answer: %2").arg(m_describe, db.lastError().text());
        return false;
    }
    m_broken = m_silent = false;
    return true;
}


QString StationDb::failureCode() const { return m_silent ? failure::kDbNotAnswering : failure::kDbError; }

QStringList StationDb::failureArgs(const QString &error) const
{
    return m_silent ? QStringList{m_describe, error} : QStringList{error};
}

int StationDb::waitBoundMs() const { return m_readOnly ? kReadingWaitMs : kClientWaitMs; }

bool StationDb::select(const QString &sql, const QVariantList &binds, const std::function<void(const QSqlQuery &)> &row,
                       const QString &what, QString &error)
{
    if (!ensureConnected(error))
        return false;
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    q.setForwardOnly(true);
    if (!prepare(q, sql)) {
        error = failedText(what, q.lastError());
        return false;
    }
    for (const QVariant &v : binds)
        q.addBindValue(v);
    if (!run(q)) {
        error = failedText(what, q.lastError());
        return false;
    }
    while (q.next())
        row(q);
    return true;
}
