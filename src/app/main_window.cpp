#include "app/main_window.h"

#include "widgets/conversation_view.h"
#include "widgets/password_echo.h"
#include "widgets/reconnect_ui.h"
#include "app/tool_handlers.h"
#include "app/language_menu.h"

#include "app/comm_page.h"
#include "app/device_actions.h"
#include "widgets/dialogs.h"
#include "app/ext_page.h"
#include "app/gui_sink.h"
#include "widgets/busy_lock.h"
#include "params/param_ops.h"
#include "params/ui/param_editor.h"
#include "params/ui/param_view.h"
#include "session/core_session.h"
#include "tools/control_page.h"
#include "tools/modem_page.h"
#include "tools/send_text.h"
#include "tools/file_test_window.h"
#include "tools/transparent_page.h"
#include "station/station_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

namespace {
struct MainWindowTexts {
    Q_DECLARE_TR_FUNCTIONS(MainWindowTexts)
};
} // namespace

namespace {
const char *const kScriptPath = "./script.js";

} // namespace

MainWindow::MainWindow(CoreSession &session, Dialogs &dialogs, QWidget *parent)
    : QMainWindow(parent), m_session(session), m_dialogs(dialogs)
{
    QFont f = font();
    f.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei"), // not translated: a font family name
                   QStringLiteral("Noto Sans CJK SC")});
    f.setPixelSize(14);
    setFont(f);
    resize(740, 771);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    buildMenu();
    buildPages();
    buildLogPanel();
    buildStatusBar();

    m_splitter = new QSplitter(Qt::Vertical, this);
    m_splitter->setHandleWidth(3);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->addWidget(m_tabs);
    m_splitter->addWidget(m_logPanel);
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setSizes({560, 140});
    setCentralWidget(m_splitter);

    // Hidden settings switches, kept for the handlers that address them.
    m_timedQueryCheck = new QCheckBox(MainWindowTexts::tr("定时查询设置"), m_logPanel);
    m_timedQueryCheck->setVisible(false);
    m_stopTestCheck = new QCheckBox(MainWindowTexts::tr("终止测试"), m_logPanel);
    m_stopTestCheck->setVisible(false);

    m_editorTimer.setInterval(10);
    connect(&m_editorTimer, &QTimer::timeout, this, [this] { keepEditorPlaced(); });
    m_editorTimer.start();
    m_reloadTimer.setInterval(100);
    m_reloadTimer.setSingleShot(true);
    connect(&m_reloadTimer, &QTimer::timeout, this, &MainWindow::reloadLastProfile);

    connect(&m_session.state, &AppState::logAppended, this, &MainWindow::log);
    connect(m_commPage, &CommPage::serialStatusText, m_portStatusLabel, &QLabel::setText);
    connect(m_tabs, &QTabWidget::currentChanged, this, &MainWindow::onTabShown);
    connect(m_loadProfileAction, &QAction::triggered, this, &MainWindow::loadProfileFromMenu);
    connect(m_saveProfileAction, &QAction::triggered, this, &MainWindow::saveProfileAs);
    wireParamActions();
    nameControls();

    // The test tools, the command window and the privilege levels install their own handlers.
    InstallToolHandlers(*this);
    // In the menu bar's corner, so the entries of the menu bar itself stay as they were.
    auto *languageButton = new QToolButton(m_menuBar);
    auto *languageMenu = new LanguageMenu(m_dialogs, languageButton);
    languageButton->setText(languageMenu->title());
    languageButton->setMenu(languageMenu);
    languageButton->setPopupMode(QToolButton::InstantPopup);
    languageButton->setAutoRaise(true);
    m_menuBar->setCornerWidget(languageButton, Qt::TopRightCorner);

    m_userSettings = std::make_unique<UserSettings>();
    m_session.state.FastReplies = m_userSettings->fastReplies();
    {
        const QSignalBlocker block(m_fastRepliesAction);
        m_fastRepliesAction->setChecked(m_session.state.FastReplies);
    }
    m_reconnectUi = new ReconnectUi(
        *this, {m_session.state, m_session.link, m_session.serialReconnect, m_session.tcpReconnect, m_session.log},
        *m_userSettings);
    m_reconnectUi->openLog();
    // Every conversation view of this window, as it shows its lines (the control page's hex
    // mirror Memo7 is never shown, so it is not one).
    m_reconnectUi->tapViews(this, {QStringLiteral("Memo1"), QStringLiteral("Memo2"), QStringLiteral("Memo4"),
                                   QStringLiteral("Memo8")});

    startUp();
    m_reloadTimer.start();
}

MainWindow::~MainWindow()
{
    m_editorTimer.stop();
    keepEditorPlaced = [] {};
    // Tearing the pages down changes the current tab: no handler may run on half-deleted pages.
    disconnect(m_tabs, nullptr, this, nullptr);
    // The pages' views watch the session's tables; let them go before anything else does.
    delete m_splitter;
}

void MainWindow::buildMenu()
{
    m_menuBar = menuBar();
    auto action = [this](const QString &caption, bool visible) {
        auto *a = new QAction(caption, this);
        a->setVisible(visible);
        return a;
    };
    m_factoryDefaultsAction = action(MainWindowTexts::tr("恢复出厂默认设置"), true);
    m_resetDeviceAction = action(MainWindowTexts::tr("复位设备"), true);
    m_autoReadAction = action(MainWindowTexts::tr("自动获取参数"), false);
    m_fileMenu = new QMenu(MainWindowTexts::tr("文件操作"), m_menuBar);
    m_loadProfileAction = action(MainWindowTexts::tr("调入参数文件"), true);
    m_saveProfileAction = action(MainWindowTexts::tr("保存参数文件"), false);
    m_fileMenu->addAction(m_loadProfileAction);
    m_fileMenu->addAction(m_saveProfileAction);
    // "批量写参数" belongs to the file menu, after the save entry.
    m_batchWriteAction = action(MainWindowTexts::tr("批量写参数"), true);
    m_fileMenu->addAction(m_batchWriteAction);
    m_fastRepliesAction = action(MainWindowTexts::tr("快速应答"), true);
    m_fastRepliesAction->setCheckable(true);
    m_fastRepliesAction->setChecked(false);
    m_fileMenu->addAction(m_fastRepliesAction);
    m_otherActionsAction = action(MainWindowTexts::tr("其他操作"), false);
    m_stationAction = action(MainWindowTexts::tr("生产工位"), true);
    m_menuBar->addAction(m_factoryDefaultsAction);
    m_menuBar->addAction(m_resetDeviceAction);
    m_menuBar->addAction(m_autoReadAction);
    m_menuBar->addMenu(m_fileMenu);
    m_menuBar->addAction(m_otherActionsAction);
    m_menuBar->addAction(m_stationAction);
    connect(m_stationAction, &QAction::triggered, this, [this] {
        StationWindow &w = stationWindow();
        w.show();
        w.raise();
        w.activateWindow();
    });
}

StationWindow &MainWindow::stationWindow()
{
    if (!m_stationWindow)
        m_stationWindow = new StationWindow(m_session.state, m_dialogs, this);
    m_stationWindow->setWindowFlag(Qt::Window);
    return *m_stationWindow;
}

void MainWindow::buildPages()
{
    m_tabs = new QTabWidget(this);
    m_tabs->setTabPosition(QTabWidget::South);
    m_commPage = new CommPage(m_session, m_dialogs);
    m_transparentPage = new TransparentPage(m_session, m_dialogs);
    m_controlPage = new ControlPage(m_session, m_dialogs);
    m_modemPage = new ModemPage(m_session, m_dialogs);
    m_extPage = new ExtPage(m_session, m_dialogs);
    m_tabs->addTab(m_commPage, MainWindowTexts::tr("   通信参数设置   "));
    m_tabs->addTab(m_transparentPage, MainWindowTexts::tr("  透明传输测试  "));
    m_tabs->addTab(m_controlPage, MainWindowTexts::tr("控制模式测试"));
    m_tabs->addTab(m_modemPage, MainWindowTexts::tr("工业MODEM模式测试"));
    m_tabs->addTab(m_extPage, MainWindowTexts::tr("   扩展参数设置   "));
    m_tabs->setTabVisible(kModemTabIndex, false);
    m_tabs->setCurrentIndex(0);
    setExtTabVisible(true);
}

void MainWindow::buildLogPanel()
{
    m_logPanel = new QFrame(this);
    auto *layout = new QVBoxLayout(m_logPanel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_passwordEdit = new QLineEdit(m_logPanel);
    UseAsteriskPasswordEcho(m_passwordEdit);
    m_passwordEdit->setFrame(false);
    m_passwordEdit->setVisible(false);
    layout->addWidget(m_passwordEdit);
    m_log = new ConversationView(m_logPanel);
    layout->addWidget(m_log);
}

void MainWindow::buildStatusBar()
{
    m_statusBar = statusBar();
    auto panel = [this](const QString &text, int width, int stretch) {
        auto *l = new QLabel(text, m_statusBar);
        l->setMinimumWidth(width);
        m_statusBar->addWidget(l, stretch);
        return l;
    };
    m_portCaptionLabel = panel(MainWindowTexts::tr("串口状态"), 80, 0);
    m_portStatusLabel = panel(MainWindowTexts::tr("串口未打开"), 300, 0);
    m_resultCaptionLabel = panel(MainWindowTexts::tr("操作结果"), 100, 0);
    m_resultLabel = panel(QString(), 100, 1);
}

void MainWindow::startUp()
{
    QString fileError;
    // A script error while evaluating is ignored; the operations that need it report their own.
    m_session.script.evaluateFile(QLatin1String(kScriptPath), &fileError);
    if (!fileError.isEmpty())
        m_startUpError = MainWindowTexts::tr("无法打开脚本文件 %1：%2").arg(QLatin1String(kScriptPath), fileError);
    m_session.state.PasswordAccepted = false;
    m_session.state.WorkMode = 0;
    m_session.poll.lineGet().clear();
}

void MainWindow::onActivated()
{
    m_session.poll.start();
}

bool MainWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        onActivated();
    if (event->type() == QEvent::Show && !m_startUpError.isEmpty())
        QTimer::singleShot(0, this, [this] {
            const QString text = std::exchange(m_startUpError, QString());
            if (!text.isEmpty())
                m_dialogs.error(this, text);
        });
    return QMainWindow::event(event);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // A station with units in progress closes only once they are recorded (it may ask first).
    if (m_stationWindow && m_stationWindow->isVisible() && !m_stationWindow->close()) {
        event->ignore();
        return;
    }
    // Every wait ends at once; the tool windows close too, so no window is left to keep the
    // application running once this one has closed.
    m_session.state.requestClose();
    for (QWidget *w : {commandWindow, fileTestWindow})
        if (w)
            w->close();
    event->accept();
}

void MainWindow::onTabShown(int index)
{
    AppState &st = m_session.state;
    switch (index) {
    case 0:
        m_commPage->m_paramView->selectFirstRow();
        selectParamChannel(st.MainParamChannel);
        // The set just selected may have made the other table active.
        m_editor->refresh();
        break;
    case 1:
    case 2:
    case 3:
        selectParamChannel(st.MainParamChannel);
        break;
    case kExtTabIndex:
        m_extPage->m_paramView->selectFirstRow();
        selectParamChannel(0);
        m_editor->refresh();
        break;
    default:
        break;
    }
}

void MainWindow::setExtTabVisible(bool visible)
{
    m_tabs->setTabVisible(kExtTabIndex, visible);
    m_session.state.ExtTabVisible = visible;
}

bool MainWindow::isExtTabVisible() const
{
    return m_tabs->isTabVisible(kExtTabIndex);
}

void MainWindow::log(const QString &line)
{
    m_log->appendPlainText(line);
}

void MainWindow::setResultText(const QString &text)
{
    m_resultLabel->setText(text);
}

QString MainWindow::resultText() const
{
    return m_resultLabel->text();
}

void MainWindow::toggleLogPanel()
{
    // Both "显示数据" boxes follow the main page's box, as the log panel is one.
    const bool show = m_commPage->m_showDataCheck->isChecked();
    m_logPanel->setVisible(show);
    m_timedQueryCheck->move(m_timedQueryCheck->x(), show ? 472 : 588);
}

void MainWindow::attachToolWindows(QWidget &commands, FileTestWindow &fileTest)
{
    commandWindow = &commands;
    fileTestWindow = &fileTest;
    m_reconnectUi->tapViews(&commands, {QStringLiteral("Memo1")});
    m_reconnectUi->tapViews(&fileTest, {QStringLiteral("Memo2")});
    fileTest.packetSent = [this](const QByteArray &packet) {
        m_transparentPage->conversation().appendLine(SentLine(packet, m_transparentPage->hexMode()));
    };
}

// The form names: tests, accessibility tools and scripts find the controls by them.
void MainWindow::nameControls()
{
    setObjectName(QStringLiteral("Form1"));
    m_menuBar->setObjectName(QStringLiteral("MainMenu1"));
    m_factoryDefaultsAction->setObjectName(QStringLiteral("N1"));
    m_resetDeviceAction->setObjectName(QStringLiteral("N6"));
    m_autoReadAction->setObjectName(QStringLiteral("N3"));
    m_fileMenu->setObjectName(QStringLiteral("N2"));
    m_loadProfileAction->setObjectName(QStringLiteral("N5"));
    m_saveProfileAction->setObjectName(QStringLiteral("ba1"));
    m_batchWriteAction->setObjectName(QStringLiteral("N4"));
    m_fastRepliesAction->setObjectName(QStringLiteral("NFast"));
    m_otherActionsAction->setObjectName(QStringLiteral("N7"));
    m_stationAction->setObjectName(QStringLiteral("NStation"));
    m_statusBar->setObjectName(QStringLiteral("StatusBar1"));
    m_portCaptionLabel->setObjectName(QStringLiteral("StatusBar1Panel0"));
    m_portStatusLabel->setObjectName(QStringLiteral("StatusBar1Panel1"));
    m_resultCaptionLabel->setObjectName(QStringLiteral("StatusBar1Panel2"));
    m_resultLabel->setObjectName(QStringLiteral("StatusBar1Panel3"));
    m_session.poll.timer().setObjectName(QStringLiteral("Timer1"));
    m_editorTimer.setObjectName(QStringLiteral("Timer2"));
    m_reloadTimer.setObjectName(QStringLiteral("Timer3"));
    m_splitter->setObjectName(QStringLiteral("Splitter1"));
    m_timedQueryCheck->setObjectName(QStringLiteral("CheckBox4"));
    m_stopTestCheck->setObjectName(QStringLiteral("CheckBox6"));
    m_tabs->setObjectName(QStringLiteral("PageControl1"));
    m_commPage->setObjectName(QStringLiteral("TabSheet1"));
    m_transparentPage->setObjectName(QStringLiteral("TabSheet2"));
    m_controlPage->setObjectName(QStringLiteral("TabSheet3"));
    m_modemPage->setObjectName(QStringLiteral("TabSheet4"));
    m_extPage->setObjectName(QStringLiteral("TabSheet5"));
    m_logPanel->setObjectName(QStringLiteral("panel3"));
    m_passwordEdit->setObjectName(QStringLiteral("MaskEdit3"));
    m_log->setObjectName(QStringLiteral("Memo1"));
}
