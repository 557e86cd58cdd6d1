#include "params/value_input.h"

#include "params/param_row.h"
#include "params/value_conversions.h"
#include "script/script_host.h"
#include "text/hex.h"

std::optional<StoredValue> ConvertGivenValue(ScriptHost &script, const ParamRow &row, int privilegeLevel,
                                             const QString &value, QString &why)
{
    const QString label = QStringLiteral("%1 (%2)").arg(row.name, row.cmdId);
    if (IsProtectedRow(row.cmdId, privilegeLevel)) {
        why = label + QStringLiteral(" is protected and cannot be written");
        return std::nullopt;
    }
    // Raw stored value, for values no conversion produces.
    if (value.startsWith(QLatin1String("HEX:"))) {
        const QString digits = value.mid(4).remove(QLatin1Char(' ')).toUpper();
        if (digits.size() % 2 != 0 || (!digits.isEmpty() && !IsHexText(digits))) {
            why = QStringLiteral("\"%1\" is not HEX: followed by pairs of hex digits").arg(value);
            return std::nullopt;
        }
        return StoredValue{QStringLiteral("HEX:") + digits, value};
    }
    if (conv::IsListForm(row.onList)) {
        QString listError;
        const auto choice = ConvertListChoice(row, value, &listError);
        if (listError.isEmpty()) {
            if (!choice) {
                const auto list = conv::ParseValueList(row.onList, &listError);
                why = QStringLiteral("%1 takes one of: %2").arg(label, list ? list->names.join(QStringLiteral(", ")) : QString());
            }
            return choice;
        }
        // A broken list: the editor falls back to free text, and so do we.
    }
    const EditorSetup setup = SetupParamEditor(script, row, privilegeLevel);
    if (setup.maxLength > 0 && value.size() > setup.maxLength) {
        why = QStringLiteral("%1 takes at most %2 characters").arg(label, QString::number(setup.maxLength));
        return std::nullopt;
    }
    for (const QChar c : value)
        if (!CharAllowed(c, setup.allowedChars)) {
            why = QStringLiteral("%1 does not accept the character '%2' (allowed: %3)").arg(label, QString(c), setup.allowedChars);
            return std::nullopt;
        }
    const auto converted = ConvertTypedText(script, row, value);
    if (!converted)
        why = QStringLiteral("%1 does not accept the value \"%2\"").arg(label, value);
    return converted;
}
