#include "tools/transparent_page.h"

#include "widgets/conversation_view.h"
#include "widgets/key_swallower.h"
#include "session/core_session.h"

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
#include <QCoreApplication>

namespace {
struct TransparentPageTexts {
    Q_DECLARE_TR_FUNCTIONS(TransparentPageTexts)
};
} // namespace

TransparentPage::TransparentPage(CoreSession &session, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_session(session), m_dialogs(dialogs)
{
    auto *top = new QVBoxLayout(this);
    top->setContentsMargins(4, 4, 4, 4);

    auto *talk = new QGroupBox(TransparentPageTexts::tr("对话显示窗口"), this);
    auto *talkLayout = new QVBoxLayout(talk);
    m_conversationBox = new ConversationView(talk);
    talkLayout->addWidget(m_conversationBox);
    top->addWidget(talk, 3);

    // "(文本模式)" is added only once text mode is chosen on the hex box.
    m_inputGroup = new QGroupBox(TransparentPageTexts::tr("文字输入窗口"), this);
    auto *inputLayout = new QVBoxLayout(m_inputGroup);
    m_inputEdit = new QPlainTextEdit(m_inputGroup);
    inputLayout->addWidget(m_inputEdit);
    auto *hexRow = new QHBoxLayout;
    m_hexCharEdit = new QLineEdit(m_inputGroup);
    m_hexCharEdit->setMaxLength(2);
    m_hexCharEdit->setVisible(false);
    m_addHexCharButton = new QPushButton(TransparentPageTexts::tr("添加HEX字符"), m_inputGroup);
    m_addHexCharButton->setVisible(false);
    m_hexMirrorBox = new QPlainTextEdit(m_inputGroup);
    m_hexMirrorBox->setReadOnly(true);
    m_hexMirrorBox->setVisible(false);
    hexRow->addWidget(m_hexCharEdit);
    hexRow->addWidget(m_addHexCharButton);
    hexRow->addWidget(m_hexMirrorBox);
    inputLayout->addLayout(hexRow);
    top->addWidget(m_inputGroup, 1);

    auto *controls = new QHBoxLayout;
    controls->addWidget(new QLabel(TransparentPageTexts::tr("重复发送次数       "), this));
    m_repeatCombo = new QComboBox(this);
    m_repeatCombo->addItems({QStringLiteral("1"), QStringLiteral("10"), QStringLiteral("50"), QStringLiteral("100"),
                         QStringLiteral("1000"), QStringLiteral("10000")});
    m_repeatCombo->setCurrentIndex(0);
    KeySwallower::install(m_repeatCombo);
    controls->addWidget(m_repeatCombo);
    m_hexCheck = new QCheckBox(TransparentPageTexts::tr(" 显示十六进制值     "), this);
    controls->addWidget(m_hexCheck);
    controls->addStretch(1);
    m_clearCountersButton = new QPushButton(TransparentPageTexts::tr("统计清零"), this);
    controls->addWidget(m_clearCountersButton);
    m_fileTestButton = new QPushButton(TransparentPageTexts::tr("收发文件"), this);
    m_fileTestButton->setVisible(false);
    controls->addWidget(m_fileTestButton);
    m_sendButton = new QPushButton(TransparentPageTexts::tr("发送数据"), this);
    controls->addWidget(m_sendButton);
    top->addLayout(controls);

    m_statusBar = new QStatusBar(this);
    m_statusBar->setSizeGripEnabled(false);
    m_counterLabel = new QLabel(QString(), m_statusBar);
    m_statusBar->addWidget(m_counterLabel, 1);
    top->addWidget(m_statusBar);

    ReceivePoll &poll = m_session.poll;
    connect(&poll, &ReceivePoll::transparentLine, m_conversationBox, &ConversationView::appendLine);
    connect(&poll, &ReceivePoll::countersChanged, m_counterLabel, &QLabel::setText);
    connect(m_hexCheck, &QCheckBox::toggled, this, [&poll](bool on) { poll.setHexMode(on); });
    poll.setHexMode(m_hexCheck->isChecked());
    connectHandlers();
    nameControls();
}

// The form names: tests, accessibility tools and scripts find the controls by them.
void TransparentPage::nameControls()
{
    m_conversationBox->setObjectName(QStringLiteral("Memo2"));
    m_inputGroup->setObjectName(QStringLiteral("GroupBox1"));
    m_inputEdit->setObjectName(QStringLiteral("Memo3"));
    m_hexCharEdit->setObjectName(QStringLiteral("Edit3"));
    m_addHexCharButton->setObjectName(QStringLiteral("Button1"));
    m_hexMirrorBox->setObjectName(QStringLiteral("Memo6"));
    m_repeatCombo->setObjectName(QStringLiteral("ComboBox2"));
    m_hexCheck->setObjectName(QStringLiteral("CheckBox2"));
    m_clearCountersButton->setObjectName(QStringLiteral("Button7"));
    m_fileTestButton->setObjectName(QStringLiteral("suiButton15"));
    m_sendButton->setObjectName(QStringLiteral("Button8"));
    m_statusBar->setObjectName(QStringLiteral("StatusBar2"));
    m_counterLabel->setObjectName(QStringLiteral("StatusBar2Panel0"));
}
