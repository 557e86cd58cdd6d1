#include "tools/file_test_window.h"

#include "widgets/conversation_view.h"

#include "session/core_session.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <QCoreApplication>

namespace {
struct FileTestTexts {
    Q_DECLARE_TR_FUNCTIONS(FileTestTexts)
};
} // namespace

FileTestWindow::FileTestWindow(CoreSession &session, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent, Qt::Window), m_session(session), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("frmFileTest"));
    setWindowTitle(FileTestTexts::tr("文件收发"));
    resize(480, 360);
    m_packetTimer.setObjectName(QStringLiteral("Timer2"));

    auto *top = new QVBoxLayout(this);
    auto *grid = new QGridLayout;
    m_openFileButton = new QPushButton(FileTestTexts::tr("打开文件"), this);
    m_sendFileButton = new QPushButton(FileTestTexts::tr("开始发送"), this);
    m_sendFileButton->setEnabled(false);
    m_stopSendButton = new QPushButton(FileTestTexts::tr("停止发送"), this);
    m_stopSendButton->setEnabled(false);
    auto *digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d*")), this);
    m_intervalEdit = new QLineEdit(this);
    m_intervalEdit->setMaxLength(8);
    m_intervalEdit->setValidator(digits);
    m_packetLengthEdit = new QLineEdit(this);
    m_packetLengthEdit->setMaxLength(5);
    m_packetLengthEdit->setValidator(digits);
    grid->addWidget(new QLabel(FileTestTexts::tr("时间间隔(s)     "), this), 0, 0);
    grid->addWidget(m_intervalEdit, 0, 1);
    grid->addWidget(new QLabel(FileTestTexts::tr("包长度     "), this), 1, 0);
    grid->addWidget(m_packetLengthEdit, 1, 1);
    grid->addWidget(m_openFileButton, 0, 2);
    grid->addWidget(m_sendFileButton, 1, 2);
    grid->addWidget(m_stopSendButton, 2, 2);
    top->addLayout(grid);

    m_logBox = new ConversationView(this);
    top->addWidget(m_logBox, 1);

    auto *recvRow = new QHBoxLayout;
    m_receiveToFileCheck = new QCheckBox(FileTestTexts::tr("接收数据写入到文件:   "), this);
    m_receiveFileEdit = new QLineEdit(QStringLiteral("recv.dat"), this);
    recvRow->addWidget(m_receiveToFileCheck);
    recvRow->addWidget(m_receiveFileEdit, 1);
    top->addLayout(recvRow);
    connectHandlers();
    nameControls();
}

// The form names: tests, accessibility tools and scripts find the controls by them.
void FileTestWindow::nameControls()
{
    m_openFileButton->setObjectName(QStringLiteral("btOpenFile"));
    m_sendFileButton->setObjectName(QStringLiteral("btSendFile"));
    m_stopSendButton->setObjectName(QStringLiteral("btStopSend"));
    m_intervalEdit->setObjectName(QStringLiteral("edinteval"));
    m_packetLengthEdit->setObjectName(QStringLiteral("edPackLen"));
    m_logBox->setObjectName(QStringLiteral("Memo2"));
    m_receiveToFileCheck->setObjectName(QStringLiteral("CheckBox1"));
    m_receiveFileEdit->setObjectName(QStringLiteral("Edit1"));
}
