#include "app/tool_handlers.h"

#include "app/comm_page.h"
#include "app/ext_page.h"
#include "app/privilege.h"
#include "app/tform1.h"
#include "session/core_session.h"
#include "tools/control_page.h"
#include "tools/transparent_page.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QPushButton>

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

QAction *addMenuAction(TForm1 &form, const char *name, const QString &caption)
{
    auto *a = new QAction(caption, &form);
    a->setObjectName(QLatin1String(name));
    form.MainMenu1->addAction(a);
    return a;
}
} // namespace

void InstallToolHandlers(TForm1 &form)
{
    new PrivilegeGate(form.session().state, form.Memo1, form.MaskEdit3, &form);

    ControlPage *control = form.TabSheet3;
    control->setResultText = [&form](const QString &text) { form.setResultText(text); };
    control->resultText = [&form] { return form.resultText(); };

    // The command window: the hidden entries, and a visible menu entry so it can be reached.
    const auto showCommands = [&form] { showWindow(form.commandWindow); };
    QObject::connect(form.N7, &QAction::triggered, &form, showCommands);
    QObject::connect(form.TabSheet1->BitBtn1, &QPushButton::clicked, &form, showCommands);
    QObject::connect(form.TabSheet5->BitBtn2, &QPushButton::clicked, &form, showCommands);
    QObject::connect(addMenuAction(form, "NCmdWindow", QStringLiteral("命令执行窗口")), &QAction::triggered, &form,
                     showCommands);

    const auto showFileTest = [&form] { showWindow(form.fileTestWindow); };
    QObject::connect(form.TabSheet2->suiButton15, &QPushButton::clicked, &form, showFileTest);
    QObject::connect(addMenuAction(form, "NFileTest", QStringLiteral("文件收发测试")), &QAction::triggered, &form,
                     showFileTest);
}
