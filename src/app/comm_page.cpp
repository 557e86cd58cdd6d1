#include "app/comm_page.h"

#include "widgets/key_swallower.h"
#include "widgets/named.h"
#include "link/serial_channel.h"
#include "link/tcp_channel.h"
#include "params/timed_query.h"
#include "params/ui/param_view.h"
#include "text/hex.h"
#include "session/core_session.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QFormLayout>
#include <QKeyEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QStringListModel>
#include <QVBoxLayout>

namespace {
QStringList serialPortNames()
{
    QStringList names;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &p : ports)
        names.append(p.systemLocation().isEmpty() ? p.portName() : p.systemLocation());
    return names;
}
} // namespace

CommPage::CommPage(CoreSession &session, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_session(session), m_dialogs(dialogs)
{
    buildLayout();

    connect(Button3, &QPushButton::clicked, this, &CommPage::Button3Click);
    // Only a user's pick re-opens the port; a profile load changes the texts without it.
    connect(ComboBox1, &QComboBox::activated, this, &CommPage::ComboBox1Change);
    connect(ComboBox6, &QComboBox::activated, this, &CommPage::ComboBox6Change);
    connect(Button15, &QPushButton::clicked, this, &CommPage::Button15Click);
    connect(Button18, &QPushButton::clicked, this, &CommPage::Button18Click);
    connect(Button4, &QPushButton::clicked, this, &CommPage::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &CommPage::Button5Click);
    connect(CheckBox5, &QCheckBox::clicked, this, &CommPage::CheckBox5Click);
    Memo9->installEventFilter(this);
    Edit6->installEventFilter(this);
    // Pasted text is held to the same length limit as typed text.
    connect(Memo9, &QPlainTextEdit::textChanged, this, [this] {
        const int limit = CheckBox5->isChecked() ? 500 : 250;
        const QString text = Memo9->toPlainText();
        if (text.size() > limit)
            Memo9->setPlainText(text.left(limit));
    });

    TcpChannel &tcp = m_session.link.tcp();
    connect(&tcp, &TcpChannel::connecting, this, [this] { Label10->setText(QStringLiteral("TCP维护端口连接中...")); });
    connect(&tcp, &TcpChannel::connected, this, [this] { Label10->setText(QStringLiteral("TCP维护端口连接成功")); });
    // Also a connection that could not be made: the status must not stay at "连接中...".
    connect(&tcp, &TcpChannel::disconnected, this,
            [this] { Label10->setText(QStringLiteral("TCP维护端口连接失败")); });

    connect(&m_session.poll, &ReceivePoll::serialLost, this, &CommPage::onSerialLost);
}

void CommPage::buildLayout()
{
    auto *top = new QVBoxLayout(this);
    top->setContentsMargins(4, 4, 4, 4);

    ListView1 = named<ParamView>("ListView1", m_session.mainTable, this);
    top->addWidget(ListView1, 1);
    // The in-place editors live over the value cell of the active table.
    GEdit = named<QLineEdit>("GEdit", ListView1->viewport());
    GEdit->setMaxLength(60);
    GEdit->hide();
    GComboBox = named<QComboBox>("GComboBox", ListView1->viewport());
    GComboBox->hide();

    auto *bottom = new QHBoxLayout;
    top->addLayout(bottom);

    GroupBox2 = named<QGroupBox>("GroupBox2", QStringLiteral("串口设置"), this);
    auto *serialForm = new QFormLayout(GroupBox2);
    Edit1 = named<QLineEdit>("Edit1", QStringLiteral("COM1"), GroupBox2);
    // Any device path is accepted (pseudo-terminals are never listed); the list only helps.
    auto *completer = new QCompleter(new QStringListModel(serialPortNames(), Edit1), Edit1);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    Edit1->setCompleter(completer);
    ComboBox1 = named<QComboBox>("ComboBox1", GroupBox2);
    ComboBox1->addItems({QStringLiteral("300"), QStringLiteral("600"), QStringLiteral("1200"), QStringLiteral("2400"),
                         QStringLiteral("4800"), QStringLiteral("9600"), QStringLiteral("14400"),
                         QStringLiteral("19200"), QStringLiteral("28800"), QStringLiteral("38400"),
                         QStringLiteral("57600"), QStringLiteral("115200"), QStringLiteral("230400"),
                         QStringLiteral("460800"), QStringLiteral("921600")});
    ComboBox1->setCurrentText(QStringLiteral("57600"));
    ComboBox6 = named<QComboBox>("ComboBox6", GroupBox2);
    ComboBox6->addItems({QStringLiteral("8N1"), QStringLiteral("8E1"), QStringLiteral("8O1"), QStringLiteral("7N1"),
                         QStringLiteral("7E1"), QStringLiteral("7O1"), QStringLiteral("8N2"), QStringLiteral("8E2"),
                         QStringLiteral("8O2"), QStringLiteral("7N2"), QStringLiteral("7E2"),
                         QStringLiteral("7O2")});
    ComboBox6->setCurrentIndex(0);
    KeySwallower::install(ComboBox1);
    KeySwallower::install(ComboBox6);
    Button3 = named<QPushButton>("Button3", QStringLiteral("打开串口"), GroupBox2);
    serialForm->addRow(QStringLiteral("串口"), Edit1);
    serialForm->addRow(QStringLiteral("波特率"), ComboBox1);
    serialForm->addRow(QStringLiteral("格式"), ComboBox6);
    serialForm->addRow(Button3);
    bottom->addWidget(GroupBox2);

    GroupBox16 = named<QGroupBox>("GroupBox16", QStringLiteral("TCP连接设置"), this);
    auto *tcpLayout = new QVBoxLayout(GroupBox16);
    auto *addrRow = new QHBoxLayout;
    Label9 = named<QLabel>("Label9", QStringLiteral("设备IP   "), GroupBox16);
    Edit8 = named<QLineEdit>("Edit8", QStringLiteral("192.168.1.56"), GroupBox16);
    addrRow->addWidget(Label9);
    addrRow->addWidget(Edit8);
    tcpLayout->addLayout(addrRow);
    auto *tcpButtons = new QHBoxLayout;
    Button15 = named<QPushButton>("Button15", QStringLiteral("连接"), GroupBox16);
    Button18 = named<QPushButton>("Button18", QStringLiteral("断开"), GroupBox16);
    tcpButtons->addWidget(Button15);
    tcpButtons->addWidget(Button18);
    tcpLayout->addLayout(tcpButtons);
    Label10 = named<QLabel>("Label10", QString(), GroupBox16);
    tcpLayout->addWidget(Label10);
    GroupBox16->setVisible(false);
    bottom->addWidget(GroupBox16);

    bottom->addStretch(1);
    auto *ops = new QVBoxLayout;
    btRead = named<QPushButton>("btRead", QStringLiteral("读取"), this);
    btRead->setToolTip(QStringLiteral("读取全部参数"));
    btWrite = named<QPushButton>("btWrite", QStringLiteral("设置"), this);
    btWrite->setToolTip(QStringLiteral("设置当前选中参数"));
    CheckBox1 = named<QCheckBox>("CheckBox1", QStringLiteral("显示数据"), this);
    CheckBox1->setChecked(true);
    CheckBox1->setVisible(false);
    BitBtn1 = named<QPushButton>("BitBtn1", QStringLiteral("图形化I/O配置"), this);
    BitBtn1->setVisible(false);
    ops->addWidget(btRead);
    ops->addWidget(btWrite);
    ops->addWidget(CheckBox1);
    ops->addWidget(BitBtn1);
    ops->addStretch(1);
    bottom->addLayout(ops);

    buildTimedQueryPanel();
    top->addWidget(Panel12);

    filename = named<QPlainTextEdit>("filename", this);
    filename->setVisible(false);
    top->addWidget(filename);
}

void CommPage::buildTimedQueryPanel()
{
    Panel12 = named<QFrame>("Panel12", this);
    Panel12->setFrameShape(QFrame::StyledPanel);
    auto *layout = new QVBoxLayout(Panel12);
    layout->addWidget(new QLabel(QStringLiteral("定时查询参数设置区"), Panel12));

    Panel13 = named<QFrame>("Panel13", Panel12);
    auto *strip = new QHBoxLayout(Panel13);
    Button4 = named<QPushButton>("Button4", QStringLiteral("读取"), Panel13);
    Button5 = named<QPushButton>("Button5", QStringLiteral("设置"), Panel13);
    cbAutoQuery = named<QCheckBox>("cbAutoQuery", QStringLiteral("启用定时查询"), Panel13);
    strip->addWidget(Button4);
    strip->addWidget(Button5);
    strip->addWidget(cbAutoQuery);
    layout->addWidget(Panel13);

    auto *periodRow = new QHBoxLayout;
    periodRow->addWidget(new QLabel(QStringLiteral("查询周期(秒)"), Panel12));
    Edit6 = named<QLineEdit>("Edit6", QStringLiteral("300"), Panel12);
    Edit6->setMaxLength(4);
    periodRow->addWidget(Edit6);
    CheckBox5 = named<QCheckBox>("CheckBox5", QStringLiteral("HEX模式     "), Panel12);
    periodRow->addWidget(CheckBox5);
    layout->addLayout(periodRow);

    GroupBox12 = named<QGroupBox>("GroupBox12", QStringLiteral("查询命令输入窗口"), Panel12);
    auto *cmdLayout = new QVBoxLayout(GroupBox12);
    Memo9 = named<QPlainTextEdit>("Memo9", GroupBox12);
    cmdLayout->addWidget(Memo9);
    layout->addWidget(GroupBox12);

    auto *infoGroup = named<QGroupBox>("GroupBox13", QStringLiteral("设置信息显示窗口"), Panel12);
    auto *infoLayout = new QVBoxLayout(infoGroup);
    Memo10 = named<QPlainTextEdit>("Memo10", infoGroup);
    infoLayout->addWidget(Memo10);
    layout->addWidget(infoGroup);

    Panel12->setVisible(false);
}

void CommPage::Button3Click()
{
    AppState &st = m_session.state;
    st.ParamChannel = st.ExtTabVisible ? -1 : st.MainParamChannel;

    SerialChannel &port = m_session.link.serial();
    if (port.isOpen())
        port.close();

    const QString name = Edit1->text();
    const QString baudText = ComboBox1->currentText();
    const QString formatText = ComboBox6->currentText();
    m_settings.portName = name;
    m_settings.baudRate = BaudFromText(baudText);
    const bool opened = ApplyFormatText(formatText, m_settings) && port.open(m_settings);
    if (!opened) {
        emit serialStatusText(name + QStringLiteral("打开失败"));
        return;
    }
    emit serialStatusText(QStringLiteral("%1打开成功,BaudRate=%2,参数=%3").arg(name, baudText, formatText));
    m_session.engine.setLineRate(m_settings.baudRate / 10);

    ProfileSession &profile = m_session.profile;
    if (!profile.isLoaded())
        return;
    profile.SetTopLevelText(QStringLiteral("Comport"), name);
    profile.SetTopLevelText(QStringLiteral("Baudrate"), baudText);
    profile.SetTopLevelText(QStringLiteral("ComOption"), formatText);
    QString error;
    if (!profile.WriteBackProfile(&error))
        st.log(QStringLiteral("[参数文件回写失败：%1]").arg(error));
}

void CommPage::onSerialLost(const QString &reason)
{
    const QString name = m_settings.portName;
    emit serialStatusText(name + QStringLiteral("已关闭(读取错误)"));
    m_session.state.log(QStringLiteral("[串口%1读取错误，已关闭：%2]").arg(name, reason));
}

void CommPage::Button15Click()
{
    TcpChannel &tcp = m_session.link.tcp();
    if (tcp.isActive())
        return;
    tcp.connectTo(Edit8->text().trimmed());
}

void CommPage::Button18Click()
{
    TcpChannel &tcp = m_session.link.tcp();
    if (tcp.isActive())
        tcp.disconnectFromHost();
}

void CommPage::Button4Click()
{
    if (sink)
        ReadTimedQueryParams(m_session, *sink);
}

void CommPage::Button5Click()
{
    const TimedQueryInput in{cbAutoQuery->isChecked(), Edit6->text(), Memo9->toPlainText(), CheckBox5->isChecked()};
    const TimedQuerySettings out = CheckTimedQuery(in);
    if (!out.ok) {
        for (const QString &line : out.lines)
            Memo10->appendPlainText(line);
        return;
    }
    Panel13->setEnabled(false);
    for (const QString &line : out.lines)
        Memo10->appendPlainText(line);
    // No command word exists to send the record: it is shown so it can be checked by hand.
    Memo10->appendPlainText(HexDump(out.record));
    Panel13->setEnabled(true);
}

void CommPage::CheckBox5Click()
{
    const bool hex = CheckBox5->isChecked();
    GroupBox12->setTitle(hex ? QStringLiteral("查询命令输入窗口[HEX模式]") : QStringLiteral("查询命令输入窗口"));
    Memo9->clear();
}

bool CommPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || (watched != Memo9 && watched != Edit6))
        return QWidget::eventFilter(watched, event);
    const auto *ke = static_cast<QKeyEvent *>(event);
    if (ke->key() == Qt::Key_Backspace)
        return false;
    const QString text = ke->text();
    if (text.isEmpty())
        return false;   // arrows and other keys without a character
    const bool digitsOnly = watched == Edit6;
    if (watched == Memo9 && !CheckBox5->isChecked()) {
        // Text mode: every key, but no more than the limit.
        return Memo9->toPlainText().size() >= 250 && !Memo9->textCursor().hasSelection();
    }
    for (const QChar ch : text) {
        const ushort c = ch.unicode();
        const bool digit = c >= '0' && c <= '9';
        const bool hexLetter = (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        if (!(digit || (!digitsOnly && hexLetter)))
            return true;
    }
    if (watched == Memo9 && Memo9->toPlainText().size() >= 500 && !Memo9->textCursor().hasSelection())
        return true;
    return false;
}
