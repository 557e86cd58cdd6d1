// The file test's handlers: choosing the file, the packet clock, the receive file.
#include "tools/tfrm_file_test.h"

#include "widgets/dialogs.h"
#include "session/core_session.h"
#include "tools/batched_memo.h"
#include "tools/send_text.h"
#include "tools/transparent_page.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {
constexpr int kMaxInterval = 100000;
constexpr int kMaxPackLen = 100000;
} // namespace

void TfrmFileTest::connectHandlers()
{
    connect(btOpenFile, &QPushButton::clicked, this, &TfrmFileTest::btOpenFileClick);
    connect(btSendFile, &QPushButton::clicked, this, &TfrmFileTest::btSendFileClick);
    connect(btStopSend, &QPushButton::clicked, this, &TfrmFileTest::btStopSendClick);
    connect(&Timer2, &QTimer::timeout, this, &TfrmFileTest::Timer2Timer);
    connect(CheckBox1, &QCheckBox::clicked, this, &TfrmFileTest::CheckBox1Click);
    connect(&m_session.poll, &ReceivePoll::chunkReceived, this, &TfrmFileTest::writeReceived);
}

void TfrmFileTest::btOpenFileClick()
{
    const QString path = m_dialogs.openFile(this, QStringLiteral("选择文件"), QStringLiteral("*.*"),
                                            QStringLiteral("所有文件 (*)"));
    if (path.isEmpty())
        return;
    m_sendFile.close();
    m_sendFile.setFileName(path);
    // Only read: a read-only file can be sent too.
    if (!m_sendFile.open(QIODevice::ReadOnly)) {
        m_dialogs.information(this, QStringLiteral("读取文件失败!"));
        return;
    }
    btSendFile->setEnabled(true);
    btOpenFile->setEnabled(false);
}

void TfrmFileTest::btSendFileClick()
{
    if (edPackLen->text().isEmpty()) {
        m_dialogs.information(this, QStringLiteral("请输入包长度"));
        return;
    }
    if (edinteval->text().isEmpty()) {
        m_dialogs.information(this, QStringLiteral("请输入时间间隔"));
        return;
    }
    const int interval = edinteval->text().toInt();
    if (interval > kMaxInterval) {
        m_dialogs.information(this, QStringLiteral("最大延时不能超过100000ms"));
        return;
    }
    const int packLen = edPackLen->text().toInt();
    if (packLen > kMaxPackLen) {
        m_dialogs.information(this, QStringLiteral("最大包长度不能超过100000字节"));
        return;
    }
    m_interval = interval;
    m_packLen = packLen;
    Timer2.setInterval(m_interval * m_unitMs);
    // A 0 ms clock would fire without pause: an interval of 0 sends nothing until stopped.
    if (m_interval > 0)
        Timer2.start();
    edinteval->clear();
    edPackLen->clear();
    btStopSend->setEnabled(true);
    btSendFile->setEnabled(false);
}

void TfrmFileTest::btStopSendClick()
{
    endSending();
}

void TfrmFileTest::endSending()
{
    Timer2.stop();
    m_sendFile.close();
    btOpenFile->setEnabled(true);
    btSendFile->setEnabled(false);
    btStopSend->setEnabled(false);
}

void TfrmFileTest::Timer2Timer()
{
    Timer2.stop();
    // A packet sent while a reply is awaited would land in that reply: try on the next tick.
    if (m_session.engine.isBusy()) {
        Timer2.start();
        return;
    }
    const QByteArray packet = m_sendFile.read(m_packLen);
    Memo2->appendPlainText(DisplayBytes(packet));
    QString error;
    if (!m_session.engine.SendLogged(packet, &error)) {
        endSending();
        m_dialogs.error(this, error);
        return;
    }
    AddToCounter(m_session.state.SentBytes, packet.size());
    packetSent(packet);
    if (packet.size() < m_packLen) {
        endSending();
        Memo2->appendPlainText(QStringLiteral("文件发送完毕!"));
        return;
    }
    Timer2.start();
}

void TfrmFileTest::CheckBox1Click()
{
    if (!CheckBox1->isChecked()) {
        m_recvFile.close();
        Edit1->clear();
        return;
    }
    if (Edit1->text().isEmpty()) {
        m_dialogs.information(this, QStringLiteral("请指定文件名!"));
        return;
    }
    m_recvFile.close();
    m_recvFile.setFileName(Edit1->text());
    if (!m_recvFile.open(QIODevice::WriteOnly | QIODevice::Truncate))
        m_dialogs.information(this, QStringLiteral("创建文件失败!"));
}

void TfrmFileTest::writeReceived(const QByteArray &bytes)
{
    if (!m_recvFile.isOpen())
        return;
    // On disk at once: nothing is lost if the program ends.
    if (m_recvFile.write(bytes) != bytes.size() || !m_recvFile.flush()) {
        // Said once, then the file is closed so later chunks do not repeat the failure.
        m_session.state.log(QStringLiteral("[接收数据写入文件%1失败：%2]").arg(m_recvFile.fileName(),
                                                                        m_recvFile.errorString()));
        m_recvFile.close();
    }
}
