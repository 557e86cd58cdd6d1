#include "support/scripted_dialogs.h"

void ScriptedDialogs::error(QWidget *, const QString &text)
{
    shown.append({QStringLiteral("error"), QString(), text});
}

void ScriptedDialogs::information(QWidget *, const QString &text)
{
    shown.append({QStringLiteral("information"), QString(), text});
}

bool ScriptedDialogs::confirm(QWidget *, const QString &caption, const QString &text)
{
    shown.append({QStringLiteral("confirm"), caption, text});
    return confirmAnswers.isEmpty() ? false : confirmAnswers.takeFirst();
}

QString ScriptedDialogs::openFile(QWidget *, const QString &caption, const QString &preset, const QString &)
{
    shown.append({QStringLiteral("open"), caption, preset});
    return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
}

QString ScriptedDialogs::saveFile(QWidget *, const QString &caption, const QString &preset, const QString &,
                                  const QString &)
{
    shown.append({QStringLiteral("save"), caption, preset});
    return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
}

QStringList ScriptedDialogs::texts(const QString &kind) const
{
    QStringList out;
    for (const Shown &s : shown)
        if (s.kind == kind)
            out.append(s.text);
    return out;
}
