#include "tools/control_page.h"

#include "widgets/key_swallower.h"
#include "widgets/named.h"
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
    top->addWidget(GroupBox4);
    buildStatusGroup();
    top->addWidget(GroupBox5);

    auto *talk = new QGroupBox(QStringLiteral("对话显示窗口"), this);
    auto *talkLayout = new QVBoxLayout(talk);
    Memo4 = named<QPlainTextEdit>("Memo4", talk);
    Memo4->setReadOnly(true);
    Memo4->setMaximumBlockCount(20000);
    talkLayout->addWidget(Memo4);
    top->addWidget(talk, 1);

    buildDataPanel();
    top->addWidget(Panel8);
    connectHandlers();
}

void ControlPage::buildStatusGroup()
{
    GroupBox5 = named<QGroupBox>("GroupBox5", QStringLiteral("DTU状态访问"), this);
    auto *grid = new QGridLayout(GroupBox5);
    Button9 = named<QPushButton>("Button9", QStringLiteral("读DTU状态"), GroupBox5);
    Button10 = named<QPushButton>("Button10", QStringLiteral("设置DTU状态"), GroupBox5);
    Button10->setVisible(false);
    ComboBox3 = named<QComboBox>("ComboBox3", GroupBox5);
    ComboBox3->addItems({QStringLiteral("00-睡眠状态"), QStringLiteral("02-待机状态"), QStringLiteral("05-GPRS状态")});
    ComboBox3->setCurrentIndex(-1);
    KeySwallower::install(ComboBox3);
    ComboBox3->setVisible(false);
    Button6 = named<QPushButton>("Button6", QStringLiteral("读取信号强度"), GroupBox5);
    Button14 = named<QPushButton>("Button14", QStringLiteral("查询DTU版本号"), GroupBox5);
    Button19 = named<QPushButton>("Button19", QStringLiteral("读取设备时钟"), GroupBox5);
    Button20 = named<QPushButton>("Button20", QStringLiteral("设置设备时钟"), GroupBox5);
    grid->addWidget(Button9, 0, 0);
    grid->addWidget(Button6, 0, 1);
    grid->addWidget(Button14, 0, 2);
    grid->addWidget(Button19, 1, 0);
    grid->addWidget(Button20, 1, 1);
    grid->addWidget(Button10, 1, 2);
    grid->addWidget(ComboBox3, 1, 3);
}

void ControlPage::buildSocketGroup()
{
    GroupBox4 = named<QGroupBox>("GroupBox4", QStringLiteral("SOCKET操作"), this);
    GroupBox4->setAutoFillBackground(true);
    QPalette p = GroupBox4->palette();
    p.setColor(QPalette::Window, QColor(0xA6, 0xCA, 0xF0));  // sky blue
    GroupBox4->setPalette(p);
    auto *grid = new QGridLayout(GroupBox4);
    auto *portValidator = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,5}")), GroupBox4);
    MaskEdit1 = named<QLineEdit>("MaskEdit1", QStringLiteral("65000"), GroupBox4);
    MaskEdit1->setValidator(portValidator);
    MaskEdit2 = named<QLineEdit>("MaskEdit2", QStringLiteral("65000"), GroupBox4);
    MaskEdit2->setValidator(portValidator);
    ComboBox5 = named<QComboBox>("ComboBox5", GroupBox4);
    ComboBox5->addItems({QStringLiteral("UDP"), QStringLiteral("TCP")});
    ComboBox5->setCurrentIndex(0);
    Edit2 = named<QLineEdit>("Edit2", QStringLiteral("127.0.0.1"), GroupBox4);
    suiButton3 = named<QPushButton>("suiButton3", QStringLiteral("创建SOCKET"), GroupBox4);
    suiButton4 = named<QPushButton>("suiButton4", QStringLiteral("建立TCP连接"), GroupBox4);
    suiButton7 = named<QPushButton>("suiButton7", QStringLiteral("断开TCP连接"), GroupBox4);
    suiButton8 = named<QPushButton>("suiButton8", QStringLiteral("关闭SOCKET"), GroupBox4);
    grid->addWidget(new QLabel(QStringLiteral("本地端口 "), GroupBox4), 0, 0);
    grid->addWidget(MaskEdit1, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("远端端口 "), GroupBox4), 0, 2);
    grid->addWidget(MaskEdit2, 0, 3);
    grid->addWidget(ComboBox5, 0, 4);
    grid->addWidget(new QLabel(QStringLiteral("对方IP "), GroupBox4), 1, 0);
    grid->addWidget(Edit2, 1, 1);
    grid->addWidget(suiButton3, 2, 0);
    grid->addWidget(suiButton4, 2, 1);
    grid->addWidget(suiButton7, 2, 2);
    grid->addWidget(suiButton8, 2, 3);
    GroupBox4->setVisible(false);
}

void ControlPage::buildDataPanel()
{
    Panel8 = named<QFrame>("Panel8", this);
    auto *panelLayout = new QVBoxLayout(Panel8);
    GroupBox6 = named<QGroupBox>("GroupBox6", QStringLiteral("DTU数据收发"), Panel8);
    auto *layout = new QVBoxLayout(GroupBox6);
    Memo5 = named<QPlainTextEdit>("Memo5", GroupBox6);
    layout->addWidget(Memo5);
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("重复发送次数       "), GroupBox6));
    ComboBox4 = named<QComboBox>("ComboBox4", GroupBox6);
    ComboBox4->addItems(repeatCounts());
    ComboBox4->setCurrentIndex(0);
    KeySwallower::install(ComboBox4);
    row->addWidget(ComboBox4);
    Button11 = named<QPushButton>("Button11", QStringLiteral("发送数据"), GroupBox6);
    Button13 = named<QPushButton>("Button13", QStringLiteral("接收数据"), GroupBox6);
    CheckBox3 = named<QCheckBox>("CheckBox3", QStringLiteral(" 显示十六进制值     "), GroupBox6);
    Edit4 = named<QLineEdit>("Edit4", GroupBox6);
    Edit4->setMaxLength(2);
    Edit4->setVisible(false);
    Button2 = named<QPushButton>("Button2", QStringLiteral("添加HEX字符"), GroupBox6);
    Button2->setVisible(false);
    Button12 = named<QPushButton>("Button12", QStringLiteral("统计清零"), GroupBox6);
    row->addWidget(Button11);
    row->addWidget(Button13);
    row->addWidget(CheckBox3);
    row->addWidget(Edit4);
    row->addWidget(Button2);
    row->addWidget(Button12);
    layout->addLayout(row);
    Memo7 = named<QPlainTextEdit>("Memo7", GroupBox6);
    Memo7->setReadOnly(true);
    Memo7->setVisible(false);
    layout->addWidget(Memo7);
    StatusBar3 = named<QStatusBar>("StatusBar3", GroupBox6);
    StatusBar3->setSizeGripEnabled(false);
    layout->addWidget(StatusBar3);
    panelLayout->addWidget(GroupBox6);
    Panel8->setVisible(false);
}
