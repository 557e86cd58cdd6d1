#include "provision/station_tally.h"

#include "provision/unit_values.h"

void StationTally::add(const UnitRecord &r)
{
    if (r.result == UnitRecord::Skipped) {
        ++m_skipped;
        return;
    }
    // A unit known by its identity is tried again when that identity failed before; without
    // one, when it holds the values given to an attempt that failed.
    const bool retry = !r.unitId.isEmpty() ? m_failedUnits.contains(r.unitId)
                                           : !r.identity.isEmpty() && m_failedValues.contains(UniqueKey(r.identity));
    if (r.result == UnitRecord::Passed)
        ++m_passed;
    else
        ++m_failed;
    if (!retry) {
        ++m_firstTries;
        m_firstPasses += r.result == UnitRecord::Passed;
    }
    if (r.result == UnitRecord::Failed && !r.unique.isEmpty())
        m_failedValues.insert(UniqueKey(r.unique));
    if (r.result == UnitRecord::Failed && !r.unitId.isEmpty())
        m_failedUnits.insert(r.unitId);
}

double StationTally::perHour(qint64 elapsedMs) const
{
    // A rate over a few seconds says nothing.
    if (elapsedMs < 60000)
        return 0;
    return m_passed * 3600000.0 / double(elapsedMs);
}

std::optional<double> StationTally::firstPassYield() const
{
    if (m_firstTries == 0)
        return std::nullopt;
    return double(m_firstPasses) / m_firstTries;
}
