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
    ControlPage *page = rig.form->TabSheet3;
    QVERIFY(page->GroupBox4->isHidden());
    QVERIFY(page->Panel8->isHidden());
    QVERIFY(!page->ComboBox5->isEditable());
}

void TestSocketTest::commandsSucceedAndFail()
{
    Rig rig;
    QVERIFY(rig.start());
    ControlPage *page = rig.form->TabSheet3;
    page->GroupBox4->show();
    page->suiButton8Click();                         // nothing to close yet
    page->suiButton3->click();                       // UDP
    page->suiButton4Click();                         // a UDP socket does not connect
    page->ComboBox5->setCurrentIndex(1);
    page->suiButton3Click();                         // TCP
    page->suiButton4Click();
    page->suiButton7Click();
    page->suiButton8Click();
    page->suiButton7Click();                         // closed: refused
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
    ControlPage *page = rig.form->TabSheet3;
    page->ComboBox5->setCurrentIndex(1);
    page->MaskEdit2->setText(QStringLiteral("8080"));
    page->Edit2->setText(QStringLiteral("192.168.1.56"));
    page->suiButton3Click();
    page->ComboBox5->setCurrentIndex(0);
    page->Edit2->setText(QStringLiteral("300.1.1.1"));
    page->suiButton3Click();
    page->MaskEdit1->setText(QStringLiteral("80"));
    page->suiButton4Click();
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
    ControlPage *page = rig.form->TabSheet3;
    page->MaskEdit1->setText(QStringLiteral("99999"));
    page->suiButton3Click();
    page->suiButton8Click();
    page->MaskEdit1->setText(QStringLiteral("65000"));
    page->MaskEdit2->setText(QStringLiteral("65536"));
    page->suiButton3Click();
    page->MaskEdit2->clear();
    page->suiButton3Click();
    page->MaskEdit1->setText(QStringLiteral(" 65535"));
    page->suiButton8Click();  // refused by the device, but sent
    QCOMPARE(rig.dialogs.texts(QStringLiteral("information")), QStringList(4, BadPortText()));
    QCOMPARE(rig.framesSeen(), QStringList{QStringLiteral("AA 55 00 06 00 65 FF FF 02 69")});
    QCOMPARE(PortOf(QStringLiteral("0")), std::optional<uint16_t>(0));
    QCOMPARE(PortOf(QStringLiteral("-1")), std::nullopt);
}

void TestSocketTest::sendAndFetchLoopBack()
{
    Rig rig;
    QVERIFY(rig.start());
    ControlPage *page = rig.form->TabSheet3;
    page->Panel8->show();
    page->suiButton3Click();
    rig.form->Memo1->clear();

    page->Memo5->setPlainText(QStringLiteral("ping"));
    page->ComboBox4->setCurrentIndex(1);  // 10 times, 200 ms apart
    QElapsedTimer t;
    t.start();
    QTest::mouseClick(page->Button11, Qt::LeftButton);
    QVERIFY(t.elapsed() >= 10 * 200);
    QCOMPARE(rig.form->resultText(), QStringLiteral("[数据发送成功]"));
    QCOMPARE(rig.memo1(), QStringList(10, QStringLiteral("[数据发送成功]")));
    QCOMPARE(rig.state().SentBytes, 40);
    QVERIFY(page->Memo5->toPlainText().isEmpty());
    QCOMPARE(lines(page->Memo4).size(), 1);
    QVERIFY(lines(page->Memo4).first().endsWith(QStringLiteral(" 发送数据：ping[10次]")));

    page->Button13Click();
    QCOMPARE(lines(page->Memo4).last(), QStringLiteral("从Socket[0]收到数据:") + QStringLiteral("ping").repeated(10));
    QCOMPARE(rig.state().ReceivedBytes, 40);
    // Only the socket number came back: no line, nothing counted.
    page->Button13Click();
    QCOMPARE(lines(page->Memo4).size(), 2);
    QCOMPARE(rig.state().ReceivedBytes, 40);
    QCOMPARE(rig.memo1().size(), 10);

    // Hex mode: pairs from the start, blanks not removed (a blank counts as 0).
    page->CheckBox3->click();
    page->Memo5->setPlainText(QStringLiteral("41 2"));
    page->ComboBox4->setCurrentIndex(0);
    page->Button11Click();
    QVERIFY(lines(page->Memo4).last().endsWith(QStringLiteral(" 发送数据：{41 02 }A\x02[1次]")));

    // Closed socket: the device refuses the send, and answers a fetch with a refusal.
    page->suiButton8Click();
    page->Memo5->setPlainText(QStringLiteral("41"));
    page->Button11Click();
    QCOMPARE(rig.form->resultText(), QStringLiteral("[数据发送失败]"));
    page->Button13Click();
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
        ControlPage *page = rig.form->TabSheet3;
        page->suiButton3Click();
        page->Button13Click();
        QCOMPARE(rig.memo1(), (QStringList{QStringLiteral("Socket创建失败，设备无响应！"),
                                           QStringLiteral("[数据读取失败，设备无响应！]")}));
    }
    {
        Rig rig;
        QVERIFY(rig.start({QStringLiteral("--garble"), QStringLiteral("0061,0062,0063")}));
        ControlPage *page = rig.form->TabSheet3;
        page->ComboBox5->setCurrentIndex(1);
        page->suiButton3Click();
        page->suiButton4Click();
        page->Memo5->setPlainText(QStringLiteral("x"));
        page->Button11Click();
        page->Button13Click();
        QCOMPARE(rig.memo1(), (QStringList{QStringLiteral("Socket创建成功"), QStringLiteral("TCP连接失败，参数错误！"),
                                           QStringLiteral("[数据发送失败，非法的返回串！]"),
                                           QStringLiteral("[数据读取失败，返回数据包头非法！]")}));
    }
    {
        Rig rig;
        QVERIFY(rig.start({QStringLiteral("--bad-checksum")}));
        ControlPage *page = rig.form->TabSheet3;
        page->suiButton3Click();
        page->suiButton8Click();
        page->Button13Click();
        QCOMPARE(rig.memo1(), (QStringList{QStringLiteral("Socket创建失败，返回帧校验错误！"),
                                           QStringLiteral("Socket关闭失败，返回帧校验错误！"),
                                           QStringLiteral("[数据读取失败，返回数据包命令字非法！]")}));
    }
    Rig rig;
    QVERIFY(rig.start({}, false));
    rig.form->TabSheet3->suiButton3Click();
    rig.form->TabSheet3->Button13Click();
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
    ControlPage *page = rig.form->TabSheet3;
    page->Panel8->show();
    QTest::mouseClick(page->CheckBox3, Qt::LeftButton);
    QCOMPARE(page->GroupBox6->title(), QStringLiteral("文字输入窗口[HEX模式]"));
    QTest::keyClicks(page->Memo5, QStringLiteral("4x1 g"));
    QCOMPARE(page->Memo5->toPlainText(), QStringLiteral("41"));
    QCOMPARE(page->Memo7->toPlainText(), QStringLiteral("3431"));
    QTest::mouseClick(page->CheckBox3, Qt::LeftButton);
    QCOMPARE(page->GroupBox6->title(), QStringLiteral("文字输入窗口(文本模式)"));
    QTest::keyClicks(page->Edit4, QStringLiteral("4a2"));
    QCOMPARE(page->Edit4->text(), QStringLiteral("42"));
    page->Button2Click();
    QCOMPARE(page->Memo5->toPlainText(), QStringLiteral("41B"));
}

QTEST_MAIN(TestSocketTest)
#include "tst_socket_test.moc"
