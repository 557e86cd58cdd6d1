#include "params/param_editor_logic.h"

#include "params/param_row.h"
#include "params/value_conversions.h"
#include "script/script_host.h"

bool IsProtectedRow(const QString &code, int privilegeLevel)
{
    return privilegeLevel < 2 && code == QLatin1String("0091");
}

EditorSetup SetupParamEditor(ScriptHost &script, const ParamRow &row, int privilegeLevel)
{
    EditorSetup s;
    if (row.isHeading() || IsProtectedRow(row.cmdId, privilegeLevel)) {
        s.readOnly = true;
        return s;
    }
    // Every expression of an editable row may read the stored digits.
    script.setHexInput(row.hexDigits());

    if (conv::IsListForm(row.onList)) {
        QString err;
        const auto list = conv::ParseValueList(row.onList, &err);
        if (list) {
            s.kind = EditorSetup::List;
            s.items = list->names;
            s.selectedIndex = conv::MatchStored(*list, row.stored);
            const ScriptResult r = script.evaluate(row.onGet);
            if (!r.ok)
                s.messages.append(r.error);
            else if (!r.text.isEmpty())
                s.comboText = r.text;
            return s;
        }
        s.messages.append(err);
        // falls through to the text form, with the list text run as a statement
    }

    int maxLength = 0;
    QString mask;
    if (row.onList.isEmpty()) {
        maxLength = 199;
    } else {
        const ScriptResult r = script.evaluate(row.onList);
        if (r.ok) {
            bool good = true;
            if (row.onList.contains(QLatin1String("Length"))) {
                const ScriptResult len = script.evaluate(QStringLiteral("Length"));
                good = len.ok;
                if (good)
                    maxLength = len.text.toInt();
            }
            if (good && row.onList.contains(QLatin1String("Mask"))) {
                const ScriptResult m = script.evaluate(QStringLiteral("Mask"));
                if (m.ok)
                    mask = m.text;
            }
        }
    }
    s.kind = EditorSetup::Text;
    s.maxLength = qMax(0, maxLength);
    s.allowedChars = mask;

    const QString digits = row.hexDigits();
    if (!digits.isEmpty()) {
        QString text;
        if (conv::UsesGetStr(row.onGet)) {
            text = conv::GetStr(digits);
        } else if (conv::UsesGetFloat(row.onGet)) {
            text = conv::GetFloat(digits);
        } else {
            const ScriptResult r = script.evaluate(row.onGet);
            if (r.ok)
                text = r.text;
        }
        s.editText = text;
    }
    return s;
}

std::optional<StoredValue> ConvertTypedText(ScriptHost &script, const ParamRow &row, const QString &typed)
{
    QString hex;
    if (conv::UsesSetStr(row.onSet)) {
        hex = conv::SetStr(typed);
    } else if (conv::UsesSetFloat(row.onSet)) {
        const auto f = conv::SetFloat(typed);
        if (!f)
            return std::nullopt;
        hex = *f;
    } else {
        // The typed text goes in as a global, never spliced into source: any text arrives intact.
        script.setAscInput(typed);
        const ScriptResult r = script.evaluate(row.onSet);
        if (!r.ok)
            return std::nullopt;
        hex = r.text;
    }
    return StoredValue{QStringLiteral("HEX:") + conv::ReplaceNan(hex), typed};
}

std::optional<StoredValue> ConvertListChoice(const ParamRow &row, const QString &choice, QString *error)
{
    const auto list = conv::ParseValueList(row.onList, error);
    if (!list)
        return std::nullopt;
    std::optional<StoredValue> out;
    for (int i = 0; i < list->names.size(); ++i)
        if (list->names.at(i) == choice)
            out = StoredValue{QStringLiteral("HEX:") + list->values.at(i), choice};
    return out;
}

bool CharAllowed(QChar ch, const QString &allowedChars)
{
    if (allowedChars.isEmpty() || ch.unicode() == 8)
        return true;
    return allowedChars.contains(ch);
}
