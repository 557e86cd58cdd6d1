#include "app/tform1.h"
#include "app/tool_handlers.h"

#include "app/comm_page.h"
#include "app/device_actions.h"
#include "widgets/dialogs.h"
#include "app/ext_page.h"
#include "app/gui_sink.h"
#include "widgets/named.h"
#include "params/param_ops.h"
#include "params/ui/param_editor.h"
#include "params/ui/param_view.h"
#include "session/core_session.h"
#include "tools/control_page.h"
#include "tools/modem_page.h"
#include "tools/send_text.h"
#include "tools/tfrm_file_test.h"
#include "tools/transparent_page.h"
#include "tools/batched_memo.h"

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
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
const char *const kScriptPath = "./script.js";

// A profile may carry a value the list does not offer (33600, 8M1): it is taken as it is.
void setListText(QComboBox *box, const QString &text)
{
    int i = box->findText(text);
    if (i < 0) {
        box->addItem(text);
        i = box->count() - 1;
    }
    box->setCurrentIndex(i);
}
} // namespace

TForm1::TForm1(CoreSession &session, Dialogs &dialogs, QWidget *parent)
    : QMainWindow(parent), m_session(session), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("Form1"));
    QFont f = font();
    f.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei"),
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

    Splitter1 = named<QSplitter>("Splitter1", Qt::Vertical, this);
    Splitter1->setHandleWidth(3);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->addWidget(PageControl1);
    Splitter1->addWidget(panel3);
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setSizes({560, 140});
    setCentralWidget(Splitter1);

    // Hidden settings switches, kept for the handlers that address them.
    CheckBox4 = named<QCheckBox>("CheckBox4", QStringLiteral("定时查询设置"), panel3);
    CheckBox4->setVisible(false);
    CheckBox6 = named<QCheckBox>("CheckBox6", QStringLiteral("终止测试"), panel3);
    CheckBox6->setVisible(false);

    m_session.poll.timer().setObjectName(QStringLiteral("Timer1"));
    Timer2.setObjectName(QStringLiteral("Timer2"));
    Timer2.setInterval(10);
    connect(&Timer2, &QTimer::timeout, this, [this] { onTimer2(); });
    Timer2.start();
    Timer3.setObjectName(QStringLiteral("Timer3"));
    Timer3.setInterval(100);
    Timer3.setSingleShot(true);
    connect(&Timer3, &QTimer::timeout, this, &TForm1::Timer3Timer);

    connect(&m_session.state, &AppState::logAppended, this, &TForm1::log);
    connect(TabSheet1, &CommPage::serialStatusText, StatusBar1Panel1, &QLabel::setText);
    connect(PageControl1, &QTabWidget::currentChanged, this, &TForm1::TabSheetShow);
    connect(N5, &QAction::triggered, this, &TForm1::N5Click);
    connect(ba1, &QAction::triggered, this, &TForm1::ba1Click);
    wireParamActions();

    // The test tools, the command window and the privilege levels install their own handlers.
    InstallToolHandlers(*this);

    FormCreate();
    Timer3.start();
}

TForm1::~TForm1()
{
    Timer2.stop();
    onTimer2 = [] {};
    // Tearing the pages down changes the current tab: no handler may run on half-deleted pages.
    disconnect(PageControl1, nullptr, this, nullptr);
    // The pages' views watch the session's tables; let them go before anything else does.
    delete Splitter1;
}

void TForm1::buildMenu()
{
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    auto action = [this](const char *name, const QString &caption, bool visible) {
        auto *a = new QAction(caption, this);
        a->setObjectName(QLatin1String(name));
        a->setVisible(visible);
        return a;
    };
    N1 = action("N1", QStringLiteral("恢复出厂默认设置"), true);
    N6 = action("N6", QStringLiteral("复位设备"), true);
    N3 = action("N3", QStringLiteral("自动获取参数"), false);
    N2 = new QMenu(QStringLiteral("文件操作"), MainMenu1);
    N2->setObjectName(QStringLiteral("N2"));
    N5 = action("N5", QStringLiteral("调入参数文件"), true);
    ba1 = action("ba1", QStringLiteral("保存参数文件"), false);
    N2->addAction(N5);
    N2->addAction(ba1);
    // "批量写参数" belongs to the file menu, after the save entry.
    N4 = action("N4", QStringLiteral("批量写参数"), true);
    N2->addAction(N4);
    NFast = action("NFast", QStringLiteral("快速应答"), true);
    NFast->setCheckable(true);
    NFast->setChecked(false);
    N2->addAction(NFast);
    N7 = action("N7", QStringLiteral("其他操作"), false);
    MainMenu1->addAction(N1);
    MainMenu1->addAction(N6);
    MainMenu1->addAction(N3);
    MainMenu1->addMenu(N2);
    MainMenu1->addAction(N7);
}

void TForm1::buildPages()
{
    PageControl1 = named<QTabWidget>("PageControl1", this);
    PageControl1->setTabPosition(QTabWidget::South);
    TabSheet1 = named<CommPage>("TabSheet1", m_session, m_dialogs);
    TabSheet2 = named<TransparentPage>("TabSheet2", m_session, m_dialogs);
    TabSheet3 = named<ControlPage>("TabSheet3", m_session, m_dialogs);
    TabSheet4 = named<ModemPage>("TabSheet4", m_session, m_dialogs);
    TabSheet5 = named<ExtPage>("TabSheet5", m_session, m_dialogs);
    PageControl1->addTab(TabSheet1, QStringLiteral("   通信参数设置   "));
    PageControl1->addTab(TabSheet2, QStringLiteral("  透明传输测试  "));
    PageControl1->addTab(TabSheet3, QStringLiteral("控制模式测试"));
    PageControl1->addTab(TabSheet4, QStringLiteral("工业MODEM模式测试"));
    PageControl1->addTab(TabSheet5, QStringLiteral("   扩展参数设置   "));
    PageControl1->setTabVisible(kModemTabIndex, false);
    PageControl1->setCurrentIndex(0);
    setExtTabVisible(true);
}

void TForm1::buildLogPanel()
{
    panel3 = named<QFrame>("panel3", this);
    auto *layout = new QVBoxLayout(panel3);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    MaskEdit3 = named<QLineEdit>("MaskEdit3", panel3);
    MaskEdit3->setEchoMode(QLineEdit::Password);
    MaskEdit3->setFrame(false);
    MaskEdit3->setVisible(false);
    layout->addWidget(MaskEdit3);
    Memo1 = named<QPlainTextEdit>("Memo1", panel3);
    Memo1->setReadOnly(true);
    Memo1->setMaximumBlockCount(20000);
    layout->addWidget(Memo1);
}

void TForm1::buildStatusBar()
{
    StatusBar1 = statusBar();
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    auto panel = [this](const char *name, const QString &text, int width, int stretch) {
        auto *l = named<QLabel>(name, text, StatusBar1);
        l->setMinimumWidth(width);
        StatusBar1->addWidget(l, stretch);
        return l;
    };
    StatusBar1Panel0 = panel("StatusBar1Panel0", QStringLiteral("串口状态"), 80, 0);
    StatusBar1Panel1 = panel("StatusBar1Panel1", QStringLiteral("串口未打开"), 300, 0);
    StatusBar1Panel2 = panel("StatusBar1Panel2", QStringLiteral("操作结果"), 100, 0);
    StatusBar1Panel3 = panel("StatusBar1Panel3", QString(), 100, 1);
}

void TForm1::FormCreate()
{
    QString fileError;
    // A script error while evaluating is ignored; the operations that need it report their own.
    m_session.script.evaluateFile(QLatin1String(kScriptPath), &fileError);
    if (!fileError.isEmpty())
        m_dialogs.error(this, QStringLiteral("无法打开脚本文件 %1：%2").arg(QLatin1String(kScriptPath), fileError));
    m_session.state.PasswordAccepted = false;
    m_session.state.WorkMode = 0;
    m_session.poll.lineGet().clear();
}

void TForm1::FormActivate()
{
    m_session.poll.start();
}

bool TForm1::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QMainWindow::event(event);
}

void TForm1::closeEvent(QCloseEvent *event)
{
    m_session.state.requestClose();
    event->accept();
}

void TForm1::TabSheetShow(int index)
{
    AppState &st = m_session.state;
    switch (index) {
    case 0:
        TabSheet1->ListView1->selectFirstRow();
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
        TabSheet5->ListView2->selectFirstRow();
        selectParamChannel(0);
        m_editor->refresh();
        break;
    default:
        break;
    }
}

void TForm1::setExtTabVisible(bool visible)
{
    PageControl1->setTabVisible(kExtTabIndex, visible);
    m_session.state.ExtTabVisible = visible;
}

bool TForm1::isExtTabVisible() const
{
    return PageControl1->isTabVisible(kExtTabIndex);
}

void TForm1::log(const QString &line)
{
    Memo1->appendPlainText(line);
}

void TForm1::setResultText(const QString &text)
{
    StatusBar1Panel3->setText(text);
}

QString TForm1::resultText() const
{
    return StatusBar1Panel3->text();
}

void TForm1::N5Click()
{
    const QString preset = QCoreApplication::applicationDirPath() + QStringLiteral("/*.txt");
    const QString path = m_dialogs.openFile(this, QStringLiteral("调入参数文件"), preset,
                                            QStringLiteral("参数文件 (*.txt);;所有文件 (*)"));
    if (path.isEmpty())
        return;
    TabSheet1->filename->setPlainText(path);
    QString error;
    if (!WriteLastFile(path, &error))
        log(QStringLiteral("[无法写入lastfile.log：%1]").arg(error));
    m_session.mainTable.clear();
    const ProfileLoadResult result = m_session.profile.LoadProfile(path);
    if (!result.ok) {
        m_dialogs.error(this, QStringLiteral("参数文件调入失败：%1\n%2").arg(path, result.error));
        return;
    }
    applyProfile(result);
    for (const QString &line : result.entryErrors)
        log(line);
    if (!result.extOk)
        log(QStringLiteral("[扩展参数文件调入失败：%1]").arg(result.extError));
}

void TForm1::Timer3Timer()
{
    Timer3.stop();
    if (!TabSheet1->filename->toPlainText().isEmpty())
        return;
    const QString path = ReadLastFile();
    if (path.isEmpty())
        return;
    TabSheet1->filename->setPlainText(path);
    m_session.mainTable.clear();
    const ProfileLoadResult result = m_session.profile.LoadProfile(path);
    if (result.ok)
        applyProfile(result);
}

bool TForm1::loadProfileFromCommandLine(const QString &path)
{
    TabSheet1->filename->setPlainText(path);
    m_session.mainTable.clear();
    const ProfileLoadResult result = m_session.profile.LoadProfile(path);
    if (!result.ok) {
        log(QStringLiteral("[参数文件调入失败：%1 %2]").arg(path, result.error));
        return false;
    }
    applyProfile(result);
    for (const QString &line : result.entryErrors)
        log(line);
    return true;
}

void TForm1::applyProfile(const ProfileLoadResult &result)
{
    const ProfileSettings &s = result.settings;
    if (!s.title.isEmpty())
        setWindowTitle(QStringLiteral("参数配置程序 ") + s.title);
    if (!s.comport.isEmpty())
        TabSheet1->Edit1->setText(s.comport);
    if (!s.baudrate.isEmpty())
        setListText(TabSheet1->ComboBox1, s.baudrate);
    if (!s.comOption.isEmpty())
        setListText(TabSheet1->ComboBox6, s.comOption);
    setExtTabVisible(!s.exParamFile.isEmpty());
    TabSheet1->GroupBox16->setVisible(!s.tcpConfigIp.isEmpty());
    TabSheet1->Edit8->setText(s.tcpConfigIp);

    bool fast = false;
    if (const nlohmann::ordered_json *root = m_session.profile.root()) {
        const auto it = root->find("FastReplies");
        fast = it != root->end() && it->is_string() && it->get<std::string>() == "1";
    }
    m_session.state.FastReplies = fast;
    const QSignalBlocker block(NFast);
    NFast->setChecked(fast);
}

void TForm1::wireParamActions()
{
    m_editor = new ParamEditor(m_session, m_dialogs, TabSheet1->ListView1, TabSheet5->ListView2, TabSheet1->GEdit,
                               TabSheet1->GComboBox, this);
    onTimer2 = [this] { m_editor->place(); };
    m_sink = std::make_unique<GuiSink>(*this, m_editor);
    m_ops = std::make_unique<ParamOps>(m_session, [this](int n) { selectParamChannel(n); });
    m_deviceActions = new DeviceActions(*this, *m_sink, *m_ops);
    TabSheet1->sink = m_sink.get();

    connect(TabSheet1->btRead, &QPushButton::clicked, this, &TForm1::btReadClick);
    connect(TabSheet1->btWrite, &QPushButton::clicked, this, &TForm1::btWriteClick);
    connect(TabSheet5->Button16, &QPushButton::clicked, this, &TForm1::Button16Click);
    connect(TabSheet5->Button17, &QPushButton::clicked, this, &TForm1::btWriteClick);
    connect(N4, &QAction::triggered, this, &TForm1::N4Click);
    connect(NFast, &QAction::toggled, this, &TForm1::NFastClick);
    connect(CheckBox4, &QCheckBox::toggled, this, [this](bool on) { TabSheet1->Panel12->setVisible(on); });
    connect(TabSheet1->CheckBox1, &QCheckBox::clicked, this, &TForm1::CheckBox1Click);
    connect(TabSheet5->CheckBox7, &QCheckBox::clicked, this, &TForm1::CheckBox1Click);
}

void TForm1::CheckBox1Click()
{
    // Both "显示数据" boxes follow the main page's box, as the log panel is one.
    const bool show = TabSheet1->CheckBox1->isChecked();
    panel3->setVisible(show);
    CheckBox4->move(CheckBox4->x(), show ? 472 : 588);
}

void TForm1::btReadClick()
{
    m_ops->btReadClick(*m_sink);
}

void TForm1::Button16Click()
{
    m_ops->Button16Click(*m_sink);
}

void TForm1::btWriteClick()
{
    m_ops->btWriteClick(*m_sink);
}

void TForm1::N4Click()
{
    m_ops->N4Click(*m_sink);
}

void TForm1::NFastClick(bool checked)
{
    m_session.state.FastReplies = checked;
    ProfileSession &profile = m_session.profile;
    if (!profile.isLoaded())
        return;
    profile.SetTopLevelText(QStringLiteral("FastReplies"), checked ? QStringLiteral("1") : QStringLiteral("0"));
    QString error;
    if (!profile.WriteBackProfile(&error))
        log(QStringLiteral("[参数文件回写失败：%1]").arg(error));
}

void TForm1::ba1Click()
{
    ProfileSession &profile = m_session.profile;
    if (!profile.isLoaded()) {
        m_dialogs.error(this, QStringLiteral("尚未调入参数文件"));
        return;
    }
    // The table's values reach the profile tree even when the save is cancelled.
    profile.StoreTableValues();
    const QString path = m_dialogs.saveFile(this, QStringLiteral("保存参数文件"),
                                            QStringLiteral("*.txt"),
                                            QStringLiteral("参数文件 (*.txt);;所有文件 (*)"), QStringLiteral("txt"));
    if (path.isEmpty())
        return;
    QString error;
    if (!profile.SaveProfileAs(path, &error))
        m_dialogs.error(this, QStringLiteral("参数文件保存失败：%1\n%2").arg(path, error));
}

void TForm1::attachToolWindows(QWidget &commands, TfrmFileTest &fileTest)
{
    commandWindow = &commands;
    fileTestWindow = &fileTest;
    fileTest.packetSent = [this](const QByteArray &packet) {
        TabSheet2->conversation().appendLine(SentLine(packet, TabSheet2->hexMode()));
    };
}
