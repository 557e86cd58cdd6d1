#include "provision/station_tally.h"

#include "provision/unit_values.h"

void StationTally::add(const UnitRecord &r)
{
    if (r.result == UnitRecord::Skipped) {
        ++m_skipped;
        return;
    }
    const bool retry = !r.identity.isEmpty() && m_failedValues.contains(UniqueKey(r.identity));
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
