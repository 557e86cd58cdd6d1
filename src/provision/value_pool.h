#pragma once
// The values that differ per unit (counters and a units file), checked against the golden
// profile before anything is taken, and taken for one unit all at once: counters keyed by the
// row's code however it was named, every value recorded as handed out in the same transaction,
// a units-file row chosen as the first none of whose values has been handed out.
#include "provision/station_db.h"
#include "provision/unit_runner.h"
#include "provision/unit_values.h"
#include "params/param_row.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class CoreSession;

class ValuePool {
public:
    // `golden` holds the script and the golden profile's main table, and outlives the pool.
    // False with `error` when a name is not a row the run writes, a row is named twice, or a
    // units-file cell is empty, refused, holds a line break or repeats another row's. Without
    // `identified` (units told apart only by the values handed out) a value equal to the golden's
    // own is refused too: a fresh unit holding it could not be told from a done one.
    bool prepare(CoreSession &golden, const QList<UniqueSpec> &uniques, const std::optional<UnitsFile> &units,
                 const QString &unitsPath, bool identified, QString &error);
    // The codes of every per-unit parameter.
    QStringList codes() const;
    // One unit's values, recorded as handed out; on any failure nothing is taken.
    UnitValues take(StationDb &db);

private:
    struct Counter {
        UniqueSpec spec;
        ParamRow row;
        QString code;
        QString avoid;   // a stored value never handed out (the golden's own, units not identified)
    };
    struct Cell {
        QString code;
        QString text;
        QString stored;
    };
    struct Row {
        int line = 0;
        QList<Cell> cells;
    };
    // The row of `key` (code, case ignored, or name; the main table first, then the extended
    // one); nullopt with `error` when the run does not write it.
    std::optional<ParamRow> writableRow(const QString &key, const QString &given, QString &error) const;
    bool takeCounters(StationDb &db, UnitValues &v, QString &error);
    bool takeCounter(StationDb &db, const Counter &c, UnitValues &v, QString &error);
    bool takeUnitsRow(StationDb &db, UnitValues &v, QString &error);

    CoreSession *m_core = nullptr;
    QList<Counter> m_counters;
    QStringList m_fileCodes;
    QList<Row> m_rows;
    QString m_unitsPath;
    QString m_failCode;         // why the last take failed, when not the database itself
    QStringList m_failArgs;
};

// A stored value in the one form compared: "HEX:" and upper-case digits.
QString CanonicalStored(const QString &stored);
