// The communication page's handlers against real pseudo-terminals and a loopback TCP server:
// opening the serial port and writing the choice back, the receive poll's display, lost ports,
// the TCP maintenance connection.
#include "window_fixture.h"

#include "app/comm_page.h"
#include "link/serial_channel.h"
#include "link/tcp_channel.h"
#include "tools/transparent_page.h"
#include "widgets/conversation_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <pty.h>
#include <unistd.h>

namespace {
// A pseudo-terminal pair; the tool opens the slave by its path, the test plays the device.
struct Pty {
    int master = -1;
    int slave = -1;
    QString path;
    Pty()
    {
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) == 0)
            path = QString::fromLocal8Bit(name);
    }
    ~Pty()
    {
        closeMaster();
        if (slave >= 0)
            ::close(slave);
    }
    void closeMaster()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    bool write(const QByteArray &bytes) const
    {
        return ::write(master, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }
};

QJsonObject readProfile(const QString &path)
{
    return QJsonDocument::fromJson(readFile(path)).object();
}
} // namespace

class TestCommPage : public QObject {
    Q_OBJECT
private slots:
    void openFailsForMissingPort();
    void openSucceedsOnPtyAndWritesBack();
    void pickingAnotherRateReopens();
    void listsSwallowKeys();
    void receivePollShowsBytesInConversation();
    void lostPortIsReported();
    void tcpConnectsSendsAccessTextOnce();
    void tcpRefusedShowsFailure();
};

void TestCommPage::openFailsForMissingPort()
{
    WindowFixture fx;
    writeFile(fx.path("dev.txt"), profileText(QStringLiteral("A")));
    MainWindow &w = fx.create();
    fx.dialogs.fileAnswers << fx.path("dev.txt");
    w.loadProfileFromMenu();
    const QByteArray before = readFile(fx.path("dev.txt"));

    w.m_commPage->m_portEdit->setText(fx.path("no-such-port"));
    QTest::mouseClick(w.m_commPage->m_openPortButton, Qt::LeftButton);
    QCOMPARE(w.m_portStatusLabel->text(), fx.path("no-such-port") + QStringLiteral("打开失败"));
    QVERIFY(!fx.session->link.isSerialOpen());
    QCOMPARE(readFile(fx.path("dev.txt")), before);
    QCOMPARE(w.m_commPage->m_openPortButton->text(), QStringLiteral("打开串口"));
}

void TestCommPage::openSucceedsOnPtyAndWritesBack()
{
    Pty pty;
    QVERIFY(!pty.path.isEmpty());
    WindowFixture fx;
    writeFile(fx.path("dev.txt"), profileText(QStringLiteral("A"), QStringLiteral(" \"Comport\": \"COM1\",\n")));
    MainWindow &w = fx.create();
    fx.dialogs.fileAnswers << fx.path("dev.txt");
    w.loadProfileFromMenu();
    fx.session->state.ParamChannel = 5;

    w.m_commPage->m_portEdit->setText(pty.path);
    w.m_commPage->m_baudCombo->setCurrentText(QStringLiteral("115200"));
    w.m_commPage->m_formatCombo->setCurrentText(QStringLiteral("8E1"));
    w.m_commPage->openPort();

    QCOMPARE(w.m_portStatusLabel->text(), pty.path + QStringLiteral("打开成功,BaudRate=115200,参数=8E1"));
    QVERIFY(fx.session->link.isSerialOpen());
    QCOMPARE(fx.session->link.serial().port().baudRate(), 115200);
    QCOMPARE(fx.session->link.serial().port().parity(), QSerialPort::EvenParity);
    // The extended tab is hidden for this profile: the main table's set is addressed.
    QCOMPARE(fx.session->state.ParamChannel, 1);

    const QJsonObject saved = readProfile(fx.path("dev.txt"));
    QCOMPARE(saved.value(QStringLiteral("Comport")).toString(), pty.path);
    QCOMPARE(saved.value(QStringLiteral("Baudrate")).toString(), QStringLiteral("115200"));
    QCOMPARE(saved.value(QStringLiteral("ComOption")).toString(), QStringLiteral("8E1"));
    QCOMPARE(saved.value(QStringLiteral("Title")).toString(), QStringLiteral("A"));

    // With the extended tab shown no parameter set counts as selected after an open.
    w.setExtTabVisible(true);
    w.m_commPage->openPort();
    QCOMPARE(fx.session->state.ParamChannel, -1);
    QVERIFY(fx.session->link.isSerialOpen());
}

void TestCommPage::pickingAnotherRateReopens()
{
    Pty pty;
    WindowFixture fx;
    writeFile(fx.path("dev.txt"), profileText(QStringLiteral("A")));
    MainWindow &w = fx.create();
    fx.dialogs.fileAnswers << fx.path("dev.txt");
    w.loadProfileFromMenu();
    w.m_commPage->m_portEdit->setText(pty.path);
    w.m_commPage->openPort();
    QVERIFY(fx.session->link.isSerialOpen());

    QComboBox *rate = w.m_commPage->m_baudCombo;
    const int i = rate->findText(QStringLiteral("9600"));
    rate->setCurrentIndex(i);
    emit rate->activated(i);
    QCOMPARE(w.m_portStatusLabel->text(), pty.path + QStringLiteral("打开成功,BaudRate=9600,参数=8N1"));
    QCOMPARE(fx.session->link.serial().port().baudRate(), 9600);
    QCOMPARE(readProfile(fx.path("dev.txt")).value(QStringLiteral("Baudrate")).toString(), QStringLiteral("9600"));

    // A format character that means nothing keeps the previous setting of that field.
    QComboBox *format = w.m_commPage->m_formatCombo;
    format->addItem(QStringLiteral("7M2"));
    format->setCurrentIndex(format->count() - 1);
    emit format->activated(format->count() - 1);
    QCOMPARE(fx.session->link.serial().port().dataBits(), QSerialPort::Data7);
    QCOMPARE(fx.session->link.serial().port().parity(), QSerialPort::NoParity);
    QCOMPARE(fx.session->link.serial().port().stopBits(), QSerialPort::TwoStop);
}

void TestCommPage::listsSwallowKeys()
{
    WindowFixture fx;
    MainWindow &w = fx.create();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    for (QComboBox *box : {w.m_commPage->m_baudCombo, w.m_commPage->m_formatCombo}) {
        const QString before = box->currentText();
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Down);
        QTest::keyClick(box, Qt::Key_End);
        QTest::keyClick(box, Qt::Key_9);
        QCOMPARE(box->currentText(), before);
    }
    QVERIFY(!fx.session->link.isSerialOpen());
}

void TestCommPage::receivePollShowsBytesInConversation()
{
    Pty pty;
    WindowFixture fx;
    MainWindow &w = fx.create();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTRY_VERIFY(fx.session->poll.isActive());
    w.m_commPage->m_portEdit->setText(pty.path);
    w.m_commPage->openPort();
    QVERIFY(fx.session->link.isSerialOpen());

    QVERIFY(pty.write(QByteArray("A\0B", 3)));
    ConversationView *memo2 = w.m_transparentPage->m_conversationBox;
    QTRY_VERIFY(memo2->toPlainText().contains(QStringLiteral(" 收到数据：A\x01" "B")));
    QCOMPARE(fx.session->state.ReceivedBytes, 3);
    QTRY_COMPARE(w.m_transparentPage->m_counterLabel->text(), QStringLiteral("收：3字节，发:0字节"));

    w.m_transparentPage->m_hexCheck->setChecked(true);
    QVERIFY(pty.write(QByteArray("\x10Z", 2)));
    QTRY_VERIFY(memo2->toPlainText().contains(QStringLiteral(" 收到数据：{10 5A }\x10Z")));
    QTRY_COMPARE(w.m_transparentPage->m_counterLabel->text(), QStringLiteral("收：5字节，发:0字节"));
    QCOMPARE(memo2->blockCount(), 2);
}

void TestCommPage::lostPortIsReported()
{
    Pty pty;
    WindowFixture fx;
    MainWindow &w = fx.create();
    w.m_commPage->m_portEdit->setText(pty.path);
    w.m_commPage->openPort();
    QVERIFY(fx.session->link.isSerialOpen());
    fx.session->poll.start();

    // The device side goes away: the slave reports an I/O error on its next read.
    ::close(pty.slave);
    pty.slave = -1;
    pty.closeMaster();
    QTRY_VERIFY_WITH_TIMEOUT(!fx.session->link.isSerialOpen(), 5000);
    // One line, and the attempts to bring it back begin.
    QTRY_COMPARE(w.m_portStatusLabel->text(), pty.path + QStringLiteral("已断开，等待设备重新连接..."));
    QVERIFY(w.m_log->toPlainText().contains(pty.path));
    QCOMPARE(w.m_log->blockCount(), 1);
    QVERIFY(fx.session->serialReconnect.isWaiting());
}

void TestCommPage::tcpConnectsSendsAccessTextOnce()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    WindowFixture fx;
    MainWindow &w = fx.create();
    w.m_commPage->m_deviceIpEdit->setText(QStringLiteral("127.0.0.1:%1").arg(server.serverPort()));

    QTest::mouseClick(w.m_commPage->m_connectButton, Qt::LeftButton);
    QTRY_COMPARE(w.m_commPage->m_tcpStatusLabel->text(), QStringLiteral("TCP维护端口连接成功"));
    QVERIFY(server.hasPendingConnections() || server.waitForNewConnection(3000));
    QTcpSocket *peer = server.nextPendingConnection();
    QVERIFY(peer);
    QByteArray received;
    QTRY_VERIFY((received += peer->readAll()).size() >= 6);
    QCOMPARE(received, QByteArray("740319"));
    QVERIFY(fx.session->link.IsDataChannelOpen());

    // A second "连接" while connected starts nothing.
    QTest::mouseClick(w.m_commPage->m_connectButton, Qt::LeftButton);
    QTest::qWait(200);
    QVERIFY(!server.hasPendingConnections());
    QCOMPARE(w.m_commPage->m_tcpStatusLabel->text(), QStringLiteral("TCP维护端口连接成功"));

    QTest::mouseClick(w.m_commPage->m_disconnectButton, Qt::LeftButton);
    QTRY_COMPARE(w.m_commPage->m_tcpStatusLabel->text(), QStringLiteral("TCP维护端口连接失败"));
    QTRY_VERIFY(!fx.session->link.tcp().isActive());
}

void TestCommPage::tcpRefusedShowsFailure()
{
    quint16 port = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
        port = probe.serverPort();
    }
    WindowFixture fx;
    MainWindow &w = fx.create();
    w.m_commPage->m_deviceIpEdit->setText(QStringLiteral("127.0.0.1:%1").arg(port));
    w.m_commPage->connectTcp();
    QCOMPARE(w.m_commPage->m_tcpStatusLabel->text(), QStringLiteral("TCP维护端口连接中..."));
    QTRY_COMPARE(w.m_commPage->m_tcpStatusLabel->text(), QStringLiteral("TCP维护端口连接失败"));
    QVERIFY(!fx.session->link.tcp().isActive());
    QVERIFY(fx.dialogs.shown.isEmpty());
}

QTEST_MAIN(TestCommPage)
#include "tst_comm_page.moc"
