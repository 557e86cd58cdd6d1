// The unit records in the database: stored once each, read back for reports and to know a unit.
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
QString jsonText(const QJsonValue &v)
{
    return QString::fromUtf8(v.isArray() ? QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact)
                                         : QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact));
}
} // namespace

bool StationDb::insert(UnitRecord &r, QString &error)
{
    if (!ensureConnected(error))
        return false;
    if (r.uid.isEmpty())
        r.uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QJsonArray params = WrittenParamsJson(r.params);
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    // A record already stored (sent again from an outbox) is stored once.
    prepare(q, QStringLiteral("INSERT INTO units (started_at, station, port, golden, version, identity, unique_values,"
                             " unique_key, params, result, failure, duration_ms, done_key, unit_id, golden_hash, ext_hash,"
                             " failure_code, failure_args, reused, record_uid)"
                             " VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?) ON CONFLICT (record_uid) DO NOTHING"));
    for (const QVariant &v : {text(TimeText(r.started)), text(r.station), text(r.port), text(r.golden), text(r.version),
                              text(jsonText(StringMapJson(r.identity))), text(jsonText(StringMapJson(r.unique))),
                              text(UniqueKey(r.unique)), text(jsonText(params)), text(UnitRecord::resultText(r.result)),
                              text(r.failure), QVariant(r.durationMs), text(UniqueKey(r.held)), text(r.unitId),
                              text(r.goldenHash), text(r.extHash), text(r.failureCode),
                              text(jsonText(QJsonArray::fromStringList(r.failureArgs))), QVariant(r.reused ? 1 : 0),
                              text(r.uid)})
        q.addBindValue(v);
    if (!run(q)) {
        error = failedText(QStringLiteral("cannot store the record of %1").arg(r.port), q.lastError());
        return false;
    }
    prepare(q, QStringLiteral("SELECT id FROM units WHERE record_uid = ?"));
    q.addBindValue(r.uid);
    if (!run(q) || !q.next()) {
        error = failedText(QStringLiteral("cannot store the record of %1").arg(r.port), q.lastError());
        return false;
    }
    r.id = q.value(0).toLongLong();
    return true;
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

namespace {
const char kRecordColumns[] = "id, started_at, station, port, golden, version, identity, unique_values, params, result,"
                              " failure, duration_ms, unit_id, golden_hash, ext_hash, failure_code, failure_args, reused,"
                              " record_uid, done_key";

UnitRecord recordFromRow(const QSqlQuery &q)
{
    auto json = [&q](int i) { return QJsonDocument::fromJson(q.value(i).toString().toUtf8()); };
    UnitRecord r;
    r.id = q.value(0).toLongLong();
    r.started = QDateTime::fromString(q.value(1).toString(), Qt::ISODateWithMs);
    r.station = q.value(2).toString();
    r.port = q.value(3).toString();
    r.golden = q.value(4).toString();
    r.version = q.value(5).toString();
    r.identity = StringMapFromJson(json(6).object());
    r.unique = StringMapFromJson(json(7).object());
    r.params = WrittenParamsFromJson(json(8).array());
    r.result = UnitRecord::resultFromText(q.value(9).toString()).value_or(UnitRecord::Failed);
    r.failure = q.value(10).toString();
    r.durationMs = q.value(11).toLongLong();
    r.unitId = q.value(12).toString();
    r.goldenHash = q.value(13).toString();
    r.extHash = q.value(14).toString();
    r.failureCode = q.value(15).toString();
    for (const QJsonValue &v : json(16).array())
        r.failureArgs << v.toString();
    r.reused = q.value(17).toInt() != 0;
    r.uid = q.value(18).toString();
    r.held = HeldFromKey(q.value(19).toString());
    return r;
}
} // namespace

std::optional<QList<UnitRecord>> StationDb::records(const QDateTime &since, QString &error)
{
    if (!ensureConnected(error))
        return std::nullopt;
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    q.setForwardOnly(true);
    prepare(q, QStringLiteral("SELECT %1 FROM units WHERE started_at >= ? ORDER BY started_at, id").arg(QLatin1String(kRecordColumns)));
    q.addBindValue(since.isValid() ? text(TimeText(since)) : text(QString()));
    if (!run(q)) {
        error = failedText(QStringLiteral("cannot read the records"), q.lastError());
        return std::nullopt;
    }
    QList<UnitRecord> out;
    while (q.next())
        out.append(recordFromRow(q));
    return out;
}

std::optional<QList<UnitRecord>> StationDb::recordsOfUnit(const QString &unitId, QString &error)
{
    if (!ensureConnected(error))
        return std::nullopt;
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    q.setForwardOnly(true);
    prepare(q, QStringLiteral("SELECT %1 FROM units WHERE unit_id = ? ORDER BY started_at DESC, id DESC LIMIT 200")
                  .arg(QLatin1String(kRecordColumns)));
    q.addBindValue(text(unitId));
    if (!run(q)) {
        error = failedText(QStringLiteral("cannot look the unit up"), q.lastError());
        return std::nullopt;
    }
    QList<UnitRecord> out;
    while (q.next())
        out.append(recordFromRow(q));
    return out;
}

