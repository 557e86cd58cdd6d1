#include "tools/control_page.h"

#include "widgets/conversation_view.h"

#include "widgets/key_swallower.h"
#include "session/core_session.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStatusBar>
#include <QVBoxLayout>
#include <QCoreApplication>

namespace {
struct ControlPageTexts {
    Q_DECLARE_TR_FUNCTIONS(ControlPageTexts)
};
} // namespace

namespace {
QStringList repeatCounts()
{
    return {QStringLiteral("1"), QStringLiteral("10"), QStringLiteral("50"), QStringLiteral("100"),
            QStringLiteral("1000"), QStringLiteral("10000")};
}
} // namespace

ControlPage::ControlPage(CoreSession &session, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_session(session), m_dialogs(dialogs)
{
    auto *top = new QVBoxLayout(this);
    top->setContentsMargins(4, 4, 4, 4);
    buildSocketGroup();
    top->addWidget(m_socketGroup);
    buildStatusGroup();
    top->addWidget(m_stateGroup);

    auto *talk = new QGroupBox(ControlPageTexts::tr("对话显示窗口"), this);
    auto *talkLayout = new QVBoxLayout(talk);
    m_stateLog = new ConversationView(talk);
    talkLayout->addWidget(m_stateLog);
    top->addWidget(talk, 1);

    buildDataPanel();
    top->addWidget(m_dataPanel);
    connectHandlers();
    nameControls();
}

void ControlPage::buildStatusGroup()
{
    m_stateGroup = new QGroupBox(ControlPageTexts::tr("DTU状态访问"), this);
    auto *grid = new QGridLayout(m_stateGroup);
    m_readStateButton = new QPushButton(ControlPageTexts::tr("读DTU状态"), m_stateGroup);
    m_setStateButton = new QPushButton(ControlPageTexts::tr("设置DTU状态"), m_stateGroup);
    m_setStateButton->setVisible(false);
    m_stateCombo = new QComboBox(m_stateGroup);
    m_stateCombo->addItems({ControlPageTexts::tr("00-睡眠状态"), ControlPageTexts::tr("02-待机状态"), ControlPageTexts::tr("05-GPRS状态")});
    m_stateCombo->setCurrentIndex(-1);
    KeySwallower::install(m_stateCombo);
    m_stateCombo->setVisible(false);
    m_signalButton = new QPushButton(ControlPageTexts::tr("读取信号强度"), m_stateGroup);
    m_versionButton = new QPushButton(ControlPageTexts::tr("查询DTU版本号"), m_stateGroup);
    m_readClockButton = new QPushButton(ControlPageTexts::tr("读取设备时钟"), m_stateGroup);
    m_setClockButton = new QPushButton(ControlPageTexts::tr("设置设备时钟"), m_stateGroup);
    grid->addWidget(m_readStateButton, 0, 0);
    grid->addWidget(m_signalButton, 0, 1);
    grid->addWidget(m_versionButton, 0, 2);
    grid->addWidget(m_readClockButton, 1, 0);
    grid->addWidget(m_setClockButton, 1, 1);
    grid->addWidget(m_setStateButton, 1, 2);
    grid->addWidget(m_stateCombo, 1, 3);
}

void ControlPage::buildSocketGroup()
{
    m_socketGroup = new QGroupBox(ControlPageTexts::tr("SOCKET操作"), this);
    m_socketGroup->setAutoFillBackground(true);
    QPalette p = m_socketGroup->palette();
    p.setColor(QPalette::Window, QColor(0xA6, 0xCA, 0xF0));  // sky blue
    m_socketGroup->setPalette(p);
    auto *grid = new QGridLayout(m_socketGroup);
    auto *portValidator = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,5}")), m_socketGroup);
    m_localPortEdit = new QLineEdit(QStringLiteral("65000"), m_socketGroup);
    m_localPortEdit->setValidator(portValidator);
    m_remotePortEdit = new QLineEdit(QStringLiteral("65000"), m_socketGroup);
    m_remotePortEdit->setValidator(portValidator);
    m_protocolCombo = new QComboBox(m_socketGroup);
    m_protocolCombo->addItems({QStringLiteral("UDP"), QStringLiteral("TCP")});
    m_protocolCombo->setCurrentIndex(0);
    m_remoteIpEdit = new QLineEdit(QStringLiteral("127.0.0.1"), m_socketGroup);
    m_createSocketButton = new QPushButton(ControlPageTexts::tr("创建SOCKET"), m_socketGroup);
    m_connectSocketButton = new QPushButton(ControlPageTexts::tr("建立TCP连接"), m_socketGroup);
    m_disconnectSocketButton = new QPushButton(ControlPageTexts::tr("断开TCP连接"), m_socketGroup);
    m_closeSocketButton = new QPushButton(ControlPageTexts::tr("关闭SOCKET"), m_socketGroup);
    grid->addWidget(new QLabel(ControlPageTexts::tr("本地端口 "), m_socketGroup), 0, 0);
    grid->addWidget(m_localPortEdit, 0, 1);
    grid->addWidget(new QLabel(ControlPageTexts::tr("远端端口 "), m_socketGroup), 0, 2);
    grid->addWidget(m_remotePortEdit, 0, 3);
    grid->addWidget(m_protocolCombo, 0, 4);
    grid->addWidget(new QLabel(ControlPageTexts::tr("对方IP "), m_socketGroup), 1, 0);
    grid->addWidget(m_remoteIpEdit, 1, 1);
    grid->addWidget(m_createSocketButton, 2, 0);
    grid->addWidget(m_connectSocketButton, 2, 1);
    grid->addWidget(m_disconnectSocketButton, 2, 2);
    grid->addWidget(m_closeSocketButton, 2, 3);
    m_socketGroup->setVisible(false);
}

void ControlPage::buildDataPanel()
{
    m_dataPanel = new QFrame(this);
    auto *panelLayout = new QVBoxLayout(m_dataPanel);
    m_dataGroup = new QGroupBox(ControlPageTexts::tr("DTU数据收发"), m_dataPanel);
    auto *layout = new QVBoxLayout(m_dataGroup);
    m_socketPayloadEdit = new QPlainTextEdit(m_dataGroup);
    layout->addWidget(m_socketPayloadEdit);
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(ControlPageTexts::tr("重复发送次数       "), m_dataGroup));
    m_socketRepeatCombo = new QComboBox(m_dataGroup);
    m_socketRepeatCombo->addItems(repeatCounts());
    m_socketRepeatCombo->setCurrentIndex(0);
    KeySwallower::install(m_socketRepeatCombo);
    row->addWidget(m_socketRepeatCombo);
    m_socketSendButton = new QPushButton(ControlPageTexts::tr("发送数据"), m_dataGroup);
    m_socketReceiveButton = new QPushButton(ControlPageTexts::tr("接收数据"), m_dataGroup);
    m_socketHexCheck = new QCheckBox(ControlPageTexts::tr(" 显示十六进制值     "), m_dataGroup);
    m_socketHexCharEdit = new QLineEdit(m_dataGroup);
    m_socketHexCharEdit->setMaxLength(2);
    m_socketHexCharEdit->setVisible(false);
    m_addSocketHexCharButton = new QPushButton(ControlPageTexts::tr("添加HEX字符"), m_dataGroup);
    m_addSocketHexCharButton->setVisible(false);
    m_socketClearCountersButton = new QPushButton(ControlPageTexts::tr("统计清零"), m_dataGroup);
    row->addWidget(m_socketSendButton);
    row->addWidget(m_socketReceiveButton);
    row->addWidget(m_socketHexCheck);
    row->addWidget(m_socketHexCharEdit);
    row->addWidget(m_addSocketHexCharButton);
    row->addWidget(m_socketClearCountersButton);
    layout->addLayout(row);
    m_socketLog = new QPlainTextEdit(m_dataGroup);
    m_socketLog->setReadOnly(true);
    m_socketLog->setVisible(false);
    layout->addWidget(m_socketLog);
    m_socketStatusBar = new QStatusBar(m_dataGroup);
    m_socketStatusBar->setSizeGripEnabled(false);
    layout->addWidget(m_socketStatusBar);
    panelLayout->addWidget(m_dataGroup);
    m_dataPanel->setVisible(false);
}

// The form names: tests, accessibility tools and scripts find the controls by them.
void ControlPage::nameControls()
{
    m_stateLog->setObjectName(QStringLiteral("Memo4"));
    m_stateGroup->setObjectName(QStringLiteral("GroupBox5"));
    m_readStateButton->setObjectName(QStringLiteral("Button9"));
    m_setStateButton->setObjectName(QStringLiteral("Button10"));
    m_stateCombo->setObjectName(QStringLiteral("ComboBox3"));
    m_signalButton->setObjectName(QStringLiteral("Button6"));
    m_versionButton->setObjectName(QStringLiteral("Button14"));
    m_readClockButton->setObjectName(QStringLiteral("Button19"));
    m_setClockButton->setObjectName(QStringLiteral("Button20"));
    m_socketGroup->setObjectName(QStringLiteral("GroupBox4"));
    m_localPortEdit->setObjectName(QStringLiteral("MaskEdit1"));
    m_remotePortEdit->setObjectName(QStringLiteral("MaskEdit2"));
    m_protocolCombo->setObjectName(QStringLiteral("ComboBox5"));
    m_remoteIpEdit->setObjectName(QStringLiteral("Edit2"));
    m_createSocketButton->setObjectName(QStringLiteral("suiButton3"));
    m_connectSocketButton->setObjectName(QStringLiteral("suiButton4"));
    m_disconnectSocketButton->setObjectName(QStringLiteral("suiButton7"));
    m_closeSocketButton->setObjectName(QStringLiteral("suiButton8"));
    m_dataPanel->setObjectName(QStringLiteral("Panel8"));
    m_dataGroup->setObjectName(QStringLiteral("GroupBox6"));
    m_socketPayloadEdit->setObjectName(QStringLiteral("Memo5"));
    m_socketRepeatCombo->setObjectName(QStringLiteral("ComboBox4"));
    m_socketSendButton->setObjectName(QStringLiteral("Button11"));
    m_socketReceiveButton->setObjectName(QStringLiteral("Button13"));
    m_socketHexCheck->setObjectName(QStringLiteral("CheckBox3"));
    m_socketHexCharEdit->setObjectName(QStringLiteral("Edit4"));
    m_addSocketHexCharButton->setObjectName(QStringLiteral("Button2"));
    m_socketClearCountersButton->setObjectName(QStringLiteral("Button12"));
    m_socketLog->setObjectName(QStringLiteral("Memo7"));
    m_socketStatusBar->setObjectName(QStringLiteral("StatusBar3"));
}
