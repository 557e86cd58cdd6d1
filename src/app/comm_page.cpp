#include "app/comm_page.h"

#include "widgets/key_swallower.h"
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
#include <QCoreApplication>

namespace {
struct CommPageTexts {
    Q_DECLARE_TR_FUNCTIONS(CommPageTexts)
};
} // namespace

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

    connect(m_openPortButton, &QPushButton::clicked, this, &CommPage::openPort);
    connect(m_closePortButton, &QPushButton::clicked, this, &CommPage::closePort);
    // Only a user's pick re-opens the port; a profile load changes the texts without it.
    connect(m_baudCombo, &QComboBox::activated, this, &CommPage::onBaudChosen);
    connect(m_formatCombo, &QComboBox::activated, this, &CommPage::onFormatChosen);
    connect(m_connectButton, &QPushButton::clicked, this, &CommPage::connectTcp);
    connect(m_disconnectButton, &QPushButton::clicked, this, &CommPage::disconnectTcp);
    connect(m_queryReadButton, &QPushButton::clicked, this, &CommPage::readTimedQuery);
    connect(m_queryWriteButton, &QPushButton::clicked, this, &CommPage::applyTimedQuery);
    connect(m_queryHexCheck, &QCheckBox::clicked, this, &CommPage::toggleQueryHexMode);
    m_queryCommandEdit->installEventFilter(this);
    m_queryPeriodEdit->installEventFilter(this);
    // Pasted text is held to the same length limit as typed text.
    connect(m_queryCommandEdit, &QPlainTextEdit::textChanged, this, [this] {
        const int limit = m_queryHexCheck->isChecked() ? 500 : 250;
        const QString text = m_queryCommandEdit->toPlainText();
        if (text.size() > limit)
            m_queryCommandEdit->setPlainText(text.left(limit));
    });

    TcpChannel &tcp = m_session.link.tcp();
    connect(&tcp, &TcpChannel::connecting, this, [this] { m_tcpStatusLabel->setText(CommPageTexts::tr("TCP维护端口连接中...")); });
    connect(&tcp, &TcpChannel::connected, this, [this] { m_tcpStatusLabel->setText(CommPageTexts::tr("TCP维护端口连接成功")); });
    // Also a connection that could not be made: the status must not stay at "连接中...".
    connect(&tcp, &TcpChannel::disconnected, this,
            [this] { m_tcpStatusLabel->setText(CommPageTexts::tr("TCP维护端口连接失败")); });

    nameControls();
}

void CommPage::buildLayout()
{
    auto *top = new QVBoxLayout(this);
    top->setContentsMargins(4, 4, 4, 4);

    m_paramView = new ParamView(m_session.mainTable, this);
    top->addWidget(m_paramView, 1);
    // The in-place editors live over the value cell of the active table.
    m_valueEdit = new QLineEdit(m_paramView->viewport());
    m_valueEdit->setMaxLength(60);
    m_valueEdit->hide();
    m_valueCombo = new QComboBox(m_paramView->viewport());
    m_valueCombo->hide();

    auto *bottom = new QHBoxLayout;
    top->addLayout(bottom);

    m_serialGroup = new QGroupBox(CommPageTexts::tr("串口设置"), this);
    auto *serialForm = new QFormLayout(m_serialGroup);
    m_portEdit = new QLineEdit(QStringLiteral("COM1"), m_serialGroup);
    // Any device path is accepted (pseudo-terminals are never listed); the list only helps.
    auto *completer = new QCompleter(new QStringListModel(serialPortNames(), m_portEdit), m_portEdit);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    m_portEdit->setCompleter(completer);
    m_baudCombo = new QComboBox(m_serialGroup);
    m_baudCombo->addItems({QStringLiteral("300"), QStringLiteral("600"), QStringLiteral("1200"), QStringLiteral("2400"),
                         QStringLiteral("4800"), QStringLiteral("9600"), QStringLiteral("14400"),
                         QStringLiteral("19200"), QStringLiteral("28800"), QStringLiteral("38400"),
                         QStringLiteral("57600"), QStringLiteral("115200"), QStringLiteral("230400"),
                         QStringLiteral("460800"), QStringLiteral("921600")});
    m_baudCombo->setCurrentText(QStringLiteral("57600"));
    m_formatCombo = new QComboBox(m_serialGroup);
    m_formatCombo->addItems({QStringLiteral("8N1"), QStringLiteral("8E1"), QStringLiteral("8O1"), QStringLiteral("7N1"),
                         QStringLiteral("7E1"), QStringLiteral("7O1"), QStringLiteral("8N2"), QStringLiteral("8E2"),
                         QStringLiteral("8O2"), QStringLiteral("7N2"), QStringLiteral("7E2"),
                         QStringLiteral("7O2")});
    m_formatCombo->setCurrentIndex(0);
    KeySwallower::install(m_baudCombo);
    KeySwallower::install(m_formatCombo);
    m_openPortButton = new QPushButton(CommPageTexts::tr("打开串口"), m_serialGroup);
    serialForm->addRow(CommPageTexts::tr("串口"), m_portEdit);
    serialForm->addRow(CommPageTexts::tr("波特率"), m_baudCombo);
    serialForm->addRow(CommPageTexts::tr("格式"), m_formatCombo);
    serialForm->addRow(m_openPortButton);
    m_closePortButton = new QPushButton(QCoreApplication::translate("CommPageTexts", "关闭串口"), m_serialGroup);
    serialForm->addRow(m_closePortButton);
    bottom->addWidget(m_serialGroup);

    m_tcpGroup = new QGroupBox(CommPageTexts::tr("TCP连接设置"), this);
    auto *tcpLayout = new QVBoxLayout(m_tcpGroup);
    auto *addrRow = new QHBoxLayout;
    m_deviceIpLabel = new QLabel(CommPageTexts::tr("设备IP   "), m_tcpGroup);
    m_deviceIpEdit = new QLineEdit(QStringLiteral("192.168.1.56"), m_tcpGroup);
    addrRow->addWidget(m_deviceIpLabel);
    addrRow->addWidget(m_deviceIpEdit);
    tcpLayout->addLayout(addrRow);
    auto *tcpButtons = new QHBoxLayout;
    m_connectButton = new QPushButton(CommPageTexts::tr("连接"), m_tcpGroup);
    m_disconnectButton = new QPushButton(CommPageTexts::tr("断开"), m_tcpGroup);
    tcpButtons->addWidget(m_connectButton);
    tcpButtons->addWidget(m_disconnectButton);
    tcpLayout->addLayout(tcpButtons);
    m_tcpStatusLabel = new QLabel(QString(), m_tcpGroup);
    tcpLayout->addWidget(m_tcpStatusLabel);
    m_tcpGroup->setVisible(false);
    bottom->addWidget(m_tcpGroup);

    bottom->addStretch(1);
    auto *ops = new QVBoxLayout;
    m_readButton = new QPushButton(CommPageTexts::tr("读取"), this);
    m_readButton->setToolTip(CommPageTexts::tr("读取全部参数"));
    m_writeButton = new QPushButton(CommPageTexts::tr("设置"), this);
    m_writeButton->setToolTip(CommPageTexts::tr("设置当前选中参数"));
    m_showDataCheck = new QCheckBox(CommPageTexts::tr("显示数据"), this);
    m_showDataCheck->setChecked(true);
    m_showDataCheck->setVisible(false);
    m_ioConfigButton = new QPushButton(CommPageTexts::tr("图形化I/O配置"), this);
    m_ioConfigButton->setVisible(false);
    ops->addWidget(m_readButton);
    ops->addWidget(m_writeButton);
    ops->addWidget(m_showDataCheck);
    ops->addWidget(m_ioConfigButton);
    ops->addStretch(1);
    bottom->addLayout(ops);

    buildTimedQueryPanel();
    top->addWidget(m_timedQueryPanel);

    m_profilePathBox = new QPlainTextEdit(this);
    m_profilePathBox->setVisible(false);
    top->addWidget(m_profilePathBox);
}

void CommPage::buildTimedQueryPanel()
{
    m_timedQueryPanel = new QFrame(this);
    m_timedQueryPanel->setFrameShape(QFrame::StyledPanel);
    auto *layout = new QVBoxLayout(m_timedQueryPanel);
    layout->addWidget(new QLabel(CommPageTexts::tr("定时查询参数设置区"), m_timedQueryPanel));

    m_timedQueryStrip = new QFrame(m_timedQueryPanel);
    auto *strip = new QHBoxLayout(m_timedQueryStrip);
    m_queryReadButton = new QPushButton(CommPageTexts::tr("读取"), m_timedQueryStrip);
    m_queryWriteButton = new QPushButton(CommPageTexts::tr("设置"), m_timedQueryStrip);
    m_autoQueryCheck = new QCheckBox(CommPageTexts::tr("启用定时查询"), m_timedQueryStrip);
    strip->addWidget(m_queryReadButton);
    strip->addWidget(m_queryWriteButton);
    strip->addWidget(m_autoQueryCheck);
    layout->addWidget(m_timedQueryStrip);

    auto *periodRow = new QHBoxLayout;
    periodRow->addWidget(new QLabel(CommPageTexts::tr("查询周期(秒)"), m_timedQueryPanel));
    m_queryPeriodEdit = new QLineEdit(QStringLiteral("300"), m_timedQueryPanel);
    m_queryPeriodEdit->setMaxLength(4);
    periodRow->addWidget(m_queryPeriodEdit);
    m_queryHexCheck = new QCheckBox(CommPageTexts::tr("HEX模式     "), m_timedQueryPanel);
    periodRow->addWidget(m_queryHexCheck);
    layout->addLayout(periodRow);

    m_queryCommandGroup = new QGroupBox(CommPageTexts::tr("查询命令输入窗口"), m_timedQueryPanel);
    auto *cmdLayout = new QVBoxLayout(m_queryCommandGroup);
    m_queryCommandEdit = new QPlainTextEdit(m_queryCommandGroup);
    cmdLayout->addWidget(m_queryCommandEdit);
    layout->addWidget(m_queryCommandGroup);

    m_queryInfoGroup = new QGroupBox(CommPageTexts::tr("设置信息显示窗口"), m_timedQueryPanel);
    auto *infoLayout = new QVBoxLayout(m_queryInfoGroup);
    m_queryInfoBox = new QPlainTextEdit(m_queryInfoGroup);
    infoLayout->addWidget(m_queryInfoBox);
    layout->addWidget(m_queryInfoGroup);

    m_timedQueryPanel->setVisible(false);
}

void CommPage::openPort()
{
    AppState &st = m_session.state;
    st.ParamChannel = st.ExtTabVisible ? -1 : st.MainParamChannel;

    // Opening a port (this one again, or another) ends any attempt to bring the last one back.
    SerialReconnector &port = m_session.serialReconnect;
    port.closeByUser();

    const QString name = m_portEdit->text();
    const QString baudText = m_baudCombo->currentText();
    const QString formatText = m_formatCombo->currentText();
    m_settings.portName = name;
    m_settings.baudRate = BaudFromText(baudText);
    const bool opened = ApplyFormatText(formatText, m_settings) && port.openByUser(m_settings);
    if (!opened) {
        emit serialStatusText(CommPageTexts::tr("%1打开失败").arg(name));
        return;
    }
    emit serialStatusText(CommPageTexts::tr("%1打开成功,BaudRate=%2,参数=%3").arg(name, baudText, formatText));
    m_session.engine.setLineRate(m_settings.baudRate / 10);

    ProfileSession &profile = m_session.profile;
    if (!profile.isLoaded())
        return;
    profile.SetTopLevelText(QStringLiteral("Comport"), name);
    profile.SetTopLevelText(QStringLiteral("Baudrate"), baudText);
    profile.SetTopLevelText(QStringLiteral("ComOption"), formatText);
    QString error;
    if (!profile.WriteBackProfile(&error))
        st.log(CommPageTexts::tr("[参数文件回写失败：%1]").arg(error));
}

void CommPage::closePort()
{
    const bool wasOpen = m_session.link.serial().isOpen() || m_session.serialReconnect.isWaiting();
    m_session.serialReconnect.closeByUser();
    if (wasOpen)
        emit serialStatusText(CommPageTexts::tr("串口未打开"));
}

void CommPage::connectTcp()
{
    if (m_session.link.tcp().isActive())
        return;
    m_session.tcpReconnect.connectByUser(m_deviceIpEdit->text().trimmed());
}

void CommPage::disconnectTcp()
{
    // Also while waiting for the next attempt, when the link is not active; the attempt texts
    // then mean nothing any more.
    const bool reconnecting = m_session.tcpReconnect.isReconnecting();
    m_session.tcpReconnect.disconnectByUser();
    if (reconnecting)
        m_tcpStatusLabel->clear();
}

void CommPage::readTimedQuery()
{
    if (sink)
        ReadTimedQueryParams(m_session, *sink);
}

void CommPage::applyTimedQuery()
{
    const TimedQueryInput in{m_autoQueryCheck->isChecked(), m_queryPeriodEdit->text(), m_queryCommandEdit->toPlainText(), m_queryHexCheck->isChecked()};
    const TimedQuerySettings out = CheckTimedQuery(in);
    if (!out.ok) {
        for (const QString &line : out.lines)
            m_queryInfoBox->appendPlainText(line);
        return;
    }
    m_timedQueryStrip->setEnabled(false);
    for (const QString &line : out.lines)
        m_queryInfoBox->appendPlainText(line);
    // No command word exists to send the record: it is shown so it can be checked by hand.
    m_queryInfoBox->appendPlainText(HexDump(out.record));
    m_timedQueryStrip->setEnabled(true);
}

void CommPage::toggleQueryHexMode()
{
    const bool hex = m_queryHexCheck->isChecked();
    m_queryCommandGroup->setTitle(hex ? CommPageTexts::tr("查询命令输入窗口[HEX模式]") : CommPageTexts::tr("查询命令输入窗口"));
    m_queryCommandEdit->clear();
}

bool CommPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || (watched != m_queryCommandEdit && watched != m_queryPeriodEdit))
        return QWidget::eventFilter(watched, event);
    const auto *ke = static_cast<QKeyEvent *>(event);
    if (ke->key() == Qt::Key_Backspace)
        return false;
    const QString text = ke->text();
    if (text.isEmpty())
        return false;   // arrows and other keys without a character
    const bool digitsOnly = watched == m_queryPeriodEdit;
    if (watched == m_queryCommandEdit && !m_queryHexCheck->isChecked()) {
        // Text mode: every key, but no more than the limit.
        return m_queryCommandEdit->toPlainText().size() >= 250 && !m_queryCommandEdit->textCursor().hasSelection();
    }
    for (const QChar ch : text) {
        const ushort c = ch.unicode();
        const bool digit = c >= '0' && c <= '9';
        const bool hexLetter = (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        if (!(digit || (!digitsOnly && hexLetter)))
            return true;
    }
    if (watched == m_queryCommandEdit && m_queryCommandEdit->toPlainText().size() >= 500 && !m_queryCommandEdit->textCursor().hasSelection())
        return true;
    return false;
}

// The form names: tests, accessibility tools and scripts find the controls by them.
void CommPage::nameControls()
{
    m_paramView->setObjectName(QStringLiteral("ListView1"));
    m_valueEdit->setObjectName(QStringLiteral("GEdit"));
    m_valueCombo->setObjectName(QStringLiteral("GComboBox"));
    m_serialGroup->setObjectName(QStringLiteral("GroupBox2"));
    m_portEdit->setObjectName(QStringLiteral("Edit1"));
    m_baudCombo->setObjectName(QStringLiteral("ComboBox1"));
    m_formatCombo->setObjectName(QStringLiteral("ComboBox6"));
    m_openPortButton->setObjectName(QStringLiteral("Button3"));
    m_closePortButton->setObjectName(QStringLiteral("ButtonClosePort"));
    m_tcpGroup->setObjectName(QStringLiteral("GroupBox16"));
    m_deviceIpLabel->setObjectName(QStringLiteral("Label9"));
    m_deviceIpEdit->setObjectName(QStringLiteral("Edit8"));
    m_connectButton->setObjectName(QStringLiteral("Button15"));
    m_disconnectButton->setObjectName(QStringLiteral("Button18"));
    m_tcpStatusLabel->setObjectName(QStringLiteral("Label10"));
    m_readButton->setObjectName(QStringLiteral("btRead"));
    m_writeButton->setObjectName(QStringLiteral("btWrite"));
    m_showDataCheck->setObjectName(QStringLiteral("CheckBox1"));
    m_ioConfigButton->setObjectName(QStringLiteral("BitBtn1"));
    m_profilePathBox->setObjectName(QStringLiteral("filename"));
    m_timedQueryPanel->setObjectName(QStringLiteral("Panel12"));
    m_timedQueryStrip->setObjectName(QStringLiteral("Panel13"));
    m_queryReadButton->setObjectName(QStringLiteral("Button4"));
    m_queryWriteButton->setObjectName(QStringLiteral("Button5"));
    m_autoQueryCheck->setObjectName(QStringLiteral("cbAutoQuery"));
    m_queryPeriodEdit->setObjectName(QStringLiteral("Edit6"));
    m_queryHexCheck->setObjectName(QStringLiteral("CheckBox5"));
    m_queryCommandGroup->setObjectName(QStringLiteral("GroupBox12"));
    m_queryCommandEdit->setObjectName(QStringLiteral("Memo9"));
    m_queryInfoGroup->setObjectName(QStringLiteral("GroupBox13"));
    m_queryInfoBox->setObjectName(QStringLiteral("Memo10"));
}
