#pragma once
// Checks a profile without a device: JSON syntax, every row's members, list and format
// expressions, script calls the script does not define, repeated codes, and start values the
// row's own conversion refuses. One text per problem.
#include <QString>
#include <QStringList>

class ScriptHost;

// `script` must already hold the evaluated script file. `notWritten`, when given, gets a line for
// each coded row without a value: provisioning leaves the unit's own value there (no problem).
QStringList LintProfile(const QString &path, ScriptHost &script, QStringList *notWritten = nullptr);
