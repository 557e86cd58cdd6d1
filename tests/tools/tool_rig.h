#pragma once
// The main window with its two secondary windows in a temporary working directory, talking
// to dtusim over a pseudo-terminal. The device loops transparent data back (work mode 0).
#include "app/comm_page.h"
#include "app/main_window.h"
#include "session/core_session.h"
#include "support/isolated_home.h"
#include "support/scripted_dialogs.h"
#include "support/sim_process.h"
#include "tools/command_window.h"
#include "tools/file_test_window.h"
#include "tools/transparent_page.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include "widgets/conversation_view.h"

#include <QtTest>
#include <memory>

namespace toolrig {

inline const char *kScript = "var PREFIX = \"\";\n"
                             "function GetCmd(n) { return \"\"; }\n"
                             "function PrevCmd() { return PREFIX; }\n";

template <typename View>
inline QStringList lines(const View *memo)
{
    const QString text = memo->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

template <typename View>
inline QStringList linesContaining(const View *memo, const QString &part)
{
    return lines(memo).filter(part);
}

struct Rig {
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    SimProcess sim;
    std::unique_ptr<CoreSession> session;
    std::unique_ptr<MainWindow> form;
    std::unique_ptr<CommandWindow> form2;
    std::unique_ptr<FileTestWindow> fileTest;

    ~Rig()
    {
        fileTest.reset();
        form2.reset();
        form.reset();
        session.reset();
        sim.stop();
        QDir::setCurrent(QDir::tempPath());
    }

    QString path(const QString &name) const { return dir.filePath(name); }
    QString logPath() const { return path(QStringLiteral("frames.log")); }

    // Starts the simulator (unless `withSim` is false) and the windows, and opens the port.
    bool start(const QStringList &simArgs = {}, bool withSim = true)
    {
        QDir::setCurrent(dir.path());
        QFile script(path(QStringLiteral("script.js")));
        if (!script.open(QIODevice::WriteOnly))
            return false;
        script.write(kScript);
        script.close();
        if (withSim &&
            !sim.start(QStringList{QStringLiteral("--pty"), QStringLiteral("--log"), logPath()} + simArgs)) {
            qWarning("%s", qPrintable(sim.errorText()));
            return false;
        }
        session = std::make_unique<CoreSession>();
        // Framed replies end once complete: the reply timing is not under test here.
        session->state.FastReplies = true;
        form = std::make_unique<MainWindow>(*session, dialogs);
        form2 = std::make_unique<CommandWindow>(*session, dialogs);
        fileTest = std::make_unique<FileTestWindow>(*session, dialogs);
        form->attachToolWindows(*form2, *fileTest);
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            return false;
        if (withSim) {
            form->m_commPage->m_portEdit->setText(sim.ptyPath());
            form->m_commPage->openPort();
            if (!session->link.isSerialOpen())
                return false;
        }
        session->poll.start();
        return true;
    }

    AppState &state() { return session->state; }
    ConversationView *memo2() { return form->m_transparentPage->m_conversationBox; }
    QStringList memo1() const { return lines(form->m_log); }
    // Conversation lines, after writing what is pending.
    QStringList conversation()
    {
        form->m_transparentPage->conversation().flush();
        return lines(form->m_transparentPage->m_conversationBox);
    }
    // Frames the simulated device received, as hex dump lines.
    QStringList framesSeen() const
    {
        QFile f(logPath());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLatin1(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
};

} // namespace toolrig
