// The control page's socket area against the simulated device: every command's success and
// failure lines, the data send with its result texts, the fetch, the port checks, and the
// fetch reply checker on replies the device does not make.
#include "tool_rig.h"

#include "protocol/frame.h"
#include "tools/control_page.h"
#include "tools/socket_frames.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

using namespace toolrig;
using namespace socketcmd;

class TestSocketTest : public QObject {
    Q_OBJECT
private slots:
    void areasStartHidden();
    void commandsSucceedAndFail();
    void createPayloadOnTheWire();
    void portsOutsideRangeAreRefused();
    void sendAndFetchLoopBack();
    void silentAndGarbledDevice();
    void fetchReplyChecks();
    void dataAreaHelpers();
};

void TestSocketTest::areasStartHidden()
{
    Rig rig;
    QVERIFY(rig.start({}, false));
    ControlPage *page = rig.form->m_controlPage;
    QVERIFY(page->m_socketGroup->isHidden());
    QVERIFY(page->m_dataPanel->isHidden());
    QVERIFY(!page->m_protocolCombo->isEditable());
}

void TestSocketTest::commandsSucceedAndFail()
{
    Rig rig;
    QVERIFY(rig.start());
    ControlPage *page = rig.form->m_controlPage;
    page->m_socketGroup->show();
    page->closeSocket();                         // nothing to close yet
    page->m_createSocketButton->click();                       // UDP
    page->connectSocket();                         // a UDP socket does not connect
    page->m_protocolCombo->setCurrentIndex(1);
    page->createSocket();                         // TCP
    page->connectSocket();
    page->disconnectSocket();
    page->closeSocket();
    page->disconnectSocket();                         // closed: refused
    QCOMPARE(rig.memo1(), (QStringList{QStringLiteral("Socket关闭失败"), QStringLiteral("Socket创建成功"),
                                       QStringLiteral("TCP连接失败"), QStringLiteral("Socket创建成功"),
                                       QStringLiteral("TCP连接成功"), QStringLiteral("TCP断开成功"),
                                       QStringLiteral("Socket关闭成功"), QStringLiteral("TCP断开失败")}));
    QVERIFY(rig.dialogs.shown.isEmpty());
    QVERIFY(rig.form->resultText().isEmpty());  // these commands leave the status bar alone
}

void TestSocketTest::createPayloadOnTheWire()
{
    Rig rig;
    QVERIFY(rig.start());
    ControlPage *page = rig.form->m_controlPage;
    page->m_protocolCombo->setCurrentIndex(1);
    page->m_remotePortEdit->setText(QStringLiteral("8080"));
    page->m_remoteIpEdit->setText(QStringLiteral("192.168.1.56"));
    page->createSocket();
    page->m_protocolCombo->setCurrentIndex(0);
    page->m_remoteIpEdit->setText(QStringLiteral("300.1.1.1"));
    page->createSocket();
    page->m_localPortEdit->setText(QStringLiteral("80"));
    page->connectSocket();
    const QStringList frames = rig.framesSeen();
    QCOMPARE(frames.size(), 3);
    QCOMPARE(frames[0].mid(12), QStringLiteral("00 60 01 FD E8 1F 90 C0 A8 01 38 ") + frames[0].right(5));
    QCOMPARE(frames[1].mid(6, 5), QStringLiteral("00 09"));  // a bad peer address sends five bytes
    QCOMPARE(frames[1].mid(12, 20), QStringLiteral("00 60 00 FD E8 1F 90"));
    QCOMPARE(frames[2], QStringLiteral("AA 55 00 06 00 61 00 50 00 B7"));
    QCOMPARE(rig.memo1(), (QStringList{QStringLiteral("Socket创建成功"), QStringLiteral("Socket创建成功"),
                                       QStringLiteral("TCP连接失败")}));
}

void TestSocketTest::portsOutsideRangeAreRefused()
{
    Rig rig;
    QVERIFY(rig.start());
    ControlPage *page = rig.form->m_controlPage;
    page->m_localPortEdit->setText(QStringLiteral("99999"));
    page->createSocket();
    page->closeSocket();
    page->m_localPortEdit->setText(QStringLiteral("65000"));
    page->m_remotePortEdit->setText(QStringLiteral("65536"));
    page->createSocket();
    page->m_remotePortEdit->clear();
    page->createSocket();
    page->m_localPortEdit->setText(QStringLiteral(" 65535"));
    page->closeSocket();  // refused by the device, but sent
    QCOMPARE(rig.dialogs.texts(QStringLiteral("information")), QStringList(4, BadPortText()));
    QCOMPARE(rig.framesSeen(), QStringList{QStringLiteral("AA 55 00 06 00 65 FF FF 02 69")});
    QCOMPARE(PortOf(QStringLiteral("0")), std::optional<uint16_t>(0));
    QCOMPARE(PortOf(QStringLiteral("-1")), std::nullopt);
}

void TestSocketTest::sendAndFetchLoopBack()
{
    Rig rig;
    QVERIFY(rig.start());
    ControlPage *page = rig.form->m_controlPage;
    page->m_dataPanel->show();
    page->createSocket();
    rig.form->m_log->clear();

    page->m_socketPayloadEdit->setPlainText(QStringLiteral("ping"));
    page->m_socketRepeatCombo->setCurrentIndex(1);  // 10 times, 200 ms apart
    QElapsedTimer t;
    t.start();
    QTest::mouseClick(page->m_socketSendButton, Qt::LeftButton);
    QVERIFY(t.elapsed() >= 10 * 200);
    QCOMPARE(rig.form->resultText(), QStringLiteral("[数据发送成功]"));
    QCOMPARE(rig.memo1(), QStringList(10, QStringLiteral("[数据发送成功]")));
    QCOMPARE(rig.state().SentBytes, 40);
    QVERIFY(page->m_socketPayloadEdit->toPlainText().isEmpty());
    QCOMPARE(lines(page->m_stateLog).size(), 1);
    QVERIFY(lines(page->m_stateLog).first().endsWith(QStringLiteral(" 发送数据：ping[10次]")));

    page->fetchSocketData();
    QCOMPARE(lines(page->m_stateLog).last(), QStringLiteral("从Socket[0]收到数据:") + QStringLiteral("ping").repeated(10));
    QCOMPARE(rig.state().ReceivedBytes, 40);
    // Only the socket number came back: no line, nothing counted.
    page->fetchSocketData();
    QCOMPARE(lines(page->m_stateLog).size(), 2);
    QCOMPARE(rig.state().ReceivedBytes, 40);
    QCOMPARE(rig.memo1().size(), 10);

    // Hex mode: pairs from the start, blanks not removed (a blank counts as 0).
    page->m_socketHexCheck->click();
    page->m_socketPayloadEdit->setPlainText(QStringLiteral("41 2"));
    page->m_socketRepeatCombo->setCurrentIndex(0);
    page->sendSocketData();
    QVERIFY(lines(page->m_stateLog).last().endsWith(QStringLiteral(" 发送数据：{41 02 }A\x02[1次]")));

    // Closed socket: the device refuses the send, and answers a fetch with a refusal.
    page->closeSocket();
    page->m_socketPayloadEdit->setPlainText(QStringLiteral("41"));
    page->sendSocketData();
    QCOMPARE(rig.form->resultText(), QStringLiteral("[数据发送失败]"));
    page->fetchSocketData();
    QCOMPARE(rig.form->resultText(), QStringLiteral("[数据读取失败，返回数据包命令字非法！]"));
    QCOMPARE(rig.memo1().mid(rig.memo1().size() - 3),
             (QStringList{QStringLiteral("Socket关闭成功"), QStringLiteral("[数据发送失败]"),
                          QStringLiteral("[数据读取失败，返回数据包命令字非法！]")}));
}

void TestSocketTest::silentAndGarbledDevice()
{
    {
        Rig rig;
        QVERIFY(rig.start({QStringLiteral("--silent"), QStringLiteral("0060,0063")}));
        ControlPage *page = rig.form->m_controlPage;
        page->createSocket();
        page->fetchSocketData();
        QCOMPARE(rig.memo1(), (QStringList{QStringLiteral("Socket创建失败，设备无响应！"),
                                           QStringLiteral("[数据读取失败，设备无响应！]")}));
    }
    {
        Rig rig;
        QVERIFY(rig.start({QStringLiteral("--garble"), QStringLiteral("0061,0062,0063")}));
        ControlPage *page = rig.form->m_controlPage;
        page->m_protocolCombo->setCurrentIndex(1);
        page->createSocket();
        page->connectSocket();
        page->m_socketPayloadEdit->setPlainText(QStringLiteral("x"));
        page->sendSocketData();
        page->fetchSocketData();
        QCOMPARE(rig.memo1(), (QStringList{QStringLiteral("Socket创建成功"), QStringLiteral("TCP连接失败，参数错误！"),
                                           QStringLiteral("[数据发送失败，非法的返回串！]"),
                                           QStringLiteral("[数据读取失败，返回数据包头非法！]")}));
    }
    {
        Rig rig;
        QVERIFY(rig.start({QStringLiteral("--bad-checksum")}));
        ControlPage *page = rig.form->m_controlPage;
        page->createSocket();
        page->closeSocket();
        page->fetchSocketData();
        QCOMPARE(rig.memo1(), (QStringList{QStringLiteral("Socket创建失败，返回帧校验错误！"),
                                           QStringLiteral("Socket关闭失败，返回帧校验错误！"),
                                           QStringLiteral("[数据读取失败，返回数据包命令字非法！]")}));
    }
    Rig rig;
    QVERIFY(rig.start({}, false));
    rig.form->m_controlPage->createSocket();
    rig.form->m_controlPage->fetchSocketData();
    QCOMPARE(rig.dialogs.texts(QStringLiteral("error")), QStringList(2, QStringLiteral("Device not opened.")));
    QVERIFY(rig.memo1().isEmpty());
}

void TestSocketTest::fetchReplyChecks()
{
    const auto fetchFrame = [](const QByteArray &content, uint8_t word = kFetchReply) {
        QByteArray f("\xAA\x55", 2);
        const int len = content.size() + 3;
        f.append(char(len >> 8)).append(char(len & 0xFF)).append(char(word)).append(content);
        const uint16_t sum = frame::Sum16(f, 2, len);
        return f.append(char(sum >> 8)).append(char(sum & 0xFF));
    };
    const QByteArray good = fetchFrame(QByteArray("\x00\x03hi", 4));
    FetchResult r = CheckFetchReply(good);
    QVERIFY(r.ok);
    QCOMPARE(r.content, QByteArray("\x00\x03hi", 4));
    QCOMPARE(CheckFetchReply(fetchFrame("ab", 0xA3)).failText, QStringLiteral("[数据读取失败，返回数据包命令字非法！]"));
    QCOMPARE(CheckFetchReply(QByteArray("\x12") + good).failText, QStringLiteral("[数据读取失败，返回数据包头非法！]"));
    QByteArray badSum = good;
    badSum[badSum.size() - 1] = char(badSum.back() + 1);
    QCOMPARE(CheckFetchReply(badSum).failText, QStringLiteral("[数据读取失败，返回数据包校验错！]"));
    // A length beyond the bytes received is a checksum failure, not a read past the end.
    QByteArray longLen = good;
    longLen[3] = char(0x40);
    QCOMPARE(CheckFetchReply(longLen).failText, QStringLiteral("[数据读取失败，返回数据包校验错！]"));
    QCOMPARE(CheckFetchReply(good.left(4)).failText, QStringLiteral("[数据读取失败，返回数据包命令字非法！]"));
}

void TestSocketTest::dataAreaHelpers()
{
    Rig rig;
    QVERIFY(rig.start({}, false));
    ControlPage *page = rig.form->m_controlPage;
    page->m_dataPanel->show();
    QTest::mouseClick(page->m_socketHexCheck, Qt::LeftButton);
    QCOMPARE(page->m_dataGroup->title(), QStringLiteral("文字输入窗口[HEX模式]"));
    QTest::keyClicks(page->m_socketPayloadEdit, QStringLiteral("4x1 g"));
    QCOMPARE(page->m_socketPayloadEdit->toPlainText(), QStringLiteral("41"));
    QCOMPARE(page->m_socketLog->toPlainText(), QStringLiteral("3431"));
    QTest::mouseClick(page->m_socketHexCheck, Qt::LeftButton);
    QCOMPARE(page->m_dataGroup->title(), QStringLiteral("文字输入窗口(文本模式)"));
    QTest::keyClicks(page->m_socketHexCharEdit, QStringLiteral("4a2"));
    QCOMPARE(page->m_socketHexCharEdit->text(), QStringLiteral("42"));
    page->appendSocketHexChar();
    QCOMPARE(page->m_socketPayloadEdit->toPlainText(), QStringLiteral("41B"));
}

QTEST_MAIN(TestSocketTest)
#include "tst_socket_test.moc"
