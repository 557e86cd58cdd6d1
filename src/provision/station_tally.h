#pragma once
// The counts of a station's shift: passed, failed, skipped, units per hour and first-pass yield.
// A unit tried again is known by its identity, or else by holding, before the attempt, the values
// handed to an earlier attempt that failed; only first attempts count towards the yield.
#include "provision/unit_record.h"

#include <QSet>

class StationTally {
public:
    void add(const UnitRecord &record);

    int passed() const { return m_passed; }
    int failed() const { return m_failed; }
    int skipped() const { return m_skipped; }
    // Units passed per hour over `elapsedMs` of running; 0 before a minute has passed.
    double perHour(qint64 elapsedMs) const;
    // Share (0..1) of first attempts that passed; nullopt before any.
    std::optional<double> firstPassYield() const;

private:
    int m_passed = 0;
    int m_failed = 0;
    int m_skipped = 0;
    int m_firstTries = 0;
    int m_firstPasses = 0;
    QSet<QString> m_failedValues;   // UniqueKey() of the values given to failed attempts
    QSet<QString> m_failedUnits;    // identities of units that failed
};
