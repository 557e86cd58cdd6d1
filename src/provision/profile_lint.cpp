#include "provision/profile_lint.h"

#include "params/param_table.h"
#include "params/value_conversions.h"
#include "params/value_input.h"
#include "profile/param_row_loader.h"
#include "profile/profile_session.h"
#include "script/script_host.h"
#include "text/bounded_read.h"
#include "text/hex.h"
#include "text/json_text.h"
#include "text/text_codec.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

namespace {
const char *const kMembers[] = {"CMDID", "PNAME", "PVALUE", "ONSET", "ONGET", "ONLIST", "PNOTE"};

std::optional<nlohmann::ordered_json> readJson(const QString &path, QStringList &problems)
{
    QByteArray bytes;
    QString readError;
    const BoundedRead read = ReadFileBounded(path, kMaxProfileBytes, &bytes, &readError);
    if (read == BoundedRead::TooLarge) {
        problems << QStringLiteral("%1: larger than %2 MB, the most a profile may hold")
                        .arg(path, QString::number(kMaxProfileBytes / (1024 * 1024)));
        return std::nullopt;
    }
    if (read == BoundedRead::Failed) {
        problems << QStringLiteral("%1: cannot read: %2").arg(path, readError);
        return std::nullopt;
    }
    QString why;
    auto root = ParseLenientJson(DecodeText(bytes).text, &why);
    if (!root) {
        // The parser's text carries the line and the column.
        static const QRegularExpression tag(QStringLiteral("^\\[json\\.exception\\.[a-z_.0-9]+\\] "));
        problems << QStringLiteral("%1: %2").arg(path, ShortenedMessage(why.remove(tag)));
        return std::nullopt;
    }
    if (!root->is_object()) {
        problems << QStringLiteral("%1: the file is not one JSON object").arg(path);
        return std::nullopt;
    }
    return root;
}

// The functions an ONGET/ONSET expression calls.
QStringList calledFunctions(const QString &expr)
{
    static const QRegularExpression callRe(QStringLiteral("(?<![.\\w$])([A-Za-z_$][\\w$]*)\\s*\\("));
    // Words of the language that take parentheses are not calls of the script's functions.
    static const QSet<QString> keywords = {
        QStringLiteral("function"), QStringLiteral("if"),     QStringLiteral("for"),   QStringLiteral("while"),
        QStringLiteral("switch"),   QStringLiteral("catch"),  QStringLiteral("return"), QStringLiteral("typeof"),
        QStringLiteral("void"),     QStringLiteral("delete"), QStringLiteral("in"),    QStringLiteral("of"),
        QStringLiteral("new"),      QStringLiteral("with"),   QStringLiteral("do"),    QStringLiteral("else")};
    QStringList names;
    for (auto it = callRe.globalMatch(expr); it.hasNext();) {
        const QString name = it.next().captured(1);
        if (!keywords.contains(name))
            names << name;
    }
    names.removeDuplicates();
    return names;
}

bool scriptDefines(ScriptHost &script, const QString &name)
{
    static const QSet<QString> language = {QStringLiteral("parseInt"), QStringLiteral("parseFloat"),
                                           QStringLiteral("String"), QStringLiteral("Number"),
                                           QStringLiteral("isNaN"), QStringLiteral("Math")};
    if (language.contains(name))
        return true;
    const ScriptResult r = script.evaluate(QStringLiteral("typeof ") + name);
    return r.ok && r.text == QLatin1String("function");
}

void lintRows(const nlohmann::ordered_json &params, const QString &where, ScriptHost &script, QStringList &problems,
              QStringList *notWritten)
{
    QHash<QString, int> seen;
    ParamTable scratch(false);
    for (const auto &[i, entry] : JsonIndexedEntries(params)) {
        QString at = QStringLiteral("%1[%2]").arg(where, QString::number(i));
        if (!entry || !entry->is_object()) {
            problems << at + QStringLiteral(": not a JSON object");
            continue;
        }
        for (const char *m : kMembers) {
            const auto it = entry->find(m);
            if (it == entry->end())
                problems << at + QStringLiteral(": member %1 is missing").arg(QLatin1String(m));
            else if (!it->is_string())
                problems << at + QStringLiteral(": member %1 is not a string").arg(QLatin1String(m));
        }
        const ParamRow row = ParamRowFromEntry(*entry);
        if (!row.cmdId.isEmpty())
            at += QStringLiteral(" (%1)").arg(row.cmdId);
        if (row.isHeading()) {
            if (!row.stored.isEmpty() || !row.onGet.isEmpty() || !row.onSet.isEmpty())
                problems << at + QStringLiteral(": a heading (empty CMDID) with a value or conversions");
            continue;
        }
        if (row.stored.isEmpty() && notWritten)
            *notWritten << at + QStringLiteral(": no PVALUE, not written (each unit keeps its own value)");
        if (row.cmdId.size() != 4 || !IsHexText(row.cmdId) || HexToInt(row.cmdId) == 0)
            problems << at + QStringLiteral(": CMDID \"%1\" is not four hex digits (not 0000)").arg(row.cmdId);
        const QString key = row.cmdId.toUpper();
        if (seen.contains(key))
            problems << at + QStringLiteral(": code %1 repeats %2[%3]").arg(row.cmdId, where, QString::number(seen.value(key)));
        else
            seen.insert(key, i);
        const QString digits = row.stored.mid(4);
        if (!row.stored.isEmpty() && (!row.stored.startsWith(QLatin1String("HEX:")) || digits.size() % 2 != 0 ||
                                      (!digits.isEmpty() && !IsHexText(digits))))
            problems << at + QStringLiteral(": PVALUE \"%1\" is not HEX: followed by pairs of hex digits").arg(row.stored);

        bool listForm = false;
        if (conv::IsListForm(row.onList)) {
            QString error;
            const auto list = conv::ParseValueList(row.onList, &error);
            if (!list)
                problems << at + QStringLiteral(": ONLIST value list: ") + error;
            else if (!row.stored.isEmpty() && conv::MatchStored(*list, row.stored) < 0)
                problems << at + QStringLiteral(": PVALUE %1 is none of the ONLIST values").arg(row.stored);
            listForm = list.has_value();
        } else if (!row.onList.isEmpty()) {
            const ScriptResult r = script.evaluate(row.onList);
            if (!r.ok)
                problems << at + QStringLiteral(": ONLIST \"%1\": %2").arg(row.onList, r.error);
        }
        if (!listForm) {
            for (const auto &[member, expr, builtIn] :
                 {std::tuple{QStringLiteral("ONGET"), row.onGet, conv::UsesGetStr(row.onGet) || conv::UsesGetFloat(row.onGet)},
                  std::tuple{QStringLiteral("ONSET"), row.onSet, conv::UsesSetStr(row.onSet) || conv::UsesSetFloat(row.onSet)}}) {
                if (builtIn)
                    continue;
                for (const QString &f : calledFunctions(expr))
                    if (!scriptDefines(script, f))
                        problems << at + QStringLiteral(": %1 calls %2(), which the script does not define").arg(member, f);
            }
        }
        // The start value as the table shows it, and that shown value back through the row's editor.
        const QString loadError = AddParamRow(script, scratch, row);
        if (!loadError.isEmpty()) {
            problems << at + QStringLiteral(": the value cannot be shown: ") + loadError;
            continue;
        }
        const ParamRow &loaded = scratch.row(scratch.size() - 1);
        if (!row.stored.isEmpty() && !loaded.shown.isEmpty()) {
            QString why;
            if (!ConvertGivenValue(script, loaded, 2, loaded.shown, why))
                problems << at + QStringLiteral(": its own conversion refuses the start value: ") + why;
        }
    }
}
} // namespace

QStringList LintProfile(const QString &path, ScriptHost &script, QStringList *notWritten)
{
    QStringList problems;
    const auto root = readJson(path, problems);
    if (!root)
        return problems;
    const auto params = root->find("Params");
    if (params == root->end())
        problems << path + QStringLiteral(": no Params list");
    else if (!params->is_array() && !params->is_object())
        problems << path + QStringLiteral(": Params is neither a list nor rows keyed by index");
    else
        lintRows(*params, QStringLiteral("Params"), script, problems, notWritten);

    const QString ext = JsonMemberText(*root, "ExParamFile");
    if (!ext.isEmpty()) {
        QString extPath = ext;
        if (!QFileInfo(ext).isAbsolute())
            extPath = QFileInfo(path).absoluteDir().filePath(ext);
        if (!QFileInfo::exists(extPath)) {
            problems << path + QStringLiteral(": ExParamFile %1 does not exist beside the profile").arg(ext);
        } else if (const auto extRoot = readJson(extPath, problems)) {
            const auto extParams = extRoot->find("Params");
            if (extParams == extRoot->end() || (!extParams->is_array() && !extParams->is_object()))
                problems << extPath + QStringLiteral(": no Params list");
            else
                lintRows(*extParams, QFileInfo(ext).fileName() + QStringLiteral(" Params"), script, problems, notWritten);
        }
    }
    return problems;
}
