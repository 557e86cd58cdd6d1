#pragma once
// Turning a profile entry into a parameter row: members as text, the shown value from the
// value list or the row's ONGET expression.
#include "params/param_row.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <nlohmann/json.hpp>

class ScriptHost;
class ParamTable;

// The seven members of a parameter entry as a row (shown value left empty).
ParamRow ParamRowFromEntry(const nlohmann::ordered_json &entry);

// The shown value of a stored value through a value list `[[names...],[hex...]]`: the name k
// whose "HEX:" + hex k equals `stored` exactly, empty when none. Returns false with `error`
// set when the list is not two arrays of equal length.
bool ListShownValue(const QString &onList, const QString &stored, QString *shown, QString *error);

// Appends `row` to `table` with its shown value computed; the row is always appended (with an
// empty shown value when its conversion fails). Returns the failure's text, empty on success.
QString AddParamRow(ScriptHost &script, ParamTable &table, const ParamRow &row);
// The same for many rows at once, evaluated together; one failure text per row, empty on success.
QStringList AddParamRows(ScriptHost &script, ParamTable &table, const QVector<ParamRow> &rows);
