#include "text/json_text.h"

#include <algorithm>

namespace {
// Blanks out // and /* */ comments outside strings; line breaks stay so parse errors keep
// their line numbers.
QString blankComments(const QString &in)
{
    QString out = in;
    const int n = out.size();
    bool inString = false;
    for (int i = 0; i < n; ++i) {
        const QChar c = out.at(i);
        if (inString) {
            if (c == QLatin1Char('\\'))
                ++i;
            else if (c == QLatin1Char('"'))
                inString = false;
            continue;
        }
        if (c == QLatin1Char('"')) {
            inString = true;
        } else if (c == QLatin1Char('/') && i + 1 < n && out.at(i + 1) == QLatin1Char('/')) {
            for (; i < n && out.at(i) != QLatin1Char('\n') && out.at(i) != QLatin1Char('\r'); ++i)
                out[i] = QLatin1Char(' ');
        } else if (c == QLatin1Char('/') && i + 1 < n && out.at(i + 1) == QLatin1Char('*')) {
            out[i] = out[i + 1] = QLatin1Char(' ');
            for (i += 2; i < n; ++i) {
                if (out.at(i) == QLatin1Char('*') && i + 1 < n && out.at(i + 1) == QLatin1Char('/')) {
                    out[i] = out[i + 1] = QLatin1Char(' ');
                    ++i;
                    break;
                }
                if (out.at(i) != QLatin1Char('\n') && out.at(i) != QLatin1Char('\r'))
                    out[i] = QLatin1Char(' ');
            }
        }
    }
    return out;
}

// Blanks out a comma that is followed (after white space) by a closing bracket or brace.
QString blankTrailingCommas(const QString &in)
{
    QString out = in;
    const int n = out.size();
    bool inString = false;
    for (int i = 0; i < n; ++i) {
        const QChar c = out.at(i);
        if (inString) {
            if (c == QLatin1Char('\\'))
                ++i;
            else if (c == QLatin1Char('"'))
                inString = false;
            continue;
        }
        if (c == QLatin1Char('"')) {
            inString = true;
        } else if (c == QLatin1Char(',')) {
            int j = i + 1;
            while (j < n && out.at(j).isSpace())
                ++j;
            if (j < n && (out.at(j) == QLatin1Char(']') || out.at(j) == QLatin1Char('}')))
                out[i] = QLatin1Char(' ');
        }
    }
    return out;
}
} // namespace

int JsonNestingDepth(const QString &text)
{
    int depth = 0, deepest = 0;
    bool inString = false;
    const int n = text.size();
    for (int i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (inString) {
            if (c == QLatin1Char('\\'))
                ++i;
            else if (c == QLatin1Char('"'))
                inString = false;
        } else if (c == QLatin1Char('"')) {
            inString = true;
        } else if (c == QLatin1Char('[') || c == QLatin1Char('{')) {
            deepest = std::max(deepest, ++depth);
        } else if (c == QLatin1Char(']') || c == QLatin1Char('}')) {
            --depth;
        }
    }
    return deepest;
}

std::optional<nlohmann::ordered_json> ParseLenientJson(const QString &text, QString *error)
{
    QString src = text;
    if (src.startsWith(QChar(0xFEFF)))
        src.remove(0, 1);
    src = blankTrailingCommas(blankComments(src));
    if (JsonNestingDepth(src) > kMaxJsonDepth) {
        if (error)
            *error = QStringLiteral("嵌套超过 %1 层").arg(kMaxJsonDepth);
        return std::nullopt;
    }
    try {
        return nlohmann::ordered_json::parse(src.toStdString(), nullptr, true, true);
    } catch (const nlohmann::json::exception &e) {
        if (error)
            *error = QString::fromUtf8(e.what());
        return std::nullopt;
    }
}
