#include "text/json_text.h"

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
    if (it->is_number_integer() || it->is_number_unsigned())
        return static_cast<int>(it->get<long long>());
    if (it->is_number_float())
        return static_cast<int>(it->get<double>());
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
