#pragma once
// A main window in a fresh working directory, with scripted dialogs and small profiles.
#include "app/main_window.h"
#include "session/core_session.h"
#include "support/isolated_home.h"
#include "support/scripted_dialogs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// GetCmd/PrevCmd for the frame builder and one conversion that shows its input.
inline const char *kTestScript = "function GetCmd(n) { return \"0101\"; }\n"
                                 "function PrevCmd() { return \"\"; }\n"
                                 "function Echo() { return \"v\" + hexinput; }\n";

// One parameter entry per line: the loader walks as many indexes as the file has lines.
inline QByteArray profileText(const QString &title, const QString &extra = QString(),
                              bool withParams = true)
{
    QString text = QStringLiteral("{\n");
    if (!title.isEmpty())
        text += QStringLiteral(" \"Title\": \"%1\",\n").arg(title);
    text += extra;
    if (withParams)
        text += QStringLiteral(
            " \"Params\": [\n"
            "  {\"CMDID\":\"0010\",\"PNAME\":\"名称A\",\"PVALUE\":\"HEX:01\",\"ONGET\":\"Echo()\",\"ONLIST\":\"\",\"ONSET\":\"\",\"PNOTE\":\"说明\"},\n"
            "  {\"CMDID\":\"\",\"PNAME\":\"分组\",\"PVALUE\":\"\",\"ONGET\":\"\",\"ONLIST\":\"\",\"ONSET\":\"\",\"PNOTE\":\"\"},\n"
            "  {\"CMDID\":\"0011\",\"PNAME\":\"名称B\",\"PVALUE\":\"HEX:4142\",\"ONGET\":\"Echo()\",\"ONLIST\":\"\",\"ONSET\":\"\",\"PNOTE\":\"\"}\n"
            " ],\n");
    text += QStringLiteral(" \"Buttons\": [ {\"BNAME\":\"查询\",\"ONCLICK\":\"\",\"ONREPLY\":\"\"} ]\n}\n");
    return text.toUtf8();
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    f.write(bytes);
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct WindowFixture {
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<CoreSession> session;
    std::unique_ptr<MainWindow> form;

    // Enters the temporary directory; writes script.js unless told not to.
    explicit WindowFixture(bool withScript = true)
    {
        QDir::setCurrent(dir.path());
        if (withScript)
            writeFile(path("script.js"), kTestScript);
    }
    ~WindowFixture()
    {
        form.reset();
        session.reset();
        QDir::setCurrent(QDir::tempPath());
    }

    QString path(const QString &name) const { return dir.filePath(name); }

    MainWindow &create()
    {
        session = std::make_unique<CoreSession>();
        form = std::make_unique<MainWindow>(*session, dialogs);
        return *form;
    }

    template <typename T>
    T *child(const char *name) const
    {
        return form->findChild<T *>(QLatin1String(name));
    }
};
