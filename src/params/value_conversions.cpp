#include "params/value_conversions.h"

#include "text/text_codec.h"
#include "text/hex.h"
#include "text/json_text.h"

#include <QRegularExpression>
#include <cstring>
#include <nlohmann/json.hpp>

namespace conv {

bool UsesGetStr(const QString &onGet) { return onGet.contains(QLatin1String("GetStr()")); }
bool UsesGetFloat(const QString &onGet) { return onGet.contains(QLatin1String("GetFloat()")); }
bool UsesSetStr(const QString &onSet) { return onSet.contains(QLatin1String("SetStr()")); }
bool UsesSetFloat(const QString &onSet) { return onSet.contains(QLatin1String("SetFloat()")); }

QString GetStr(const QString &hexDigits)
{
    return GbkDecode(HexTextToBytes(hexDigits));
}

QString GetFloat(const QString &hexDigits)
{
    const QByteArray bytes = HexTextToBytes(hexDigits);
    unsigned char buf[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4 && i < bytes.size(); ++i)
        buf[i] = static_cast<unsigned char>(bytes[i]);
    const uint32_t bits = uint32_t(buf[0]) | (uint32_t(buf[1]) << 8) | (uint32_t(buf[2]) << 16) | (uint32_t(buf[3]) << 24);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return QString::asprintf("%.3f", static_cast<double>(f));
}

QString SetStr(const QString &text)
{
    return StrToHexText(GbkEncode(text));
}

std::optional<QString> SetFloat(const QString &text)
{
    bool ok = false;
    const double d = text.trimmed().toDouble(&ok);
    if (!ok)
        return std::nullopt;
    const float f = static_cast<float>(d);
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    QByteArray le(4, '\0');
    for (int i = 0; i < 4; ++i)
        le[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    return StrToHexText(le);
}

QString ReplaceNan(QString hex)
{
    static const QRegularExpression nan(QStringLiteral("nan"), QRegularExpression::CaseInsensitiveOption);
    return hex.replace(nan, QStringLiteral("00"));
}

bool IsListForm(const QString &onList)
{
    return onList.startsWith(QLatin1String("[["));
}

namespace {
QString jsonText(const nlohmann::ordered_json &v)
{
    if (v.is_string())
        return QString::fromStdString(v.get<std::string>());
    if (v.is_null())
        return QString();
    return QString::fromStdString(v.dump());
}
} // namespace

std::optional<ValueList> ParseValueList(const QString &onList, QString *error)
{
    nlohmann::ordered_json j;
    if (JsonNestingDepth(onList) > kMaxJsonDepth) {
        if (error)
            *error = QStringLiteral("取值列表嵌套超过 %1 层").arg(kMaxJsonDepth);
        return std::nullopt;
    }
    try {
        j = nlohmann::ordered_json::parse(onList.toStdString());
    } catch (const std::exception &e) {
        if (error)
            *error = QString::fromUtf8(e.what());
        return std::nullopt;
    }
    if (!j.is_array() || j.size() < 2 || !j[0].is_array() || !j[1].is_array()) {
        if (error)
            *error = QStringLiteral("取值列表应为两个数组");
        return std::nullopt;
    }
    if (j[0].size() != j[1].size()) {
        if (error)
            *error = QStringLiteral("取值列表的两个数组长度不一致");
        return std::nullopt;
    }
    ValueList list;
    for (size_t i = 0; i < j[0].size(); ++i) {
        list.names.append(jsonText(j[0][i]));
        list.values.append(jsonText(j[1][i]));
    }
    return list;
}

int MatchStored(const ValueList &list, const QString &stored)
{
    int match = -1;
    for (int i = 0; i < list.values.size(); ++i)
        if (QStringLiteral("HEX:") + list.values.at(i) == stored)
            match = i;
    return match;
}

} // namespace conv
