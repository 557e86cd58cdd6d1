#include "provision/unit_record.h"

#include "provision/unit_failure.h"

#include <QJsonArray>

QString UnitRecord::resultText(Result r)
{
    switch (r) {
    case Passed:
        return QStringLiteral("passed");
    case Skipped:
        return QStringLiteral("skipped");
    case Failed:
        break;
    }
    return QStringLiteral("failed");
}

std::optional<UnitRecord::Result> UnitRecord::resultFromText(const QString &text)
{
    for (Result r : {Passed, Failed, Skipped})
        if (resultText(r) == text)
            return r;
    return std::nullopt;
}

QString UnitRecord::failureText() const
{
    return failureCode.isEmpty() ? failure : failure::Text(failureCode, failureArgs);
}

void UnitRecord::fail(const QString &code, const QStringList &args)
{
    result = Failed;
    failureCode = code;
    // A failure is one line wherever it is shown (a driver's message may hold several).
    failureArgs.clear();
    for (QString a : args)
        failureArgs << a.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' ')).trimmed();
    failure = failure::Text(code, failureArgs);
}

QJsonObject StringMapJson(const QMap<QString, QString> &m)
{
    QJsonObject o;
    for (auto it = m.cbegin(); it != m.cend(); ++it)
        o.insert(it.key(), it.value());
    return o;
}

QMap<QString, QString> StringMapFromJson(const QJsonObject &o)
{
    QMap<QString, QString> m;
    for (auto it = o.constBegin(); it != o.constEnd(); ++it)
        m.insert(it.key(), it.value().toString());
    return m;
}

QJsonObject UnitRecord::toJson() const
{
    QJsonObject o{{QStringLiteral("time"), started.toString(Qt::ISODateWithMs)},
                  {QStringLiteral("station"), station},
                  {QStringLiteral("port"), port},
                  {QStringLiteral("golden"), golden},
                  {QStringLiteral("version"), version},
                  {QStringLiteral("identity"), StringMapJson(identity)},
                  {QStringLiteral("unique"), StringMapJson(unique)},
                  {QStringLiteral("params"), WrittenParamsJson(params)},
                  {QStringLiteral("result"), resultText(result)},
                  {QStringLiteral("failure"), failure},
                  {QStringLiteral("duration_ms"), durationMs}};
    if (id > 0)
        o.insert(QStringLiteral("id"), id);
    if (bytesOnWire > 0)
        o.insert(QStringLiteral("bytes"), bytesOnWire);
    if (!held.isEmpty())
        o.insert(QStringLiteral("held"), StringMapJson(held));
    if (!failureCode.isEmpty()) {
        o.insert(QStringLiteral("failure_code"), failureCode);
        o.insert(QStringLiteral("failure_args"), QJsonArray::fromStringList(failureArgs));
    }
    if (!unitId.isEmpty())
        o.insert(QStringLiteral("unit_id"), unitId);
    if (!goldenHash.isEmpty())
        o.insert(QStringLiteral("golden_hash"), goldenHash);
    if (!extHash.isEmpty())
        o.insert(QStringLiteral("ext_hash"), extHash);
    if (!uid.isEmpty())
        o.insert(QStringLiteral("uid"), uid);
    if (reused)
        o.insert(QStringLiteral("reused"), true);
    return o;
}

UnitRecord UnitRecord::fromJson(const QJsonObject &o)
{
    UnitRecord r;
    r.id = o.value(QStringLiteral("id")).toInteger();
    r.started = QDateTime::fromString(o.value(QStringLiteral("time")).toString(), Qt::ISODateWithMs);
    r.station = o.value(QStringLiteral("station")).toString();
    r.port = o.value(QStringLiteral("port")).toString();
    r.golden = o.value(QStringLiteral("golden")).toString();
    r.version = o.value(QStringLiteral("version")).toString();
    r.identity = StringMapFromJson(o.value(QStringLiteral("identity")).toObject());
    r.unique = StringMapFromJson(o.value(QStringLiteral("unique")).toObject());
    r.held = StringMapFromJson(o.value(QStringLiteral("held")).toObject());
    r.params = WrittenParamsFromJson(o.value(QStringLiteral("params")).toArray());
    r.result = resultFromText(o.value(QStringLiteral("result")).toString()).value_or(Failed);
    r.failure = o.value(QStringLiteral("failure")).toString();
    r.durationMs = o.value(QStringLiteral("duration_ms")).toInteger();
    r.bytesOnWire = o.value(QStringLiteral("bytes")).toInteger();
    r.failureCode = o.value(QStringLiteral("failure_code")).toString();
    for (const QJsonValue &v : o.value(QStringLiteral("failure_args")).toArray())
        r.failureArgs << v.toString();
    r.unitId = o.value(QStringLiteral("unit_id")).toString();
    r.goldenHash = o.value(QStringLiteral("golden_hash")).toString();
    r.extHash = o.value(QStringLiteral("ext_hash")).toString();
    r.uid = o.value(QStringLiteral("uid")).toString();
    r.reused = o.value(QStringLiteral("reused")).toBool();
    return r;
}

QJsonArray WrittenParamsJson(const QList<WrittenParam> &params)
{
    QJsonArray a;
    for (const WrittenParam &p : params)
        a.append(QJsonObject{{QStringLiteral("code"), p.code},
                             {QStringLiteral("name"), p.name},
                             {QStringLiteral("written"), p.written},
                             {QStringLiteral("read"), p.read},
                             {QStringLiteral("written_hex"), p.writtenHex},
                             {QStringLiteral("read_hex"), p.readHex}});
    return a;
}

QList<WrittenParam> WrittenParamsFromJson(const QJsonArray &a)
{
    QList<WrittenParam> params;
    for (const QJsonValue &v : a) {
        const QJsonObject o = v.toObject();
        params.append({o.value(QStringLiteral("code")).toString(), o.value(QStringLiteral("name")).toString(),
                       o.value(QStringLiteral("written")).toString(), o.value(QStringLiteral("read")).toString(),
                       o.value(QStringLiteral("written_hex")).toString(), o.value(QStringLiteral("read_hex")).toString()});
    }
    return params;
}

QList<QPair<QString, QString>> NamedUnitValues(const UnitRecord &r)
{
    // A unit given no values is labelled with what it holds; a failed one's old values are
    // never shown as if handed out.
    const QMap<QString, QString> &values = r.unique.isEmpty() && r.result != UnitRecord::Failed ? r.identity : r.unique;
    QList<QPair<QString, QString>> out;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        QString name = it.key();
        for (const WrittenParam &p : r.params)
            if (p.code.compare(it.key(), Qt::CaseInsensitive) == 0 && !p.name.isEmpty())
                name = p.name;
        out.append({name, it.value()});
    }
    return out;
}
