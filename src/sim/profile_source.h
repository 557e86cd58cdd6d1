#pragma once
// Start values from a device profile: its Params (and those of its extended file) become
// the parameter sets of the simulated device.
#include "sim/param_store.h"
#include <QString>
#include <string>

// GBK or UTF-8 bytes to UTF-8 text (a UTF-8 byte-order mark is dropped).
std::string ProfileTextToUtf8(const QByteArray &bytes);
// Removes commas that directly precede '}' or ']' (blanks and comments between allowed),
// leaving strings and comments untouched.
std::string StripTrailingCommas(const std::string &text);

// `mainSetOption` -1: the profile's ExParamChannel when it names an extended file, else 1.
bool LoadProfileStore(const QString &path, int mainSetOption, ParamStore &out, QString &error);
