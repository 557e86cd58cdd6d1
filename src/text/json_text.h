#pragma once
// Reading profile JSON members the lenient way: everything as text, indexes by their decimal text.
#include <QString>
#include <nlohmann/json.hpp>

// A value as text: strings as they are, numbers as decimal text, arrays and objects as compact
// JSON, null as empty text.
QString JsonValueText(const nlohmann::ordered_json &value);
// obj[key] as text; a missing member (or a non-object) gives empty text.
QString JsonMemberText(const nlohmann::ordered_json &obj, const char *key);
// obj[key] as an integer: numbers truncated, numeric text converted, anything else 0.
int JsonMemberInt(const nlohmann::ordered_json &obj, const char *key);

// Entries of a list that may be an array or an object keyed "0", "1", ...: the number of
// indexes to walk (length or member count) and the entry at index i (nullptr when absent).
int JsonIndexBound(const nlohmann::ordered_json &list);
const nlohmann::ordered_json *JsonIndexEntry(const nlohmann::ordered_json &list, int i);
