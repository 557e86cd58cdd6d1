#pragma once
// A station's counts over its shift, as the floor's records hold them: a window started again
// shows the shift so far, not zero. The shift's start is kept per station and database until
// a new shift is begun. The records stored before the window followed the station are read
// once (the dashboard's query); the units finished since are added as they come.
#include "provision/station_tally.h"
#include "provision/unit_record.h"

#include <QDateTime>
#include <QObject>
#include <memory>

class RecordReader;

class ShiftCounts : public QObject {
    Q_OBJECT
public:
    explicit ShiftCounts(QObject *parent = nullptr);
    ~ShiftCounts() override;

    // Counts `station`'s records in `db` from the shift's start on.
    void follow(const QString &db, const QString &station);
    // A unit of the followed station finished.
    void add(const UnitRecord &record);
    // A new shift starts now: counts from nothing.
    void newShift();

    const StationTally &tally() const { return m_tally; }
    QDateTime shiftStart() const { return m_start; }
    // Passed units per hour since the shift's first unit; 0 before a minute has passed.
    double perHour() const;
    // Why the earlier records could not be read (empty when they were, or none exist).
    QString readError() const { return m_readError; }

signals:
    void changed();

private:
    QString settingsKey() const;

    std::unique_ptr<RecordReader> m_reader;
    QString m_db;
    QString m_station;
    QDateTime m_start;
    QDateTime m_first;
    StationTally m_tally;
    QList<UnitRecord> m_local;   // finished since following, until the earlier ones are read
    bool m_loaded = false;
    quint64 m_generation = 0;
    QString m_readError;
};
