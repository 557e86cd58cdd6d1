#include "provision/floor_queries.h"
#include "provision/record_row.h"
#include "provision/station_db.h"
#include "provision/unit_values.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>

namespace {
QString spanClause(const FloorSpan &span, QVariantList &binds)
{
    QString sql = QStringLiteral(" started_at >= ?");
    binds << StationDb::TimeText(span.from.isValid() ? span.from : QDateTime::fromSecsSinceEpoch(0, Qt::UTC));
    if (span.to.isValid()) {
        sql += QStringLiteral(" AND started_at < ?");
        binds << StationDb::TimeText(span.to);
    }
    return sql;
}

void count(StationCounts &c, const UnitRecord &r)
{
    c.tally.add(r);
    if (!c.first.isValid())
        c.first = r.started;
    c.last = r.started;
    if (r.result == UnitRecord::Skipped)
        return;
    QDateTime hour = r.started.toUTC();
    hour.setTime(QTime(hour.time().hour(), 0));
    if (c.hours.isEmpty() || c.hours.last().hour != hour)
        c.hours.append(HourCounts{hour, 0, 0});
    (r.result == UnitRecord::Passed ? c.hours.last().passed : c.hours.last().failed)++;
}
} // namespace

double StationCounts::perHour(const QDateTime &now, bool running) const
{
    if (!first.isValid())
        return 0;
    return tally.perHour(first.msecsTo(running ? now : last));
}

std::optional<FloorCounts> ReadFloor(StationDb &db, const FloorSpan &span, const QString &station, QString &error)
{
    QVariantList binds;
    QString sql = QStringLiteral("SELECT station, started_at, result, unit_id, identity, unique_key FROM units WHERE") +
                  spanClause(span, binds);
    if (!station.isEmpty()) {
        sql += QStringLiteral(" AND station = ?");
        binds << station;
    }
    sql += QStringLiteral(" ORDER BY started_at, id");
    QMap<QString, StationCounts> byStation;
    FloorCounts floor;
    const bool ok = db.select(
        sql, binds,
        [&](const QSqlQuery &q) {
            UnitRecord r;
            r.station = q.value(0).toString();
            r.started = QDateTime::fromString(q.value(1).toString(), Qt::ISODateWithMs);
            r.result = UnitRecord::resultFromText(q.value(2).toString()).value_or(UnitRecord::Failed);
            r.unitId = q.value(3).toString();
            r.identity = StringMapFromJson(QJsonDocument::fromJson(q.value(4).toString().toUtf8()).object());
            r.unique = HeldFromKey(q.value(5).toString());
            StationCounts &c = byStation[r.station];
            c.station = r.station;
            count(c, r);
            count(floor.total, r);
        },
        QStringLiteral("cannot count the floor's units"), error);
    if (!ok)
        return std::nullopt;
    floor.stations = byStation.values();
    return floor;
}

std::optional<QList<FailureKind>> ReadFailureKinds(StationDb &db, const FloorSpan &span, const QString &station,
                                                   QString &error)
{
    QVariantList binds{UnitRecord::resultText(UnitRecord::Failed)};
    QString sql = QStringLiteral("SELECT failure_code, station, COUNT(*) FROM units WHERE result = ? AND") +
                  spanClause(span, binds);
    if (!station.isEmpty()) {
        sql += QStringLiteral(" AND station = ?");
        binds << station;
    }
    sql += QStringLiteral(" GROUP BY failure_code, station");
    QMap<QString, FailureKind> kinds;
    const bool ok = db.select(
        sql, binds,
        [&](const QSqlQuery &q) {
            FailureKind &k = kinds[q.value(0).toString()];
            k.code = q.value(0).toString();
            const int n = q.value(2).toInt();
            k.count += n;
            k.byStation[q.value(1).toString()] += n;
        },
        QStringLiteral("cannot count the failures"), error);
    if (!ok)
        return std::nullopt;
    QList<FailureKind> out = kinds.values();
    std::stable_sort(out.begin(), out.end(), [](const FailureKind &a, const FailureKind &b) { return a.count > b.count; });
    return out;
}

namespace {
// The WHERE clause of a unit search, cursor included.
QString unitWhere(const UnitFilter &f, QVariantList &binds)
{
    QString sql = spanClause(f.span, binds);
    auto equal = [&](const QString &column, const QString &value) {
        if (value.isEmpty())
            return;
        sql += QStringLiteral(" AND %1 = ?").arg(column);
        binds << value;
    };
    if (!f.value.isEmpty()) {
        sql += QStringLiteral(" AND id IN (SELECT unit_row FROM given_values WHERE value = ?)");
        binds << f.value;
    }
    equal(QStringLiteral("unit_id"), f.unitId);
    equal(QStringLiteral("port"), f.port);
    equal(QStringLiteral("station"), f.station);
    equal(QStringLiteral("result"), f.result);
    equal(QStringLiteral("failure_code"), f.failureCode);
    return sql;
}
} // namespace

bool IsUnitCursor(const QString &cursor)
{
    if (cursor.isEmpty())
        return true;
    const int bar = cursor.lastIndexOf(QLatin1Char('|'));
    bool ok = false;
    const qint64 id = cursor.mid(bar + 1).toLongLong(&ok);
    return bar > 0 && ok && id > 0 && QDateTime::fromString(cursor.left(bar), Qt::ISODateWithMs).isValid();
}

std::optional<UnitPage> SearchUnits(StationDb &db, const UnitFilter &f, QString &error)
{
    QVariantList binds;
    QString sql = QStringLiteral("SELECT %1 FROM units WHERE").arg(recordrow::Columns()) + unitWhere(f, binds);
    // The cursor is the last unit shown: "time|id"; the next page starts below it. The bound
    // on the time alone lets the time index find the page's start.
    const int bar = f.before.lastIndexOf(QLatin1Char('|'));
    if (bar > 0) {
        sql += QStringLiteral(" AND started_at <= ? AND (started_at < ? OR id < ?)");
        binds << f.before.left(bar) << f.before.left(bar) << f.before.mid(bar + 1).toLongLong();
    }
    const int limit = std::max(f.limit, 1);
    sql += QStringLiteral(" ORDER BY started_at DESC, id DESC LIMIT %1").arg(limit + 1);
    UnitPage page;
    if (!db.select(sql, binds, [&](const QSqlQuery &q) { page.units.append(recordrow::FromRow(q)); },
                   QStringLiteral("cannot search the units"), error))
        return std::nullopt;
    if (page.units.size() > limit) {
        page.units.removeLast();
        const UnitRecord &last = page.units.last();
        page.next = StationDb::TimeText(last.started) + QLatin1Char('|') + QString::number(last.id);
    }
    return page;
}

std::optional<qint64> CountUnits(StationDb &db, const UnitFilter &f, QString &error)
{
    QVariantList binds;
    const QString sql = QStringLiteral("SELECT COUNT(*) FROM units WHERE") + unitWhere(f, binds);
    qint64 n = 0;
    if (!db.select(sql, binds, [&](const QSqlQuery &q) { n = q.value(0).toLongLong(); },
                   QStringLiteral("cannot count the units"), error))
        return std::nullopt;
    return n;
}

std::optional<QList<UnitRecord>> UnitHistory(StationDb &db, const QString &unitId, const QString &value, QString &error)
{
    const bool byId = !unitId.isEmpty();
    const QString sql =
        QStringLiteral("SELECT %1 FROM units WHERE %2 ORDER BY started_at DESC, id DESC LIMIT 500")
            .arg(recordrow::Columns(), byId ? QStringLiteral("unit_id = ?")
                                            : QStringLiteral("id IN (SELECT unit_row FROM given_values WHERE value = ?)"));
    QList<UnitRecord> out;
    if (!db.select(sql, {byId ? unitId : value}, [&](const QSqlQuery &q) { out.append(recordrow::FromRow(q)); },
                   QStringLiteral("cannot look the unit up"), error))
        return std::nullopt;
    return out;
}

std::optional<QString> RecordsStamp(StationDb &db, QString &error)
{
    QString stamp;
    if (!db.select(QStringLiteral("SELECT MAX(id), COUNT(*) FROM units WHERE id > (SELECT COALESCE(MAX(id), 0) FROM units) - 10000"),
                   {}, [&](const QSqlQuery &q) { stamp = q.value(0).toString() + QLatin1Char('.') + q.value(1).toString(); },
                   QStringLiteral("cannot read the records"), error))
        return std::nullopt;
    return stamp;
}
