#pragma once
// What a unit's label says: the values handed out to it, its version and the date.
#include <QDate>
#include <QList>
#include <QPair>
#include <QString>

struct UnitLabel {
    QList<QPair<QString, QString>> values;  // name → value, in the recipe's order
    QString version;
    QDate date;
    QString unit;   // names the unit's file when no values were handed out: its port and start time
};

// The QR code's content: one "name=value" line per handed-out value (UTF-8 when encoded).
QString LabelPayload(const UnitLabel &label);
// A file name (without extension) made of the handed-out values, safe on every file system.
QString LabelFileBaseName(const UnitLabel &label);

struct UnitRecord;
// What a passed unit's label says: the values handed out to it (its own identity when none
// were), named as its record names them.
UnitLabel LabelFor(const UnitRecord &r);
