#pragma once
// The conversions the program knows by name (text and single-precision float) and the
// two-array value lists of list rows.
#include <QString>
#include <QStringList>
#include <optional>

namespace conv {

// ONGET/ONSET markers that select a built-in conversion instead of the script.
bool UsesGetStr(const QString &onGet);
bool UsesGetFloat(const QString &onGet);
bool UsesSetStr(const QString &onSet);
bool UsesSetFloat(const QString &onSet);

// Hex digits (pairs from the start, odd last digit dropped) to text in the device code page.
QString GetStr(const QString &hexDigits);
// First four bytes (missing ones zero), least significant first, as "%.3f".
QString GetFloat(const QString &hexDigits);
// Text to two upper-case digits per byte (device code page).
QString SetStr(const QString &text);
// Decimal text to the eight upper-case digits of its single-precision value, least significant byte first.
std::optional<QString> SetFloat(const QString &text);
// Every "NAN", any letter case, becomes "00".
QString ReplaceNan(QString hex);

struct ValueList {
    QStringList names;
    QStringList values;  // hex digits without "HEX:", as written (case kept)
};
bool IsListForm(const QString &onList);
// Parses `[[names…],[values…]]`. nullopt with `error` when it is not two arrays of equal length.
std::optional<ValueList> ParseValueList(const QString &onList, QString *error);
// Index of the last value whose "HEX:" + value equals `stored` exactly; -1 when none.
int MatchStored(const ValueList &list, const QString &stored);

} // namespace conv
