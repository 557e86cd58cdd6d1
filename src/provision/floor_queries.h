#pragma once
// What the floor's records say over a span of time: counts per station (the station window's
// counts and the dashboard's floor), failures by kind, units found by what they were given, and
// every attempt of one unit. Each read costs what it returns, not the size of the table.
#include "provision/station_tally.h"
#include "provision/unit_record.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <optional>

class StationDb;

// [from, to): `to` invalid for a span still running.
struct FloorSpan {
    QDateTime from;
    QDateTime to;
};

struct HourCounts {
    QDateTime hour;   // UTC, the hour's start
    int passed = 0;
    int failed = 0;
};

struct StationCounts {
    QString station;
    StationTally tally;
    QDateTime first;   // the span's first and last unit
    QDateTime last;
    QList<HourCounts> hours;   // oldest first, hours without units left out

    // Passed units per hour from the span's first unit to `now` (running) or its last unit.
    double perHour(const QDateTime &now, bool running) const;
};

struct FloorCounts {
    QList<StationCounts> stations;   // by name
    StationCounts total;             // the whole floor (station empty)
};

// The counts of `station` (every station when empty) over `span`.
std::optional<FloorCounts> ReadFloor(StationDb &db, const FloorSpan &span, const QString &station, QString &error);

struct FailureKind {
    QString code;   // failure:: code; empty for failures from before codes were kept
    int count = 0;
    QMap<QString, int> byStation;
};

// Failures over `span` by kind, most frequent first.
std::optional<QList<FailureKind>> ReadFailureKinds(StationDb &db, const FloorSpan &span, const QString &station,
                                                   QString &error);

struct UnitFilter {
    QString value;     // any value given to the unit
    QString unitId;
    QString port;
    QString station;
    QString result;    // UnitRecord::resultText()
    QString failureCode;
    FloorSpan span;
    QString before;    // a page's cursor: the units after the page that gave it
    int limit = 100;   // rows a page holds
};

struct UnitPage {
    QList<UnitRecord> units;   // the latest first
    QString next;              // the next page's cursor, empty on the last page
};

// The most rows one page of the dashboard holds.
constexpr int kMaxPageRows = 100;

std::optional<UnitPage> SearchUnits(StationDb &db, const UnitFilter &filter, QString &error);

// Every attempt of one unit, the latest first: by its own identity, else by a value it was given.
std::optional<QList<UnitRecord>> UnitHistory(StationDb &db, const QString &unitId, const QString &value, QString &error);

// How many units the filter finds (its cursor and page size left aside).
std::optional<qint64> CountUnits(StationDb &db, const UnitFilter &filter, QString &error);
// Whether `cursor` is one a page gave ("TIME|ID"); empty is the first page.
bool IsUnitCursor(const QString &cursor);

// Changes whenever a record is stored: the latest id and how many of the last 10 000 ids are
// taken (a record committed after a later one, by another station, counts too). Reads no more
// than those rows, whatever the table's size.
std::optional<QString> RecordsStamp(StationDb &db, QString &error);
