#pragma once
// Records the database could not take (the server went away after the unit was written), kept
// in a file beside the station, one JSON object a line, until the database answers again. Every
// access holds a lock file beside it, and each record carries its own id, which the database
// stores once: stations sharing an outbox neither lose a record nor store one twice.
#include "provision/unit_record.h"

#include <QList>
#include <QString>

class QLockFile;
class StationDb;

class Outbox {
public:
    explicit Outbox(QString path) : m_path(std::move(path)) {}
    // The outbox of the records database `spec`: beside an SQLite file, else in the current folder.
    static QString PathFor(const QString &spec);

    QString path() const { return m_path; }
    // Appends and flushes to disk; false with `error`.
    bool add(const UnitRecord &record, QString &error);
    // The records waiting; empty when there is no outbox. `error` set when it cannot be read.
    QList<UnitRecord> pending(QString &error) const;
    // Stores what waits, oldest first, until the database refuses one; returns how many were stored.
    int flush(StationDb &db, QString &error);

private:
    bool lock(QLockFile &l, QString &error) const;
    QList<UnitRecord> read(QString &error) const;
    bool rewrite(const QList<UnitRecord> &records, QString &error);

    QString m_path;
};
