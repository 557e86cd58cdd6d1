#pragma once
// Values that differ per unit: `NAME=TEMPLATE` with a `{seq:START}` counter, and a CSV file of
// values, one row per unit, consumed in order.
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

struct UniqueSpec {
    QString param;      // parameter name or code, as given
    QString prefix;     // text before the counter (or the whole text when there is none)
    QString suffix;     // text after the counter
    bool counter = false;
    qint64 start = 0;   // first value the counter hands out
    int width = 0;      // digits of START, so that {seq:0001} keeps its leading zeros

    // The counter's value in the template.
    QString expand(qint64 value) const;
};

// "NAME=TEMPLATE"; nullopt with `error` when it is not, or the counter is malformed.
std::optional<UniqueSpec> ParseUniqueSpec(const QString &text, QString &error);

// A CSV file: the first line names the parameters (name or code), every further line is one unit.
struct UnitsFile {
    QStringList params;
    QList<QStringList> rows;
    QList<int> lines;   // the file's line number of each row

    // Row `index` as parameter → value; empty cells are left out.
    QMap<QString, QString> unit(int index) const;
};

// Comma-separated, double quotes around a cell that holds commas or quotes ("" inside quotes is one
// quote); UTF-8 with or without a mark, else GB18030, as profiles are read. nullopt with `error`
// naming the line on a malformed file, and the line and column of a cell that does not decode.
std::optional<UnitsFile> ParseUnitsCsv(const QByteArray &data, QString &error);
std::optional<UnitsFile> ReadUnitsCsv(const QString &path, QString &error);

// The canonical form of a set of unique values, to find a unit that was already done.
QString UniqueKey(const QMap<QString, QString> &values);
// What UniqueKey() gave, as the values again.
QMap<QString, QString> HeldFromKey(const QString &key);
