// read, get, set, apply, dump: the parameter tables against the device.
#include "cli/cli_session.h"
#include "cli/commands.h"
#include "params/param_editor_logic.h"
#include "params/value_conversions.h"
#include "params/value_input.h"
#include "text/hex.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {
// The read failures as the log shows them, in the language in force.
bool isReadFailure(const QString &line)
{
    for (frame::DataCheck c : {frame::DataCheck::BadHeader, frame::DataCheck::BadCommand, frame::DataCheck::BadChecksum})
        if (line == ParamOps::ReadFailureText(c))
            return true;
    return false;
}

struct RowRef {
    ParamTable *table = nullptr;
    int index = -1;
};

QJsonObject rowJson(const ParamRow &r)
{
    return QJsonObject{{QStringLiteral("code"), r.cmdId},
                       {QStringLiteral("name"), r.name},
                       {QStringLiteral("value"), r.shown},
                       {QStringLiteral("hex"), r.hexDigits()}};
}

// Looks a parameter up by code (case ignored), then by name, in the main table and then in the
// extended one (only the extended one with --ext).
std::optional<RowRef> findRow(CliSession &s, const QString &key)
{
    QList<ParamTable *> tables;
    if (!s.options().ext)
        tables << &s.core().mainTable;
    tables << &s.core().extTable;
    for (ParamTable *t : tables) {
        const int i = t->findByCode(key);
        if (i >= 0 && !key.isEmpty())
            return RowRef{t, i};
    }
    for (ParamTable *t : tables)
        for (int i = 0; i < t->size(); ++i)
            if (!t->row(i).isHeading() && t->row(i).name == key)
                return RowRef{t, i};
    return std::nullopt;
}

// The exit status of a write result; `newLog` holds what the write logged.
int writeFailure(int result, const QStringList &newLog, const QString &what, QString &error)
{
    if (result == rcNotSent) {
        for (const QString &line : newLog) {
            const CliError e = CliSession::errorFromText(line);
            if (e.exit == exNoChannel) {
                error = e.text;
                return e.exit;
            }
        }
        error = what + QStringLiteral(": ") +
                (newLog.isEmpty() ? QStringLiteral("its parameter table is not addressed") : newLog.first());
        return exOther;
    }
    error = what + QStringLiteral(": ") + ParamOps::WriteResultText(result);
    return ExitForResult(result);
}

// Reads every parameter of one table as the window's read buttons do.
int readTable(CliSession &s, bool ext, QString &error)
{
    if (ext && s.core().extTable.size() == 0) {
        error = QStringLiteral("the profile has no extended parameters");
        return exUsage;
    }
    CliSink &sink = s.sink();
    const int logFrom = sink.log.size();
    const int msgFrom = sink.messages.size();
    const int errFrom = sink.errors.size();
    const bool ok = ext ? s.params().readExtParams(sink) : s.params().readMainParams(sink);
    if (ok)
        return exOk;
    for (int i = msgFrom; i < sink.messages.size(); ++i) {
        const CliError e = CliSession::errorFromText(sink.messages.at(i));
        error = e.text;
        return e.exit;
    }
    for (int i = errFrom; i < sink.errors.size(); ++i) {
        const CliError e = CliSession::errorFromText(sink.errors.at(i));
        error = QStringLiteral("reading failed: ") + e.text;
        return e.exit;
    }
    for (int i = logFrom; i < sink.log.size(); ++i) {
        const QString &line = sink.log.at(i);
        if (line == ParamOps::ReadFailureText(frame::DataCheck::NoReply)) {
            error = QStringLiteral("reading failed: ") + line;
            return exNoReply;
        }
        if (isReadFailure(line)) {
            error = QStringLiteral("reading failed: ") + line;
            return exBadFrame;
        }
    }
    error = QStringLiteral("reading failed: no parameter table is addressed");
    return exOther;
}

void putTable(CliSession &s, const ParamTable &table)
{
    QJsonArray params;
    QList<QStringList> rows{{QStringLiteral("CODE"), QStringLiteral("NAME"), QStringLiteral("VALUE"), QStringLiteral("HEX")}};
    for (const ParamRow &r : table.rows()) {
        if (r.isHeading())
            continue;
        params.append(rowJson(r));
        rows.append({r.cmdId, r.name, r.shown, r.hexDigits()});
    }
    s.out().set(QStringLiteral("table"), table.isExtended() ? QStringLiteral("ext") : QStringLiteral("main"));
    s.out().set(QStringLiteral("params"), params);
    for (const QString &line : FormatTable(rows))
        s.out().line(line);
}

// The row's new stored and shown values for `value`, converted as the table's editor does.
std::optional<StoredValue> convertValue(CliSession &s, const ParamRow &row, const QString &value, QString &why)
{
    return ConvertGivenValue(s.core().script, row, s.core().state.PrivilegeLevel, value, why);
}
} // namespace

int RunRead(CliSession &s, QString &error)
{
    if (s.options().ext && s.core().extTable.size() == 0) {
        error = QStringLiteral("the profile has no extended parameters");
        return exUsage;
    }
    if (auto e = s.connect()) {
        error = e->text;
        return e->exit;
    }
    const int rc = readTable(s, s.options().ext, error);
    if (rc == exOk)
        putTable(s, s.options().ext ? s.core().extTable : s.core().mainTable);
    return rc;
}

int RunGet(CliSession &s, QString &error)
{
    const QString key = s.options().args.first();
    const auto ref = findRow(s, key);
    if (!ref) {
        error = QStringLiteral("no parameter \"%1\" in the profile").arg(key);
        return exUsage;
    }
    if (auto e = s.connect()) {
        error = e->text;
        return e->exit;
    }
    const int rc = readTable(s, ref->table->isExtended(), error);
    if (rc != exOk)
        return rc;
    const ParamRow &r = ref->table->row(ref->index);
    s.out().set(QStringLiteral("param"), rowJson(r));
    s.out().line(QStringLiteral("%1 (%2) = %3  HEX:%4").arg(r.name, r.cmdId, r.shown, r.hexDigits()));
    return exOk;
}

int RunSet(CliSession &s, QString &error)
{
    struct Pending {
        RowRef ref;
        StoredValue value;
    };
    // Every value is checked before anything is sent.
    QList<Pending> pending;
    for (const QString &arg : s.options().args) {
        const int eq = arg.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            error = QStringLiteral("\"%1\" is not NAME=VALUE or CODE=VALUE").arg(arg);
            return exUsage;
        }
        const QString key = arg.left(eq);
        const auto ref = findRow(s, key);
        if (!ref) {
            error = QStringLiteral("no parameter \"%1\" in the profile").arg(key);
            return exUsage;
        }
        QString why;
        const auto value = convertValue(s, ref->table->row(ref->index), arg.mid(eq + 1), why);
        if (!value) {
            error = why;
            return exUsage;
        }
        pending.append({*ref, *value});
    }
    if (auto e = s.connect()) {
        error = e->text;
        return e->exit;
    }
    QJsonArray written;
    for (const Pending &p : pending) {
        s.selectSetFor(*p.ref.table);
        p.ref.table->setStoredAndShown(p.ref.index, p.value.stored, p.value.shown);
        const ParamRow row = p.ref.table->row(p.ref.index);
        const int logFrom = s.sink().log.size();
        const int r = s.params().WriteParam(row.cmdId, s.sink());
        QJsonObject o = rowJson(row);
        o.insert(QStringLiteral("result"), s.sink().panel());
        written.append(o);
        s.out().line(QStringLiteral("%1 (%2) = %3  %4").arg(row.name, row.cmdId, row.shown, s.sink().panel()));
        if (r != rcOk) {
            s.out().set(QStringLiteral("written"), written);
            return writeFailure(r, s.sink().log.mid(logFrom), QStringLiteral("writing %1 (%2)").arg(row.name, row.cmdId),
                                error);
        }
    }
    s.out().set(QStringLiteral("written"), written);
    return exOk;
}

int LoadProfileTable(CliSession &s, ParamTable *&table, QString &error)
{
    const QString file = s.options().args.first();
    if (auto e = s.loadProfile(file)) {
        error = e->text;
        return e->exit;
    }
    table = s.options().ext ? &s.core().extTable : &s.core().mainTable;
    if (s.options().ext && table->size() == 0) {
        error = QStringLiteral("%1 names no extended parameters").arg(file);
        return exUsage;
    }
    return exOk;
}

int RunApply(CliSession &s, QString &error)
{
    ParamTable *target = nullptr;
    if (const int exit = LoadProfileTable(s, target, error); exit != exOk)
        return exit;
    ParamTable &table = *target;
    if (auto e = s.connect()) {
        error = e->text;
        return e->exit;
    }
    s.selectSetFor(table);
    QList<int> coded;
    for (int i = 0; i < table.size(); ++i)
        if (!table.row(i).isHeading())
            coded.append(i);
    const int total = coded.size();
    int written = 0;
    int skipped = 0;
    int worst = exOk;
    QJsonArray params;
    for (int n = 0; n < total; ++n) {
        const ParamRow row = table.row(coded.at(n));
        const QString progress = QStringLiteral("%1/%2").arg(n + 1).arg(total);
        if (IsProtectedRow(row.cmdId, s.core().state.PrivilegeLevel)) {
            ++skipped;
            CliOutput::note(QStringLiteral("%1 %2 (%3): protected, skipped").arg(progress, row.name, row.cmdId));
            continue;
        }
        CliOutput::note(QStringLiteral("%1 %2 (%3)").arg(progress, row.name, row.cmdId));
        const int logFrom = s.sink().log.size();
        const int r = s.params().WriteParam(row.cmdId, s.sink(), progress);
        QJsonObject o = rowJson(row);
        o.insert(QStringLiteral("result"), s.sink().panel());
        params.append(o);
        s.out().line(QStringLiteral("%1 (%2) = %3  %4").arg(row.name, row.cmdId, row.shown, s.sink().panel()));
        if (r == rcOk) {
            ++written;
            continue;
        }
        QString why;
        const int rc = writeFailure(r, s.sink().log.mid(logFrom), QStringLiteral("writing %1 (%2)").arg(row.name, row.cmdId), why);
        if (worst == exOk) {
            worst = rc;
            error = why;
        }
        // A refusal concerns one parameter; silence or bad frames will not get better.
        if (rc != exRefused)
            break;
    }
    s.out().set(QStringLiteral("params"), params);
    s.out().set(QStringLiteral("written"), written);
    s.out().set(QStringLiteral("skipped"), skipped);
    s.out().line(QStringLiteral("%1 of %2 parameters written%3").arg(written).arg(total).arg(
        skipped ? QStringLiteral(", %1 skipped").arg(skipped) : QString()));
    return worst;
}

int RunDump(CliSession &s, QString &error)
{
    if (auto e = s.connect()) {
        error = e->text;
        return e->exit;
    }
    const int rc = readTable(s, false, error);
    if (rc != exOk)
        return rc;
    QString why;
    if (!s.core().profile.SaveProfileAs(s.options().out, &why)) {
        error = QStringLiteral("cannot write %1: %2").arg(s.options().out, why);
        return exOther;
    }
    putTable(s, s.core().mainTable);
    s.out().set(QStringLiteral("file"), s.options().out);
    CliOutput::note(QStringLiteral("saved to ") + s.options().out);
    return exOk;
}

int ReadTable(CliSession &s, bool ext, QString &error)
{
    return readTable(s, ext, error);
}
