#include "tools/tfrm_file_test.h"

#include "widgets/named.h"
#include "session/core_session.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

TfrmFileTest::TfrmFileTest(CoreSession &session, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent, Qt::Window), m_session(session), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("frmFileTest"));
    setWindowTitle(QStringLiteral("文件收发"));
    resize(480, 360);
    Timer2.setObjectName(QStringLiteral("Timer2"));

    auto *top = new QVBoxLayout(this);
    auto *grid = new QGridLayout;
    btOpenFile = named<QPushButton>("btOpenFile", QStringLiteral("打开文件"), this);
    btSendFile = named<QPushButton>("btSendFile", QStringLiteral("开始发送"), this);
    btSendFile->setEnabled(false);
    btStopSend = named<QPushButton>("btStopSend", QStringLiteral("停止发送"), this);
    btStopSend->setEnabled(false);
    auto *digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d*")), this);
    edinteval = named<QLineEdit>("edinteval", this);
    edinteval->setMaxLength(8);
    edinteval->setValidator(digits);
    edPackLen = named<QLineEdit>("edPackLen", this);
    edPackLen->setMaxLength(5);
    edPackLen->setValidator(digits);
    grid->addWidget(new QLabel(QStringLiteral("时间间隔(s)     "), this), 0, 0);
    grid->addWidget(edinteval, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("包长度     "), this), 1, 0);
    grid->addWidget(edPackLen, 1, 1);
    grid->addWidget(btOpenFile, 0, 2);
    grid->addWidget(btSendFile, 1, 2);
    grid->addWidget(btStopSend, 2, 2);
    top->addLayout(grid);

    Memo2 = named<QPlainTextEdit>("Memo2", this);
    Memo2->setMaximumBlockCount(20000);
    top->addWidget(Memo2, 1);

    auto *recvRow = new QHBoxLayout;
    CheckBox1 = named<QCheckBox>("CheckBox1", QStringLiteral("接收数据写入到文件:   "), this);
    Edit1 = named<QLineEdit>("Edit1", QStringLiteral("recv.dat"), this);
    recvRow->addWidget(CheckBox1);
    recvRow->addWidget(Edit1, 1);
    top->addLayout(recvRow);
    connectHandlers();
}
