// The file test's handlers: choosing the file, the packet clock, the receive file.
#include "tools/file_test_window.h"

#include "widgets/dialogs.h"
#include "protocol/exchange_engine.h"
#include "session/core_session.h"
#include "widgets/conversation_view.h"
#include "tools/send_text.h"
#include "tools/transparent_page.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QCoreApplication>

namespace {
struct FileTestTexts {
    Q_DECLARE_TR_FUNCTIONS(FileTestTexts)
};
} // namespace

namespace {
constexpr int kMaxInterval = 100000;
constexpr int kMaxPackLen = 100000;
} // namespace

void FileTestWindow::connectHandlers()
{
    connect(m_openFileButton, &QPushButton::clicked, this, &FileTestWindow::chooseFile);
    connect(m_sendFileButton, &QPushButton::clicked, this, &FileTestWindow::startSending);
    connect(m_stopSendButton, &QPushButton::clicked, this, &FileTestWindow::stopSending);
    connect(&m_packetTimer, &QTimer::timeout, this, &FileTestWindow::sendNextPacket);
    connect(m_receiveToFileCheck, &QCheckBox::clicked, this, &FileTestWindow::toggleReceiveFile);
    connect(&m_session.poll, &ReceivePoll::chunkReceived, this, &FileTestWindow::writeReceived);
}

void FileTestWindow::chooseFile()
{
    const QString path = m_dialogs.openFile(this, FileTestTexts::tr("选择文件"), QStringLiteral("*.*"),
                                            FileTestTexts::tr("所有文件 (*)"));
    if (path.isEmpty())
        return;
    m_sendFile.close();
    m_sendFile.setFileName(path);
    // Only read: a read-only file can be sent too.
    if (!m_sendFile.open(QIODevice::ReadOnly)) {
        m_dialogs.information(this, FileTestTexts::tr("读取文件失败!"));
        return;
    }
    m_sendFileButton->setEnabled(true);
    m_openFileButton->setEnabled(false);
}

void FileTestWindow::startSending()
{
    if (m_packetLengthEdit->text().isEmpty()) {
        m_dialogs.information(this, FileTestTexts::tr("请输入包长度"));
        return;
    }
    if (m_intervalEdit->text().isEmpty()) {
        m_dialogs.information(this, FileTestTexts::tr("请输入时间间隔"));
        return;
    }
    const int interval = m_intervalEdit->text().toInt();
    if (interval > kMaxInterval) {
        m_dialogs.information(this, FileTestTexts::tr("时间间隔不能超过100000秒"));
        return;
    }
    const int packLen = m_packetLengthEdit->text().toInt();
    if (packLen > kMaxPackLen) {
        m_dialogs.information(this, FileTestTexts::tr("最大包长度不能超过100000字节"));
        return;
    }
    m_interval = interval;
    m_packLen = packLen;
    m_packetTimer.setInterval(m_interval * m_unitMs);
    // A 0 ms clock would fire without pause: an interval of 0 sends nothing until stopped.
    if (m_interval > 0)
        m_packetTimer.start();
    m_intervalEdit->clear();
    m_packetLengthEdit->clear();
    m_stopSendButton->setEnabled(true);
    m_sendFileButton->setEnabled(false);
}

void FileTestWindow::stopSending()
{
    endSending();
}

void FileTestWindow::endSending()
{
    m_packetTimer.stop();
    m_sendFile.close();
    m_openFileButton->setEnabled(true);
    m_sendFileButton->setEnabled(false);
    m_stopSendButton->setEnabled(false);
}

void FileTestWindow::sendNextPacket()
{
    m_packetTimer.stop();
    // A packet sent while a reply is awaited would land in that reply: try on the next tick.
    // While this packet is written (long on a slow line), no read or device command may start:
    // its frame would go into the file stream and its wait would read file data.
    ExchangeEngine::Guard guard(m_session.engine);
    if (!guard.ok()) {
        m_packetTimer.start();
        return;
    }
    m_sendFile.unsetError();
    const QByteArray packet = m_sendFile.read(m_packLen);
    // A read that fails (a drive pulled out) is no end of the file: say so and send nothing.
    if (m_sendFile.error() != QFileDevice::NoError) {
        endSending();
        m_logBox->appendPlainText(FileTestTexts::tr("读取文件失败!"));
        m_dialogs.information(this, FileTestTexts::tr("读取文件失败!"));
        return;
    }
    // A file of gigabytes is sent packet by packet; its log box keeps only the latest text.
    m_logBox->appendPlainText(DisplayBytes(packet));
    QString error;
    if (!m_session.engine.SendLogged(packet, &error)) {
        endSending();
        ErrorUnlessClosing(m_dialogs, m_session.state, this, error);
        return;
    }
    AddToCounter(m_session.state.SentBytes, packet.size());
    packetSent(packet);
    // The window keeps running during a long write: the user may have stopped the sending.
    if (!m_sendFile.isOpen())
        return;
    if (packet.size() < m_packLen) {
        endSending();
        m_logBox->appendPlainText(FileTestTexts::tr("文件发送完毕!"));
        return;
    }
    m_packetTimer.start();
}

void FileTestWindow::toggleReceiveFile()
{
    if (!m_receiveToFileCheck->isChecked()) {
        m_recvFile.close();
        m_receiveFileEdit->clear();
        return;
    }
    if (m_receiveFileEdit->text().isEmpty()) {
        m_dialogs.information(this, FileTestTexts::tr("请指定文件名!"));
        return;
    }
    m_recvFile.close();
    m_recvFile.setFileName(m_receiveFileEdit->text());
    if (!m_recvFile.open(QIODevice::WriteOnly | QIODevice::Truncate))
        m_dialogs.information(this, FileTestTexts::tr("创建文件失败!"));
}

void FileTestWindow::writeReceived(const QByteArray &bytes)
{
    if (!m_recvFile.isOpen())
        return;
    // On disk at once: nothing is lost if the program ends.
    if (m_recvFile.write(bytes) != bytes.size() || !m_recvFile.flush()) {
        // Said once, then the file is closed so later chunks do not repeat the failure.
        m_session.state.log(FileTestTexts::tr("[接收数据写入文件%1失败：%2]").arg(m_recvFile.fileName(),
                                                                        m_recvFile.errorString()));
        m_recvFile.close();
    }
}
