#include "sim/profile_source.h"
#include "text/bounded_read.h"
#include "text/hex.h"

#include <algorithm>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <iconv.h>
#include <nlohmann/json.hpp>

namespace {
bool isValidUtf8(const QByteArray &bytes)
{
    QStringDecoder dec(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString s = dec(bytes);
    (void)s;
    return !dec.hasError();
}

std::string gb18030ToUtf8(const QByteArray &bytes)
{
    iconv_t cd = iconv_open("UTF-8", "GB18030");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return bytes.toStdString();
    std::string out;
    QByteArray in = bytes;
    char *src = in.data();
    size_t srcLeft = static_cast<size_t>(in.size());
    char buf[4096];
    while (srcLeft > 0) {
        char *dst = buf;
        size_t dstLeft = sizeof buf;
        const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buf, sizeof buf - dstLeft);
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            // An invalid or cut-off sequence: keep a replacement and go on.
            out.append("\xEF\xBF\xBD");
            ++src;
            --srcLeft;
        }
    }
    iconv_close(cd);
    return out;
}

// Skips blanks and comments from `i`; returns the index of the next significant character.
size_t skipFiller(const std::string &t, size_t i)
{
    while (i < t.size()) {
        const char c = t[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
        } else if (c == '/' && i + 1 < t.size() && t[i + 1] == '/') {
            const size_t nl = t.find('\n', i);
            i = nl == std::string::npos ? t.size() : nl + 1;
        } else if (c == '/' && i + 1 < t.size() && t[i + 1] == '*') {
            const size_t end = t.find("*/", i + 2);
            i = end == std::string::npos ? t.size() : end + 2;
        } else {
            break;
        }
    }
    return i;
}

ParamSet paramsOf(const nlohmann::json &root)
{
    ParamSet set;
    const auto it = root.find("Params");
    if (it == root.end() || (!it->is_array() && !it->is_object()))
        return set;
    // A list, or rows keyed by decimal index with gaps, walked in index order as the tool loads them.
    std::vector<std::pair<long long, const nlohmann::json *>> rows;
    if (it->is_array()) {
        for (size_t i = 0; i < it->size(); ++i)
            rows.emplace_back(static_cast<long long>(i), &(*it)[i]);
    } else {
        for (auto e = it->begin(); e != it->end(); ++e) {
            const std::string &k = e.key();
            const bool index = !k.empty() && k.size() <= 10 && (k.size() == 1 || k[0] != '0') &&
                               k.find_first_not_of("0123456789") == std::string::npos;
            if (index)
                rows.emplace_back(std::stoll(k), &*e);
        }
        std::sort(rows.begin(), rows.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    }
    for (const auto &indexed : rows) {
        const auto &entry = *indexed.second;
        if (!entry.is_object())
            continue;
        const auto id = entry.find("CMDID");
        if (id == entry.end() || !id->is_string())
            continue;
        const QString code = QString::fromStdString(id->get<std::string>()).trimmed();
        if (code.size() != 4 || !IsHexText(code) || HexToInt(code) == 0)
            continue;   // section headings and malformed codes are not parameters
        QByteArray value;
        const auto pv = entry.find("PVALUE");
        if (pv != entry.end() && pv->is_string()) {
            QString text = QString::fromStdString(pv->get<std::string>()).trimmed();
            if (text.startsWith(QLatin1String("HEX:"), Qt::CaseInsensitive))
                text = text.mid(4);
            value = HexTextToBytes(text);
        }
        set.insert(static_cast<uint16_t>(HexToInt(code)), value);
    }
    return set;
}

bool readJson(const QString &path, nlohmann::json &out, QString &error)
{
    // The tool's own bound on a profile: a pipe or /dev/zero is not read without end.
    constexpr qint64 kMaxProfileBytes = 16 * 1024 * 1024;
    QByteArray bytes;
    QString why;
    const BoundedRead read = ReadFileBounded(path, kMaxProfileBytes, &bytes, &why);
    if (read == BoundedRead::TooLarge) {
        error = QStringLiteral("%1 is larger than 16 MB, the most a profile may hold").arg(path);
        return false;
    }
    if (read == BoundedRead::Failed) {
        error = QStringLiteral("cannot open %1: %2").arg(path, why);
        return false;
    }
    const std::string text = StripTrailingCommas(ProfileTextToUtf8(bytes));
    out = nlohmann::json::parse(text, nullptr, false, true);
    if (out.is_discarded() || !out.is_object()) {
        error = QStringLiteral("%1 is not a JSON object").arg(path);
        return false;
    }
    return true;
}
} // namespace

std::string ProfileTextToUtf8(const QByteArray &bytes)
{
    QByteArray b = bytes;
    if (b.startsWith("\xEF\xBB\xBF"))
        b.remove(0, 3);
    if (isValidUtf8(b))
        return b.toStdString();
    return gb18030ToUtf8(b);
}

std::string StripTrailingCommas(const std::string &t)
{
    std::string out;
    out.reserve(t.size());
    size_t i = 0;
    while (i < t.size()) {
        const char c = t[i];
        if (c == '"') {
            // Copy the whole string, escapes included.
            size_t j = i + 1;
            while (j < t.size() && t[j] != '"')
                j += t[j] == '\\' ? 2 : 1;
            j = std::min(j + 1, t.size());
            out.append(t, i, j - i);
            i = j;
        } else if (c == '/' && i + 1 < t.size() && (t[i + 1] == '/' || t[i + 1] == '*')) {
            const size_t j = skipFiller(t, i);
            // skipFiller also eats blanks after the comment; copying them is harmless.
            out.append(t, i, j - i);
            i = j;
        } else if (c == ',') {
            const size_t next = skipFiller(t, i + 1);
            if (next >= t.size() || (t[next] != '}' && t[next] != ']'))
                out.push_back(c);
            ++i;
        } else {
            out.push_back(c);
            ++i;
        }
    }
    return out;
}

bool LoadProfileStore(const QString &path, int mainSetOption, ParamStore &out, QString &error)
{
    nlohmann::json root;
    if (!readJson(path, root, error))
        return false;

    QMap<int, ParamSet> sets;
    int mainSet = mainSetOption >= 0 ? mainSetOption : 1;
    const ParamSet mainParams = paramsOf(root);

    const auto ex = root.find("ExParamFile");
    QString exName;
    if (ex != root.end() && ex->is_string())
        exName = QString::fromStdString(ex->get<std::string>()).trimmed();
    if (!exName.isEmpty()) {
        if (mainSetOption < 0) {
            const auto ch = root.find("ExParamChannel");
            if (ch != root.end() && ch->is_number_integer())
                mainSet = ch->get<int>();
            else if (ch != root.end() && ch->is_string())
                mainSet = QString::fromStdString(ch->get<std::string>()).toInt();
        }
        QString exPath = exName;
        if (QFileInfo(exName).isRelative() && !QFileInfo::exists(exName))
            exPath = QFileInfo(path).absoluteDir().filePath(exName);
        nlohmann::json exRoot;
        if (!readJson(exPath, exRoot, error))
            return false;
        sets.insert(0, paramsOf(exRoot));
    }
    // A main set numbered like the extended one shares it; the main values win.
    ParamSet &target = sets[mainSet];
    for (auto it = mainParams.begin(); it != mainParams.end(); ++it)
        target.insert(it.key(), it.value());
    out = ParamStore(sets, mainSet);
    return true;
}
