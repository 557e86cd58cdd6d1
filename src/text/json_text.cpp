#include "text/json_text.h"

#include <algorithm>
#include <limits>
#include <climits>
#include <cmath>
#include <string>

using nlohmann::ordered_json;

QString JsonValueText(const ordered_json &value)
{
    switch (value.type()) {
    case ordered_json::value_t::null:
    case ordered_json::value_t::discarded:
        return QString();
    case ordered_json::value_t::string:
        return QString::fromStdString(value.get_ref<const std::string &>());
    case ordered_json::value_t::number_integer:
        return QString::number(value.get<long long>());
    case ordered_json::value_t::number_unsigned:
        return QString::number(value.get<unsigned long long>());
    default:
        // Floats, booleans, arrays and objects: their own JSON text, non-ASCII kept as is.
        return QString::fromStdString(value.dump(-1, ' ', false, ordered_json::error_handler_t::replace));
    }
}

QString JsonMemberText(const ordered_json &obj, const char *key)
{
    if (!obj.is_object())
        return QString();
    const auto it = obj.find(key);
    return it == obj.end() ? QString() : JsonValueText(*it);
}

int JsonMemberInt(const ordered_json &obj, const char *key)
{
    if (!obj.is_object())
        return 0;
    const auto it = obj.find(key);
    if (it == obj.end())
        return 0;
    // Beyond the range of int a number stops at its nearest end (a plain cast of such a float
    // is undefined, and of such an integer a wrap to some small number).
    if (it->is_number_unsigned())
        return static_cast<int>(std::min<unsigned long long>(it->get<unsigned long long>(), INT_MAX));
    if (it->is_number_integer())
        return static_cast<int>(std::clamp<long long>(it->get<long long>(), INT_MIN, INT_MAX));
    if (it->is_number_float()) {
        const double d = it->get<double>();
        if (std::isnan(d))
            return 0;
        return d >= INT_MAX ? INT_MAX : d <= INT_MIN ? INT_MIN : static_cast<int>(d);
    }
    if (it->is_string())
        return QString::fromStdString(it->get<std::string>()).trimmed().toInt();
    return 0;
}

namespace {
// "0", "1", ... "2147483647" as written by a decimal index; -1 for anything else ("01", "-1", "x").
int indexOfKey(const std::string &key)
{
    if (key.empty() || key.size() > 10 || (key.size() > 1 && key[0] == '0'))
        return -1;
    long long value = 0;
    for (const char c : key) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value > std::numeric_limits<int>::max() ? -1 : static_cast<int>(value);
}
} // namespace

std::vector<std::pair<int, const ordered_json *>> JsonIndexedEntries(const ordered_json &list)
{
    std::vector<std::pair<int, const ordered_json *>> out;
    if (list.is_array()) {
        out.reserve(list.size());
        for (size_t i = 0; i < list.size(); ++i)
            out.emplace_back(static_cast<int>(i), &list[i]);
    } else if (list.is_object()) {
        for (auto it = list.begin(); it != list.end(); ++it) {
            const int index = indexOfKey(it.key());
            if (index >= 0)
                out.emplace_back(index, &*it);
        }
        // Keys are unique, so indexes are too: the order is fully defined.
        std::sort(out.begin(), out.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    }
    return out;
}

int JsonIndexBound(const ordered_json &list)
{
    if (!list.is_array() && !list.is_object())
        return 0;
    return static_cast<int>(std::min<size_t>(list.size(), static_cast<size_t>(INT_MAX)));
}
