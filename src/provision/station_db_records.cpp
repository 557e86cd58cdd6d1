// The unit records in the database: stored once each, read back for reports and to know a unit.
#include "provision/record_row.h"
#include "provision/station_db.h"
#include "provision/unit_values.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

namespace {
// A null QString binds as SQL NULL; the columns hold text, empty included.
QVariant text(const QString &s) { return QVariant(s.isNull() ? QStringLiteral("") : s); }
} // namespace

bool StationDb::insert(UnitRecord &r, QString &error)
{
    if (!ensureConnected(error))
        return false;
    if (r.uid.isEmpty())
        r.uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QString what = QStringLiteral("cannot store the record of %1").arg(r.port);
    // The record and the values it is found by are stored together or not at all.
    return transaction(
        [&](QString &err) {
            QSqlQuery q(QSqlDatabase::database(m_name, false));
            prepare(q, recordrow::InsertSql());
            for (const QVariant &v : recordrow::InsertValues(r))
                q.addBindValue(v);
            if (!run(q)) {
                err = failedText(what, q.lastError());
                return false;
            }
            // A record already stored (sent again from an outbox) is stored once.
            const bool added = q.numRowsAffected() > 0;
            prepare(q, QStringLiteral("SELECT id FROM units WHERE record_uid = ?"));
            q.addBindValue(r.uid);
            if (!run(q) || !q.next()) {
                err = failedText(what, q.lastError());
                return false;
            }
            r.id = q.value(0).toLongLong();
            if (!added)
                return true;
            for (const QString &value : recordrow::GivenValues(r)) {
                prepare(q, QStringLiteral("INSERT INTO given_values (unit_row, value) VALUES (?, ?)"));
                q.addBindValue(r.id);
                q.addBindValue(text(value));
                if (!run(q)) {
                    err = failedText(what, q.lastError());
                    return false;
                }
            }
            return true;
        },
        error);
}

std::optional<bool> StationDb::wasDone(const QMap<QString, QString> &held, const QMap<QString, QString> &shown,
                                       QString &error)
{
    if (held.isEmpty())
        return false;
    if (!ensureConnected(error))
        return std::nullopt;
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    prepare(q, QStringLiteral("SELECT COUNT(*) FROM units WHERE (done_key = ? OR (done_key = '' AND unique_key = ?))"
                             " AND result = ?"));
    q.addBindValue(UniqueKey(held));
    q.addBindValue(text(UniqueKey(shown)));
    q.addBindValue(UnitRecord::resultText(UnitRecord::Passed));
    if (!run(q) || !q.next()) {
        error = failedText(QStringLiteral("cannot look the unit up"), q.lastError());
        return std::nullopt;
    }
    return q.value(0).toLongLong() > 0;
}

std::optional<QList<UnitRecord>> StationDb::records(const QDateTime &since, QString &error)
{
    if (!ensureConnected(error))
        return std::nullopt;
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    q.setForwardOnly(true);
    prepare(q, QStringLiteral("SELECT %1 FROM units WHERE started_at >= ? ORDER BY started_at, id").arg(recordrow::Columns()));
    q.addBindValue(since.isValid() ? text(TimeText(since)) : text(QString()));
    if (!run(q)) {
        error = failedText(QStringLiteral("cannot read the records"), q.lastError());
        return std::nullopt;
    }
    QList<UnitRecord> out;
    while (q.next())
        out.append(recordrow::FromRow(q));
    return out;
}

std::optional<QList<UnitRecord>> StationDb::recordsOfUnit(const QString &unitId, QString &error)
{
    if (!ensureConnected(error))
        return std::nullopt;
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    q.setForwardOnly(true);
    prepare(q, QStringLiteral("SELECT %1 FROM units WHERE unit_id = ? ORDER BY started_at DESC, id DESC LIMIT 200")
                  .arg(recordrow::Columns()));
    q.addBindValue(text(unitId));
    if (!run(q)) {
        error = failedText(QStringLiteral("cannot look the unit up"), q.lastError());
        return std::nullopt;
    }
    QList<UnitRecord> out;
    while (q.next())
        out.append(recordrow::FromRow(q));
    return out;
}

