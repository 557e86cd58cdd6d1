#include "app/tool_handlers.h"

#include "app/comm_page.h"
#include "app/ext_page.h"
#include "app/privilege.h"
#include "app/main_window.h"
#include "session/core_session.h"
#include "tools/control_page.h"
#include "tools/transparent_page.h"
#include "widgets/conversation_view.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QPushButton>
#include <QCoreApplication>

namespace {
struct MainWindowTexts {
    Q_DECLARE_TR_FUNCTIONS(MainWindowTexts)
};
} // namespace

namespace {
// The windows are set on the main window after it is built, so they are looked up when used.
void showWindow(QWidget *w)
{
    if (!w)
        return;
    w->show();
    w->raise();
    w->activateWindow();
}

QAction *addMenuAction(MainWindow &form, const char *name, const QString &caption)
{
    auto *a = new QAction(caption, &form);
    a->setObjectName(QLatin1String(name));
    form.m_menuBar->addAction(a);
    return a;
}
} // namespace

void InstallToolHandlers(MainWindow &form)
{
    new PrivilegeGate(form.session().state, form.m_log, form.m_passwordEdit, &form);

    ControlPage *control = form.m_controlPage;
    control->setResultText = [&form](const QString &text) { form.setResultText(text); };
    control->resultText = [&form] { return form.resultText(); };

    // The command window: the hidden entries, and a visible menu entry so it can be reached.
    const auto showCommands = [&form] { showWindow(form.commandWindow); };
    QObject::connect(form.m_otherActionsAction, &QAction::triggered, &form, showCommands);
    QObject::connect(form.m_commPage->m_ioConfigButton, &QPushButton::clicked, &form, showCommands);
    QObject::connect(form.m_extPage->m_ioConfigButton, &QPushButton::clicked, &form, showCommands);
    QObject::connect(addMenuAction(form, "NCmdWindow", MainWindowTexts::tr("命令执行窗口")), &QAction::triggered, &form,
                     showCommands);

    const auto showFileTest = [&form] { showWindow(form.fileTestWindow); };
    QObject::connect(form.m_transparentPage->m_fileTestButton, &QPushButton::clicked, &form, showFileTest);
    QObject::connect(addMenuAction(form, "NFileTest", MainWindowTexts::tr("文件收发测试")), &QAction::triggered, &form,
                     showFileTest);
}
