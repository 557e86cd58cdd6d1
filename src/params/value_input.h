#pragma once
// A value given as text (command line, unit list) to a row's new stored and shown values,
// through the same checks and conversion as the table's editor. Shared by `set` and provisioning.
#include "params/param_editor_logic.h"

#include <QString>
#include <optional>

class ScriptHost;
struct ParamRow;

// nullopt with `why` when the row is protected or its conversion refuses the value.
// "HEX:…" gives the stored value directly.
std::optional<StoredValue> ConvertGivenValue(ScriptHost &script, const ParamRow &row, int privilegeLevel,
                                             const QString &value, QString &why);
