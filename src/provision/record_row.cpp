#include "provision/record_row.h"
#include "provision/station_db.h"
#include "provision/unit_values.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlQuery>
#include <QVariant>

namespace recordrow {
namespace {
// A null QString binds as SQL NULL; the columns hold text, empty included.
QVariant text(const QString &s) { return QVariant(s.isNull() ? QStringLiteral("") : s); }
QString jsonText(const QJsonValue &v)
{
    return QString::fromUtf8(v.isArray() ? QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact)
                                         : QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact));
}
} // namespace

QString Columns()
{
    return QStringLiteral("id, started_at, station, port, golden, version, identity, unique_values, params, result,"
                          " failure, duration_ms, unit_id, golden_hash, ext_hash, failure_code, failure_args, reused,"
                          " record_uid, done_key");
}

QString InsertSql()
{
    return QStringLiteral("INSERT INTO units (started_at, station, port, golden, version, identity, unique_values,"
                          " unique_key, params, result, failure, duration_ms, done_key, unit_id, golden_hash, ext_hash,"
                          " failure_code, failure_args, reused, record_uid)"
                          " VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?) ON CONFLICT (record_uid) DO NOTHING");
}

QVariantList InsertValues(const UnitRecord &r)
{
    return {text(StationDb::TimeText(r.started)), text(r.station), text(r.port), text(r.golden), text(r.version),
            text(jsonText(StringMapJson(r.identity))), text(jsonText(StringMapJson(r.unique))),
            text(UniqueKey(r.unique)), text(jsonText(WrittenParamsJson(r.params))), text(UnitRecord::resultText(r.result)),
            text(r.failure), QVariant(r.durationMs), text(UniqueKey(r.held)), text(r.unitId),
            text(r.goldenHash), text(r.extHash), text(r.failureCode),
            text(jsonText(QJsonArray::fromStringList(r.failureArgs))), QVariant(r.reused ? 1 : 0), text(r.uid)};
}

QStringList GivenValues(const UnitRecord &r) { return r.unique.values(); }

UnitRecord FromRow(const QSqlQuery &q, int first)
{
    auto value = [&q, first](int i) { return q.value(first + i); };
    auto json = [&value](int i) { return QJsonDocument::fromJson(value(i).toString().toUtf8()); };
    UnitRecord r;
    r.id = value(0).toLongLong();
    r.started = QDateTime::fromString(value(1).toString(), Qt::ISODateWithMs);
    r.station = value(2).toString();
    r.port = value(3).toString();
    r.golden = value(4).toString();
    r.version = value(5).toString();
    r.identity = StringMapFromJson(json(6).object());
    r.unique = StringMapFromJson(json(7).object());
    r.params = WrittenParamsFromJson(json(8).array());
    r.result = UnitRecord::resultFromText(value(9).toString()).value_or(UnitRecord::Failed);
    r.failure = value(10).toString();
    r.durationMs = value(11).toLongLong();
    r.unitId = value(12).toString();
    r.goldenHash = value(13).toString();
    r.extHash = value(14).toString();
    r.failureCode = value(15).toString();
    for (const QJsonValue &v : json(16).array())
        r.failureArgs << v.toString();
    r.reused = value(17).toInt() != 0;
    r.uid = value(18).toString();
    r.held = HeldFromKey(value(19).toString());
    return r;
}
} // namespace recordrow
