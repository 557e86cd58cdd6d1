#include "dashboard/dashboard_api.h"
#include "provision/floor_queries.h"
#include "provision/record_reader.h"
#include "provision/record_csv.h"
#include "provision/station_db.h"
#include "provision/unit_failure.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <optional>

namespace dashapi {
namespace {
// The texts answer in the request's language.
struct Here {
    static QString translate(const char *context, const char *source) { return TranslateHere(context, source); }
};

QString item(const Call &c, const char *name) { return c.query.queryItemValue(QLatin1String(name), QUrl::FullyDecoded).trimmed(); }

QJsonValue timeJson(const QDateTime &t) { return t.isValid() ? QJsonValue(StationDb::TimeText(t)) : QJsonValue(); }

// "2026-12-11T06:00" (local), "…Z" or with an offset; nullopt for text that is no time.
std::optional<QDateTime> parseTime(const QString &text)
{
    if (text.isEmpty())
        return QDateTime();
    QDateTime t = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!t.isValid())
        t = QDateTime::fromString(text, Qt::ISODate);
    if (!t.isValid())
        return std::nullopt;
    return t.toUTC();
}

// The span asked for: from/to, else the last `hours` (8 by default), running.
std::optional<FloorSpan> span(const Call &c, QString &bad)
{
    const auto from = parseTime(item(c, "from"));
    const auto to = parseTime(item(c, "to"));
    if (!from || !to) {
        bad = QStringLiteral("from and to are times such as 2026-12-11T06:00 or 2026-12-11T06:00:00Z");
        return std::nullopt;
    }
    FloorSpan s{*from, *to};
    if (!s.from.isValid()) {
        bool ok = true;
        const QString hoursText = item(c, "hours");
        const double hours = hoursText.isEmpty() ? 8.0 : hoursText.toDouble(&ok);
        if (!ok || !(hours > 0 && hours <= 24 * 366)) {
            bad = QStringLiteral("hours is a number of hours up to a year");
            return std::nullopt;
        }
        s.from = c.now.addMSecs(-qint64(hours * 3600000.0));
    }
    return s;
}

// A parameter holding a secret (an APN password) is named so in the profiles.
bool maskedName(const QString &name)
{
    static const QRegularExpression secret(QStringLiteral("密码|password|passwd|pwd|secret"), // not translated: profile names
                                           QRegularExpression::CaseInsensitiveOption);
    return secret.match(name).hasMatch();
}

QJsonObject countsJson(const StationCounts &c, const FloorSpan &s, const QDateTime &now)
{
    const bool running = !s.to.isValid() || s.to > now;
    const auto yield = c.tally.firstPassYield();
    QJsonArray hours;
    for (const HourCounts &h : c.hours)
        hours.append(QJsonObject{{QStringLiteral("hour"), timeJson(h.hour)},
                                 {QStringLiteral("passed"), h.passed},
                                 {QStringLiteral("failed"), h.failed}});
    return QJsonObject{{QStringLiteral("station"), c.station},
                       {QStringLiteral("passed"), c.tally.passed()},
                       {QStringLiteral("failed"), c.tally.failed()},
                       {QStringLiteral("skipped"), c.tally.skipped()},
                       {QStringLiteral("yield"), yield ? QJsonValue(*yield) : QJsonValue()},
                       {QStringLiteral("perHour"), qRound(c.perHour(now, running) * 10) / 10.0},
                       {QStringLiteral("first"), timeJson(c.first)},
                       {QStringLiteral("last"), timeJson(c.last)},
                       {QStringLiteral("quiet"), running && c.last.isValid() && c.last.secsTo(now) > kQuietMinutes * 60},
                       {QStringLiteral("hours"), hours}};
}

// The record as the dashboard may show it: the values of secret parameters masked, given or
// written.
UnitRecord shown(UnitRecord r)
{
    QSet<QString> secret;
    for (WrittenParam &p : r.params)
        if (maskedName(p.name) || maskedName(p.code)) {
            secret.insert(p.code);
            p.written = p.read = QStringLiteral("***");
        }
    for (QMap<QString, QString> *values : {&r.unique, &r.identity, &r.held})
        for (auto it = values->begin(); it != values->end(); ++it)
            if (secret.contains(it.key()) || maskedName(it.key()))
                it.value() = QStringLiteral("***");
    return r;
}

QJsonObject unitJson(const UnitRecord &record, bool withParams)
{
    const UnitRecord r = shown(record);
    QJsonArray values;
    for (const auto &[name, value] : NamedUnitValues(r))
        values.append(QJsonArray{name, value});
    QJsonObject o{{QStringLiteral("id"), r.id},
                  {QStringLiteral("time"), timeJson(r.started)},
                  {QStringLiteral("station"), r.station},
                  {QStringLiteral("port"), r.port},
                  {QStringLiteral("unitId"), r.unitId},
                  {QStringLiteral("result"), UnitRecord::resultText(r.result)},
                  {QStringLiteral("values"), values},
                  {QStringLiteral("reused"), r.reused},
                  {QStringLiteral("failureCode"), r.failureCode},
                  {QStringLiteral("failureKind"), r.result == UnitRecord::Failed ? failure::KindName(r.failureCode) : QString()},
                  {QStringLiteral("failure"), r.result == UnitRecord::Failed ? r.failureText() : QString()},
                  {QStringLiteral("goldenHash"), r.goldenHash},
                  {QStringLiteral("extHash"), r.extHash},
                  {QStringLiteral("golden"), r.golden},
                  {QStringLiteral("version"), r.version},
                  {QStringLiteral("seconds"), qRound(r.durationMs / 100.0) / 10.0}};
    if (withParams) {
        QJsonArray params;
        for (const WrittenParam &p : r.params) {
            params.append(QJsonObject{{QStringLiteral("code"), p.code},
                                      {QStringLiteral("name"), p.name},
                                      {QStringLiteral("written"), p.written},
                                      {QStringLiteral("read"), p.read},
                                      {QStringLiteral("same"), p.writtenHex == p.readHex}});
        }
        o.insert(QStringLiteral("params"), params);
    }
    return o;
}

UnitFilter filter(const Call &c, const FloorSpan &s)
{
    UnitFilter f;
    f.value = item(c, "value");
    f.unitId = item(c, "unit");
    f.port = item(c, "port");
    f.station = item(c, "station");
    f.result = item(c, "result");
    f.failureCode = item(c, "failure");
    f.span = s;
    f.before = item(c, "before");
    return f;
}

QByteArray json(const QJsonObject &o) { return QJsonDocument(o).toJson(QJsonDocument::Compact); }
} // namespace

bool IsPage(const QString &page)
{
    static const QStringList pages{QStringLiteral("floor"), QStringLiteral("failures"), QStringLiteral("units"),
                                   QStringLiteral("units.csv"), QStringLiteral("unit")};
    return pages.contains(page);
}

bool FollowsClock(const Call &c) { return c.page == QLatin1String("floor") || item(c, "from").isEmpty() || item(c, "to").isEmpty(); }

QString CacheKey(const Call &c)
{
    auto items = c.query.queryItems(QUrl::FullyDecoded);
    std::sort(items.begin(), items.end());
    QStringList parts{c.page, LanguageCode(c.language)};
    for (const auto &[k, v] : items)
        parts << k + QLatin1Char('=') + v;
    return parts.join(QLatin1Char('\x1f'));
}

bool Render(StationDb &db, const Call &c, Answer &a, QString &error)
{
    ThreadLanguage language(c.language);
    a.contentType = "application/json; charset=utf-8";
    QString bad;
    const auto s = span(c, bad);
    auto badRequest = [&a](const QString &why) {
        a.status = 400;
        a.body = json(QJsonObject{{QStringLiteral("error"), why}});
        return true;
    };
    if (!s)
        return badRequest(bad);
    const QJsonObject spanJson{{QStringLiteral("from"), timeJson(s->from)}, {QStringLiteral("to"), timeJson(s->to)},
                               {QStringLiteral("now"), timeJson(c.now)}};
    if (c.page == QLatin1String("floor")) {
        const auto floor = ReadFloor(db, *s, item(c, "station"), error);
        if (!floor)
            return false;
        QJsonArray stations;
        for (const StationCounts &sc : floor->stations)
            stations.append(countsJson(sc, *s, c.now));
        QJsonObject o = spanJson;
        o.insert(QStringLiteral("quietMinutes"), kQuietMinutes);
        o.insert(QStringLiteral("stations"), stations);
        o.insert(QStringLiteral("total"), countsJson(floor->total, *s, c.now));
        a.body = json(o);
        return true;
    }
    if (c.page == QLatin1String("failures")) {
        const auto kinds = ReadFailureKinds(db, *s, item(c, "station"), error);
        if (!kinds)
            return false;
        int total = 0;
        for (const FailureKind &k : *kinds)
            total += k.count;
        QJsonArray out;
        for (const FailureKind &k : *kinds) {
            QJsonObject byStation;
            for (auto it = k.byStation.cbegin(); it != k.byStation.cend(); ++it)
                byStation.insert(it.key(), it.value());
            out.append(QJsonObject{{QStringLiteral("code"), k.code},
                                   {QStringLiteral("name"), k.code.isEmpty() ? Here::translate("Dashboard", "其他") : failure::KindName(k.code)},
                                   {QStringLiteral("count"), k.count},
                                   {QStringLiteral("share"), double(k.count) / total},
                                   {QStringLiteral("stations"), byStation}});
        }
        QJsonObject o = spanJson;
        o.insert(QStringLiteral("total"), total);
        o.insert(QStringLiteral("kinds"), out);
        a.body = json(o);
        return true;
    }
    if (c.page == QLatin1String("units") || c.page == QLatin1String("units.csv")) {
        // Without a span the search runs over every record; the page asks with one.
        FloorSpan all = *s;
        if (item(c, "from").isEmpty() && item(c, "hours").isEmpty())
            all.from = QDateTime();
        UnitFilter f = filter(c, all);
        if (!IsUnitCursor(f.before))
            return badRequest(QStringLiteral("before is the next field of an earlier answer"));
        if (c.page == QLatin1String("units")) {
            bool ok = true;
            const QString limit = item(c, "limit");
            f.limit = limit.isEmpty() ? kMaxPageRows : limit.toInt(&ok);
            if (!ok || f.limit < 1 || f.limit > kMaxPageRows)
                return badRequest(QStringLiteral("limit is 1 to %1 rows").arg(kMaxPageRows));
            const auto page = SearchUnits(db, f, error);
            if (!page)
                return false;
            QJsonArray units;
            for (const UnitRecord &r : page->units)
                units.append(unitJson(r, false));
            a.body = json(QJsonObject{{QStringLiteral("units"), units},
                                      {QStringLiteral("next"), page->next.isEmpty() ? QJsonValue() : QJsonValue(page->next)}});
            return true;
        }
        // The export walks the pages; a filter beyond the bound is refused rather than cut short.
        const auto total = CountUnits(db, f, error);
        if (!total)
            return false;
        if (*total > kMaxCsvRows) {
            a.status = 413;
            a.contentType = "application/json; charset=utf-8";
            a.body = json(QJsonObject{{QStringLiteral("error"),
                                       Here::translate("Dashboard", "超过 %1 条记录：请缩小时间范围").arg(kMaxCsvRows)}});
            return true;
        }
        a.contentType = "text/csv; charset=utf-8";
        a.body = QByteArray("\xEF\xBB\xBF") + RecordsCsvHeader();
        f.limit = 1000;
        do {
            // Nobody waits any longer: the rest is not read.
            if (RecordReader::Abandoned()) {
                error = QStringLiteral("the export was given up");
                return false;
            }
            const auto page = SearchUnits(db, f, error);
            if (!page)
                return false;
            QList<UnitRecord> rows;
            for (const UnitRecord &r : page->units)
                rows.append(shown(r));
            a.body += RecordsCsvLines(rows);
            f.before = page->next;
        } while (!f.before.isEmpty());
        return true;
    }
    // One unit: by its identity, else by a value it was given.
    const QString unitId = item(c, "unit");
    const QString value = item(c, "value");
    if (unitId.isEmpty() && value.isEmpty())
        return badRequest(QStringLiteral("unit= or value= names the unit"));
    const auto attempts = UnitHistory(db, unitId, value, error);
    if (!attempts)
        return false;
    QJsonArray out;
    for (const UnitRecord &r : *attempts)
        out.append(unitJson(r, true));
    a.body = json(QJsonObject{{QStringLiteral("unit"), unitId}, {QStringLiteral("value"), value}, {QStringLiteral("attempts"), out}});
    return true;
}
} // namespace dashapi
