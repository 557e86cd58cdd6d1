#include "provision/value_pool.h"

#include "params/param_editor_logic.h"
#include "params/value_input.h"
#include "session/core_session.h"

#include <QHash>

QString CanonicalStored(const QString &stored)
{
    return stored.isEmpty() ? QString() : QStringLiteral("HEX:") + stored.mid(4).toUpper();
}

std::optional<ParamRow> ValuePool::writableRow(const QString &key, const QString &given, QString &error) const
{
    for (const ParamTable *t : {&m_core->mainTable, &m_core->extTable}) {
        if (t == &m_core->extTable && !m_core->state.ExtTabVisible)
            break;
        int i = key.isEmpty() ? -1 : t->findByCode(key);
        for (int k = 0; i < 0 && k < t->size(); ++k)
            if (!t->row(k).isHeading() && t->row(k).name == key)
                i = k;
        if (i < 0)
            continue;
        const ParamRow &r = t->row(i);
        if (IsProtectedRow(r.cmdId, m_core->state.PrivilegeLevel)) {
            error = QStringLiteral("%1: %2 (%3) is protected and never written").arg(given, r.name, r.cmdId);
            return std::nullopt;
        }
        return r;
    }
    error = QStringLiteral("%1: no parameter \"%2\" in the golden profile").arg(given, key);
    return std::nullopt;
}

bool ValuePool::prepare(CoreSession &golden, const QList<UniqueSpec> &uniques, const std::optional<UnitsFile> &units,
                        const QString &unitsPath, QString &error)
{
    m_core = &golden;
    m_unitsPath = unitsPath;
    QHash<QString, QString> namedBy;   // code → where it was named first
    auto claim = [&](const ParamRow &row, const QString &where) {
        const QString code = row.cmdId.toUpper();
        if (namedBy.contains(code)) {
            error = QStringLiteral("%1 and %2 both name %3 (%4): a parameter gets its per-unit value from one place")
                        .arg(namedBy.value(code), where, row.name, code);
            return QString();
        }
        namedBy.insert(code, where);
        return code;
    };
    for (const UniqueSpec &u : uniques) {
        const QString where = QStringLiteral("--unique %1").arg(u.param);
        const auto row = writableRow(u.param, where, error);
        if (!row)
            return false;
        const QString code = claim(*row, where);
        if (code.isEmpty())
            return false;
        m_counters.append({u, *row, code});
    }
    if (!units)
        return true;
    QList<ParamRow> columnRows;
    for (const QString &p : units->params) {
        const QString where = QStringLiteral("--units column %1").arg(p);
        const auto row = writableRow(p, where, error);
        if (!row)
            return false;
        const QString code = claim(*row, where);
        if (code.isEmpty())
            return false;
        columnRows << *row;
        m_fileCodes << code;
    }
    // Every cell converted now: a value the unit would refuse, or one that two rows share,
    // stops the run before any unit is touched.
    QList<QHash<QString, int>> seen(units->params.size());
    for (int r = 0; r < units->rows.size(); ++r) {
        Row out;
        out.line = units->lines.value(r);
        const QStringList &cells = units->rows.at(r);
        for (int c = 0; c < cells.size() && c < columnRows.size(); ++c) {
            if (cells.at(c).isEmpty())
                continue;
            QString why;
            const auto v = ConvertGivenValue(m_core->script, columnRows.at(c),
                                             m_core->state.PrivilegeLevel, cells.at(c), why);
            if (!v) {
                error = QStringLiteral("%1 line %2, column %3: %4").arg(unitsPath).arg(out.line).arg(c + 1).arg(why);
                return false;
            }
            const QString stored = CanonicalStored(v->stored);
            if (seen[c].contains(stored)) {
                error = QStringLiteral("%1 line %2, column %3: %4 repeats line %5")
                            .arg(unitsPath).arg(out.line).arg(c + 1).arg(cells.at(c)).arg(seen[c].value(stored));
                return false;
            }
            seen[c].insert(stored, out.line);
            out.cells.append({m_fileCodes.at(c), cells.at(c), stored});
        }
        if (!out.cells.isEmpty())
            m_rows.append(out);
    }
    return true;
}

QStringList ValuePool::codes() const
{
    QStringList out;
    for (const Counter &c : m_counters)
        out << c.code;
    return out + m_fileCodes;
}

UnitValues ValuePool::take(StationDb &db)
{
    UnitValues v;
    QString error;
    if (m_counters.isEmpty() && m_fileCodes.isEmpty())
        return v;
    const bool ok = db.transaction(
        [&](QString &e) { return db.lockHandOut(e) && takeCounters(db, v, e) && takeUnitsRow(db, v, e); }, error);
    if (!ok) {
        v.values.clear();
        v.error = error;
    }
    return v;
}

bool ValuePool::takeCounters(StationDb &db, UnitValues &v, QString &error)
{
    for (const Counter &c : m_counters) {
        const ParamRow &row = c.row;
        // The counter belongs to the row: names it was kept under before go on where they stopped.
        QStringList former;
        for (const QString &n : {c.spec.param, row.name, row.cmdId, row.cmdId.toLower()})
            former << QStringLiteral("seq:") + n;
        former.removeDuplicates();
        const auto n = db.nextCounterValue(QStringLiteral("seq:") + c.code, c.spec.start, former, error);
        if (!n)
            return false;
        const QString text = c.spec.expand(*n);
        QString why;
        const auto value = ConvertGivenValue(m_core->script, row, m_core->state.PrivilegeLevel, text, why);
        if (!value) {
            error = QStringLiteral("unit value refused, nothing written: ") + why;
            return false;
        }
        if (!db.issue(c.code, CanonicalStored(value->stored), error))
            return false;
        v.values.insert(c.code, text);
    }
    return true;
}

bool ValuePool::takeUnitsRow(StationDb &db, UnitValues &v, QString &error)
{
    if (m_fileCodes.isEmpty())
        return true;
    QHash<QString, QSet<QString>> issued;
    for (const QString &code : m_fileCodes) {
        const auto values = db.issuedValues(code, error);
        if (!values)
            return false;
        issued.insert(code, *values);
    }
    for (const Row &r : m_rows) {
        bool free = true;
        for (const Cell &c : r.cells)
            free = free && !issued.value(c.code).contains(c.stored);
        if (!free)
            continue;
        for (const Cell &c : r.cells) {
            if (!db.issue(c.code, c.stored, error))
                return false;
            v.values.insert(c.code, c.text);
        }
        return true;
    }
    error = QStringLiteral("no values left in %1 (every row's values handed out)").arg(m_unitsPath);
    return false;
}
