#include "provision/record_csv.h"

#include <QStringList>

namespace {
QString csvCell(const QString &text)
{
    QString t = text;
    // Text from a unit must stay text in a spreadsheet: a leading quote keeps it from being a formula.
    // A tab or a carriage return first is read past by some programs before they look for one.
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (!t.isEmpty() && formulaStarts.contains(t.at(0)))
        t.prepend(QLatin1Char('\''));
    if (!t.contains(QLatin1Char(',')) && !t.contains(QLatin1Char('"')) && !t.contains(QLatin1Char('\n')) &&
        !t.contains(QLatin1Char('\r')))
        return t;
    return QLatin1Char('"') + t.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QString paramsText(const QList<WrittenParam> &params)
{
    QStringList parts;
    for (const WrittenParam &p : params)
        parts << QStringLiteral("%1=%2/%3").arg(p.code, p.written, p.read);
    return parts.join(QLatin1Char(' '));
}
} // namespace

QString RecordMapText(const QMap<QString, QString> &m)
{
    QStringList parts;
    for (auto it = m.cbegin(); it != m.cend(); ++it)
        parts << it.key() + QLatin1Char('=') + it.value();
    return parts.join(QLatin1Char(' '));
}

QString RecordGoldenHash(const UnitRecord &r) { return r.extHash.isEmpty() ? r.goldenHash : r.goldenHash + QLatin1Char('+') + r.extHash; }

QByteArray RecordsCsvHeader()
{
    return QByteArrayLiteral("id,time,station,port,golden,version,identity,unique,result,failure,duration_ms,params,"
                             "unit_id,golden_hash,failure_code,failure_args\r\n");
}

QByteArray RecordsCsvLines(const QList<UnitRecord> &records)
{
    QByteArray out;
    for (const UnitRecord &r : records) {
        const QStringList cells{r.id > 0 ? QString::number(r.id) : QStringLiteral("pending"), r.started.toString(Qt::ISODateWithMs), r.station, r.port, r.golden,
                                r.version, RecordMapText(r.identity), RecordMapText(r.unique), UnitRecord::resultText(r.result),
                                r.failureText(), QString::number(r.durationMs), paramsText(r.params), r.unitId,
                                RecordGoldenHash(r), r.failureCode, r.failureArgs.join(QLatin1Char('\t'))};
        QStringList line;
        for (const QString &c : cells)
            line << csvCell(c);
        out += line.join(QLatin1Char(',')).toUtf8() + "\r\n";
    }
    return out;
}

QByteArray RecordsCsv(const QList<UnitRecord> &records)
{
    // A byte-order mark so that spreadsheet programs read the Chinese names as UTF-8.
    return QByteArray("\xEF\xBB\xBF") + RecordsCsvHeader() + RecordsCsvLines(records);
}
