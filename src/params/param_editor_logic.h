#pragma once
// What the in-place editor shows for a row and how typed text or a list choice becomes the
// row's stored value. Widget-free: the view applies an EditorSetup to its two editors.
#include <QString>
#include <QStringList>
#include <optional>

class ScriptHost;
struct ParamRow;

struct EditorSetup {
    enum Kind { None, List, Text } kind = None;
    // List form
    QStringList items;
    int selectedIndex = -1;
    QString comboText;          // non-empty: shown as the combo box's text
    // Text form
    int maxLength = 0;          // 0: no limit
    QString allowedChars;       // empty: any character
    QString editText;
    bool readOnly = false;
    // Errors the list form reports in a message box, in order.
    QStringList messages;
};

// The protected row, editable only at the administrator level.
bool IsProtectedRow(const QString &code, int privilegeLevel);

// Sets up the editor for `row` (a heading or, below level 2, the protected row gives None).
EditorSetup SetupParamEditor(ScriptHost &script, const ParamRow &row, int privilegeLevel);

// Typed text to the row's new stored and shown values; nullopt keeps the row as it is
// (a script error, a text that is not a number).
struct StoredValue {
    QString stored;  // "HEX:" + digits
    QString shown;
};
std::optional<StoredValue> ConvertTypedText(ScriptHost &script, const ParamRow &row, const QString &typed);

// A list choice to the row's new values; nullopt when the text is not among the names.
// `error` is set when the row's list cannot be parsed.
std::optional<StoredValue> ConvertListChoice(const ParamRow &row, const QString &choice, QString *error);

// Whether `ch` passes the character filter (Backspace always does).
bool CharAllowed(QChar ch, const QString &allowedChars);
