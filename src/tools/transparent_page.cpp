#include "tools/transparent_page.h"

#include "widgets/key_swallower.h"
#include "widgets/named.h"
#include "session/core_session.h"
#include "tools/batched_memo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

TransparentPage::TransparentPage(CoreSession &session, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_session(session), m_dialogs(dialogs)
{
    auto *top = new QVBoxLayout(this);
    top->setContentsMargins(4, 4, 4, 4);

    auto *talk = new QGroupBox(QStringLiteral("对话显示窗口"), this);
    auto *talkLayout = new QVBoxLayout(talk);
    Memo2 = named<QPlainTextEdit>("Memo2", talk);
    Memo2->setReadOnly(true);
    talkLayout->addWidget(Memo2);
    top->addWidget(talk, 3);

    GroupBox1 = named<QGroupBox>("GroupBox1", QStringLiteral("文字输入窗口(文本模式)"), this);
    auto *inputLayout = new QVBoxLayout(GroupBox1);
    Memo3 = named<QPlainTextEdit>("Memo3", GroupBox1);
    inputLayout->addWidget(Memo3);
    auto *hexRow = new QHBoxLayout;
    Edit3 = named<QLineEdit>("Edit3", GroupBox1);
    Edit3->setMaxLength(2);
    Edit3->setVisible(false);
    Button1 = named<QPushButton>("Button1", QStringLiteral("添加HEX字符"), GroupBox1);
    Button1->setVisible(false);
    Memo6 = named<QPlainTextEdit>("Memo6", GroupBox1);
    Memo6->setReadOnly(true);
    Memo6->setVisible(false);
    hexRow->addWidget(Edit3);
    hexRow->addWidget(Button1);
    hexRow->addWidget(Memo6);
    inputLayout->addLayout(hexRow);
    top->addWidget(GroupBox1, 1);

    auto *controls = new QHBoxLayout;
    controls->addWidget(new QLabel(QStringLiteral("重复发送次数       "), this));
    ComboBox2 = named<QComboBox>("ComboBox2", this);
    ComboBox2->addItems({QStringLiteral("1"), QStringLiteral("10"), QStringLiteral("50"), QStringLiteral("100"),
                         QStringLiteral("1000"), QStringLiteral("10000")});
    ComboBox2->setCurrentIndex(0);
    KeySwallower::install(ComboBox2);
    controls->addWidget(ComboBox2);
    CheckBox2 = named<QCheckBox>("CheckBox2", QStringLiteral(" 显示十六进制值     "), this);
    controls->addWidget(CheckBox2);
    controls->addStretch(1);
    Button7 = named<QPushButton>("Button7", QStringLiteral("统计清零"), this);
    controls->addWidget(Button7);
    suiButton15 = named<QPushButton>("suiButton15", QStringLiteral("收发文件"), this);
    suiButton15->setVisible(false);
    controls->addWidget(suiButton15);
    Button8 = named<QPushButton>("Button8", QStringLiteral("发送数据"), this);
    controls->addWidget(Button8);
    top->addLayout(controls);

    StatusBar2 = named<QStatusBar>("StatusBar2", this);
    StatusBar2->setSizeGripEnabled(false);
    StatusBar2Panel0 = named<QLabel>("StatusBar2Panel0", QString(), StatusBar2);
    StatusBar2->addWidget(StatusBar2Panel0, 1);
    top->addWidget(StatusBar2);

    m_conversation = new BatchedMemo(Memo2, this);
    ReceivePoll &poll = m_session.poll;
    connect(&poll, &ReceivePoll::transparentLine, m_conversation, &BatchedMemo::appendLine);
    connect(&poll, &ReceivePoll::countersChanged, StatusBar2Panel0, &QLabel::setText);
    connect(CheckBox2, &QCheckBox::toggled, this, [&poll](bool on) { poll.setHexMode(on); });
    poll.setHexMode(CheckBox2->isChecked());
    connectHandlers();
}
