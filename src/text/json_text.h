#pragma once
// Reading profile JSON members the lenient way: everything as text, indexes by their decimal text.
#include <QString>
#include <nlohmann/json.hpp>
#include <utility>
#include <vector>
#include <optional>

// A value as text: strings as they are, numbers as decimal text, arrays and objects as compact
// JSON, null as empty text.
QString JsonValueText(const nlohmann::ordered_json &value);
// obj[key] as text; a missing member (or a non-object) gives empty text.
QString JsonMemberText(const nlohmann::ordered_json &obj, const char *key);
// obj[key] as an integer: numbers truncated (and held within the range of int), numeric text
// converted, anything else 0.
int JsonMemberInt(const nlohmann::ordered_json &obj, const char *key);

// Entries of a list that may be an array or an object keyed "0", "1", ...: every index present,
// in index order, with its entry. Object keys that are not plain decimal indexes are skipped;
// a gap in the keys skips only the missing indexes.
std::vector<std::pair<int, const nlohmann::ordered_json *>> JsonIndexedEntries(const nlohmann::ordered_json &list);
// How many entries such a list holds (array length or member count): a cheap size check.
int JsonIndexBound(const nlohmann::ordered_json &list);

// Lenient JSON: comments, trailing commas and a byte-order mark are accepted.
// Returns nullopt with `error` set when the text is not JSON or nests deeper than kMaxJsonDepth.
std::optional<nlohmann::ordered_json> ParseLenientJson(const QString &text, QString *error);

// Deeper nesting than any profile needs; printing and comparing a tree recurse once per level.
constexpr int kMaxJsonDepth = 512;
// The deepest bracket nesting outside strings (comments are not skipped).
int JsonNestingDepth(const QString &text);
