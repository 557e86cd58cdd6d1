// report: the production records as a table, CSV or JSON.
#include "cli/cli_output.h"
#include "provision/unit_failure.h"
#include "cli/exit_codes.h"
#include "cli/station_cli.h"
#include "provision/outbox.h"
#include "provision/record_csv.h"

#include <QFile>
#include <QMap>
#include <algorithm>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <cstdio>


int RunReport(const ReportArgs &args)
{
    CliOutput out(false);
    StationDb db;
    QString error;
    // A mistyped file name is an error, not an empty database made on the spot.
    if (!db.open(args.db, error, true))
        return out.finish(exOther, error);
    auto records = db.records(args.since, error);
    if (!records)
        return out.finish(exOther, error);
    // Records a station could not store yet are shown too, as pending.
    const Outbox outbox(Outbox::PathFor(args.db));
    const QList<UnitRecord> pending = outbox.pending(error);
    if (!error.isEmpty())
        return out.finish(exOther, error);
    for (const UnitRecord &r : pending)
        if (!args.since.isValid() || r.started >= args.since)
            records->append(r);
    if (args.json) {
        QJsonArray a;
        for (const UnitRecord &r : *records) {
            QJsonObject o = r.toJson();
            if (r.id == 0)
                o.insert(QStringLiteral("pending"), true);
            a.append(o);
        }
        const QByteArray b = QJsonDocument(a).toJson(QJsonDocument::Indented);
        std::fwrite(b.constData(), 1, static_cast<size_t>(b.size()), stdout);
        return exOk;
    }
    if (!args.csv.isEmpty()) {
        QSaveFile f(args.csv);
        if (!f.open(QIODevice::WriteOnly) || f.write(RecordsCsv(*records)) < 0 || !f.commit())
            return out.finish(exOther, QStringLiteral("cannot write %1: %2").arg(args.csv, f.errorString()));
        CliOutput::note(QStringLiteral("%1 record(s) written to %2").arg(records->size()).arg(args.csv));
        return exOk;
    }
    QList<QStringList> rows{{QStringLiteral("ID"), QStringLiteral("TIME"), QStringLiteral("STATION"), QStringLiteral("PORT"),
                             QStringLiteral("UNIT"), QStringLiteral("RESULT"), QStringLiteral("VALUES"), QStringLiteral("GOLDEN"),
                             QStringLiteral("SECONDS"), QStringLiteral("FAILURE")}};
    int passed = 0;
    int waiting = 0;
    QMap<QString, int> kinds;   // failures by kind, for the count below the table
    for (const UnitRecord &r : *records) {
        passed += r.result == UnitRecord::Passed;
        waiting += r.id == 0;
        if (r.result == UnitRecord::Failed)
            ++kinds[r.failureCode];
        rows << QStringList{r.id > 0 ? QString::number(r.id) : QStringLiteral("pending"), r.started.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                            r.station, r.port, r.unitId, UnitRecord::resultText(r.result), RecordMapText(r.unique),
                            RecordGoldenHash(r), QString::number(double(r.durationMs) / 1000.0, 'f', 1), r.failureText()};
    }
    for (const QString &line : FormatTable(rows))
        out.line(line);
    out.line(QStringLiteral("%1 record(s), %2 passed").arg(records->size()).arg(passed) +
             (waiting > 0 ? QStringLiteral(", %1 pending in %2").arg(waiting).arg(outbox.path()) : QString()));
    // Most frequent first; failures from before codes were kept count as one kind of their own.
    QList<QPair<int, QString>> byCount;
    for (auto it = kinds.cbegin(); it != kinds.cend(); ++it)
        byCount.append({it.value(), it.key()});
    std::sort(byCount.begin(), byCount.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    for (const auto &[count, code] : byCount)
        out.line(QStringLiteral("  %1 × %2").arg(count).arg(code.isEmpty() ? QStringLiteral("(other)") : failure::KindName(code)));
    return out.finish(exOk, QString());
}
