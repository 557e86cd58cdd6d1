#include "provision/value_pool.h"

#include "params/param_editor_logic.h"
#include "provision/unit_failure.h"
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

namespace {
// The counter value that gives `text`, if one does.
std::optional<qint64> counterValueOf(const UniqueSpec &spec, const QString &text)
{
    if (!text.startsWith(spec.prefix) || !text.endsWith(spec.suffix) || text.size() <= spec.prefix.size() + spec.suffix.size())
        return std::nullopt;
    const QString digits = text.mid(spec.prefix.size(), text.size() - spec.prefix.size() - spec.suffix.size());
    bool ok = false;
    const qint64 n = digits.toLongLong(&ok);
    if (!ok || spec.expand(n) != text)
        return std::nullopt;
    return n;
}

bool hasLineBreak(const QString &text)
{
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c == QChar(0x2028) || c == QChar(0x2029) || c == QChar(0x85))
            return true;
    return false;
}
} // namespace

bool ValuePool::prepare(CoreSession &golden, const QList<UniqueSpec> &uniques, const std::optional<UnitsFile> &units,
                        const QString &unitsPath, bool identified, QString &error)
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
        if (const auto n = counterValueOf(u, row->shown); !identified && n && *n == u.start) {
            error = QStringLiteral("%1: the counter would hand out %2, the golden profile's own %3 (%4): a fresh unit "
                                   "could not be told from a done one; start the counter past it, or name the units' "
                                   "identity in the recipe")
                        .arg(where, row->shown, row->name, code);
            return false;
        }
        m_counters.append({u, *row, code, QString()});
        // Reached later, the golden's own value is passed over like a value handed out.
        if (!identified)
            m_counters.last().avoid = CanonicalStored(row->stored);
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
            // An empty cell would leave the unit with the golden's value: two units, one value.
            if (cells.at(c).isEmpty()) {
                error = QStringLiteral("%1 line %2, column %3 (%4): the cell is empty; every unit needs a value of its own")
                            .arg(unitsPath).arg(out.line).arg(c + 1).arg(units->params.at(c));
                return false;
            }
            // A line break would reach the label's QR code but not its printed text.
            if (hasLineBreak(cells.at(c))) {
                error = QStringLiteral("%1 line %2, column %3 (%4): the value holds a line break or another control character")
                            .arg(unitsPath).arg(out.line).arg(c + 1).arg(units->params.at(c));
                return false;
            }
            QString why;
            const auto v = ConvertGivenValue(m_core->script, columnRows.at(c),
                                             m_core->state.PrivilegeLevel, cells.at(c), why);
            if (!v) {
                error = QStringLiteral("%1 line %2, column %3: %4").arg(unitsPath).arg(out.line).arg(c + 1).arg(why);
                return false;
            }
            const QString stored = CanonicalStored(v->stored);
            if (!identified && stored == CanonicalStored(columnRows.at(c).stored)) {
                error = QStringLiteral("%1 line %2, column %3: %4 is the golden profile's own %5: a fresh unit could not be "
                                       "told from a done one; name the units' identity in the recipe")
                            .arg(unitsPath).arg(out.line).arg(c + 1).arg(cells.at(c), columnRows.at(c).name);
                return false;
            }
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
    m_failCode.clear();
    m_failArgs.clear();
    QString error;
    if (m_counters.isEmpty() && m_fileCodes.isEmpty())
        return v;
    const bool ok = db.transaction(
        [&](QString &e) { return db.lockHandOut(e) && takeCounters(db, v, e) && takeUnitsRow(db, v, e); }, error);
    if (!ok) {
        v.values.clear();
        if (!m_failCode.isEmpty() && !db.notAnswering())
            v.fail(m_failCode, m_failArgs);
        else
            v.fail(db.failureCode(), db.failureArgs(error));
    }
    return v;
}

bool ValuePool::takeCounters(StationDb &db, UnitValues &v, QString &error)
{
    for (const Counter &c : m_counters)
        if (!takeCounter(db, c, v, error))
            return false;
    return true;
}

bool ValuePool::takeCounter(StationDb &db, const Counter &c, UnitValues &v, QString &error)
{
    const ParamRow &row = c.row;
    // The counter belongs to the row: names it was kept under before go on where they stopped.
    QStringList former;
    for (const QString &n : {c.spec.param, row.name, row.cmdId, row.cmdId.toLower()})
        former << QStringLiteral("seq:") + n;
    former.removeDuplicates();
    // A value handed out already (by a units file, another counter) is passed over, not
    // failed on by every later unit.
    constexpr int kMostPassedOver = 100000;
    for (int tries = 0; tries < kMostPassedOver; ++tries) {
        const auto n = db.nextCounterValue(QStringLiteral("seq:") + c.code, c.spec.start, former, error);
        if (!n)
            return false;
        const QString text = c.spec.expand(*n);
        QString why;
        const auto value = ConvertGivenValue(m_core->script, row, m_core->state.PrivilegeLevel, text, why);
        if (!value) {
            error = QStringLiteral("unit value refused, nothing written: ") + why;
            m_failCode = failure::kValueRefused;
            m_failArgs = {why};
            return false;
        }
        const QString stored = CanonicalStored(value->stored);
        if (!c.avoid.isEmpty() && stored == c.avoid)
            continue;
        const auto taken = db.isIssued(c.code, stored, error);
        if (!taken)
            return false;
        if (*taken)
            continue;
        if (!db.issue(c.code, stored, error))
            return false;
        v.values.insert(c.code, text);
        return true;
    }
    error = QStringLiteral("the counter of %1 met %2 values handed out already in a row").arg(c.code).arg(kMostPassedOver);
    return false;
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
    m_failCode = failure::kNoValuesLeft;
    m_failArgs = {m_unitsPath};
    return false;
}
