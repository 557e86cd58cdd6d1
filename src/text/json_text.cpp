#include "text/json_text.h"

#include <algorithm>
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

int JsonIndexBound(const ordered_json &list)
{
    if (list.is_array() || list.is_object())
        return static_cast<int>(list.size());
    return 0;
}

const ordered_json *JsonIndexEntry(const ordered_json &list, int i)
{
    if (i < 0)
        return nullptr;
    if (list.is_array())
        return static_cast<size_t>(i) < list.size() ? &list[static_cast<size_t>(i)] : nullptr;
    if (list.is_object()) {
        const auto it = list.find(std::to_string(i));
        return it == list.end() ? nullptr : &*it;
    }
    return nullptr;
}
