#pragma once
// Unit records as CSV for a spreadsheet: UTF-8 with a byte-order mark, every cell kept as text
// (a leading =, +, - or @ cannot become a formula). `report --csv` and the dashboard's export.
#include "provision/unit_record.h"

#include <QByteArray>
#include <QList>

// The header line.
QByteArray RecordsCsvHeader();
// One line per record, each ending in CRLF.
QByteArray RecordsCsvLines(const QList<UnitRecord> &records);
// The header and the lines, with the byte-order mark.
QByteArray RecordsCsv(const QList<UnitRecord> &records);

// "code=value code=value", as the report and the export show a record's values.
QString RecordMapText(const QMap<QString, QString> &values);
// The golden's hash, with its extended file's after a "+".
QString RecordGoldenHash(const UnitRecord &r);
