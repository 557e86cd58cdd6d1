// diff and lint: a profile against the device, and a profile on its own.
#include "cli/cli_session.h"
#include "cli/commands.h"
#include "provision/profile_diff.h"
#include "provision/profile_lint.h"
#include "provision/value_pool.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

int RunDiff(CliSession &s, QString &error)
{
    const QString file = s.options().args.first();
    ParamTable *target = nullptr;
    if (const int exit = LoadProfileTable(s, target, error); exit != exOk)
        return exit;
    ParamTable &table = *target;
    const QVector<ParamRow> wanted = table.rows();
    // What the device leaves out of its answer must not look like the profile's value.
    for (int i = 0; i < table.size(); ++i)
        if (!table.row(i).isHeading())
            table.setStoredAndShown(i, QString(), QString());
    if (auto e = s.connect()) {
        error = e->text;
        return e->exit;
    }
    const int rc = ReadTable(s, s.options().ext, error);
    if (rc != exOk)
        return rc;
    const QList<ParamDifference> diffs = ProfileDifferences(wanted, table.rows());
    QJsonArray a;
    QList<QStringList> rows{{QStringLiteral("CODE"), QStringLiteral("NAME"), QStringLiteral("PROFILE"), QStringLiteral("DEVICE")}};
    for (const ParamDifference &d : diffs) {
        a.append(QJsonObject{{QStringLiteral("code"), d.code},
                             {QStringLiteral("name"), d.name},
                             {QStringLiteral("profile"), d.profileShown},
                             {QStringLiteral("device"), d.deviceShown},
                             {QStringLiteral("profile_hex"), d.profileHex},
                             {QStringLiteral("device_hex"), d.deviceHex}});
        rows << QStringList{d.code, d.name, d.profileShown, d.deviceMissing ? QStringLiteral("(not returned)") : d.deviceShown};
    }
    s.out().set(QStringLiteral("differences"), a);
    if (diffs.isEmpty()) {
        s.out().line(QStringLiteral("no parameter differs from %1").arg(QFileInfo(file).fileName()));
        return exOk;
    }
    for (const QString &line : FormatTable(rows))
        s.out().line(line);
    error = QStringLiteral("%1 parameter(s) differ from %2").arg(diffs.size()).arg(QFileInfo(file).fileName());
    return exFindings;
}

int RunLint(CliSession &s, QString &error)
{
    const QString file = s.options().args.first();
    QStringList problems;
    QString fileError;
    const ScriptResult r = s.core().script.evaluateFile(s.options().script, &fileError);
    if (!fileError.isEmpty())
        problems << QStringLiteral("cannot read the script file %1: %2 (script calls are not checked)").arg(s.options().script, fileError);
    else if (!r.ok)
        problems << QStringLiteral("error in the script file %1: %2").arg(s.options().script, r.error);
    QStringList notWritten;
    problems << LintProfile(file, s.core().script, &notWritten);
    if (!s.options().units.isEmpty()) {
        // The same checks a station makes at start-up, so that a units file is fixed at the desk.
        QString unitsError;
        const auto units = ReadUnitsCsv(s.options().units, unitsError);
        s.core().profile.setExtBesideProfile(true);
        ValuePool pool;
        if (!units)
            problems << unitsError;
        else if (!s.core().profile.LoadProfile(file).ok)
            problems << QStringLiteral("%1: not checked, the profile does not load").arg(s.options().units);
        else if (!pool.prepare(s.core(), {}, units, s.options().units, true, unitsError))
            problems << unitsError;
    }
    s.out().set(QStringLiteral("problems"), QJsonArray::fromStringList(problems));
    s.out().set(QStringLiteral("not_written"), QJsonArray::fromStringList(notWritten));
    for (const QString &p : problems)
        s.out().line(p);
    for (const QString &n : notWritten)
        s.out().line(n);
    if (problems.isEmpty()) {
        s.out().line(QStringLiteral("%1: no problems").arg(file));
        return exOk;
    }
    error = QStringLiteral("%1 problem(s) in %2").arg(problems.size()).arg(file);
    return exFindings;
}
