// Which channel the neutral send and read use, and the TCP channel's connection rules,
// against a loopback server.
#include "link/data_link.h"
#include "link/tcp_channel.h"
#include "support/fake_channel.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {
// Gathers everything the peer of one accepted connection receives.
struct Peer {
    QTcpServer server;
    QList<QTcpSocket *> sockets;
    QByteArray received;

    bool listen()
    {
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *s = server.nextPendingConnection()) {
                sockets.append(s);
                QObject::connect(s, &QTcpSocket::readyRead, [this, s] { received.append(s->readAll()); });
            }
        });
        return server.listen(QHostAddress::LocalHost, 0);
    }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(server.serverPort()); }
};
} // namespace

class TestDataLink : public QObject {
    Q_OBJECT
private slots:
    void nothingOpenRefusesSend()
    {
        DataLink link;
        QVERIFY(!link.IsDataChannelOpen());
        QString error;
        QVERIFY(!link.ChannelSend("x", &error));
        QCOMPARE(error, QStringLiteral("Device not opened."));
        QVERIFY(link.ChannelRead().isEmpty());
        QCOMPARE(link.active(), nullptr);
    }

    void serialSideUsedWhenTcpIdle()
    {
        DataLink link;
        FakeChannel fake;
        link.setOverrideChannel(&fake);
        QVERIFY(!link.IsDataChannelOpen());
        fake.open();
        QVERIFY(link.IsDataChannelOpen());
        QVERIFY(link.ChannelSend(QByteArray("\xAA\x00\x55", 3)));
        QCOMPARE(fake.written(), QByteArray("\xAA\x00\x55", 3));
        fake.feed("abc");
        QCOMPARE(link.ChannelRead(), QByteArray("abc"));
        QVERIFY(link.ChannelRead().isEmpty());
    }

    void writeErrorReported()
    {
        DataLink link;
        FakeChannel fake;
        fake.open();
        link.setOverrideChannel(&fake);
        fake.injectWriteError(QStringLiteral("写入失败"));
        QString error;
        QVERIFY(!link.ChannelSend("x", &error));
        QCOMPARE(error, QStringLiteral("写入失败"));
    }

    void tcpWinsWhileActiveAndSerialReturnsAfter()
    {
        Peer peer;
        QVERIFY(peer.listen());
        DataLink link;
        FakeChannel fake;
        fake.open();
        link.setOverrideChannel(&fake);

        QSignalSpy connected(&link.tcp(), &TcpChannel::connected);
        link.tcp().connectTo(peer.address());
        QVERIFY(link.tcp().isActive());
        // Still connecting: nothing can go out yet, and nothing falls through to the serial side.
        QString error;
        QVERIFY(!link.ChannelSend("early", &error));
        QCOMPARE(error, TcpChannel::NotConnectedText());
        QVERIFY(connected.wait(3000));

        QVERIFY(link.ChannelSend("frame"));
        QTRY_COMPARE(peer.received, QByteArray("740319frame"));
        QVERIFY(fake.written().isEmpty());

        fake.feed("serial");
        peer.sockets.first()->write("tcp");
        QTRY_COMPARE(link.tcp().bytesAvailable(), qint64(3));
        QCOMPARE(link.ChannelRead(), QByteArray("tcp"));

        QSignalSpy disconnected(&link.tcp(), &TcpChannel::disconnected);
        link.tcp().disconnectFromHost();
        QVERIFY(!link.tcp().isActive());
        QCOMPARE(disconnected.count(), 1);
        QVERIFY(link.ChannelSend("after"));
        QCOMPARE(fake.written(), QByteArray("after"));
        QCOMPARE(link.ChannelRead(), QByteArray("serial"));
    }

    void accessTextFirstOnEveryConnectionAndNoSecondConnection()
    {
        Peer peer;
        QVERIFY(peer.listen());
        TcpChannel tcp;
        QSignalSpy connecting(&tcp, &TcpChannel::connecting);
        QSignalSpy connected(&tcp, &TcpChannel::connected);
        tcp.connectTo(peer.address());
        tcp.connectTo(peer.address());  // while connecting
        QVERIFY(connected.wait(3000));
        tcp.connectTo(peer.address());  // while connected
        QTest::qWait(100);
        QCOMPARE(peer.sockets.size(), 1);
        QCOMPARE(connecting.count(), 1);
        QTRY_COMPARE(peer.received, QByteArray("740319"));

        tcp.disconnectFromHost();
        peer.received.clear();
        tcp.connectTo(peer.address());
        QVERIFY(connected.wait(3000));
        QVERIFY(tcp.write("A"));
        QTRY_COMPARE(peer.received, QByteArray("740319A"));
        QCOMPARE(peer.sockets.size(), 2);
    }

    void failedConnectionReportsDisconnected()
    {
        quint16 port = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            port = probe.serverPort();
        }
        TcpChannel tcp;
        QSignalSpy disconnected(&tcp, &TcpChannel::disconnected);
        QSignalSpy connected(&tcp, &TcpChannel::connected);
        tcp.connectTo(QStringLiteral("127.0.0.1:%1").arg(port));
        QVERIFY(disconnected.wait(3000));
        QCOMPARE(disconnected.count(), 1);
        QCOMPARE(connected.count(), 0);
        QVERIFY(!tcp.isActive());
        QVERIFY(!tcp.errorString().isEmpty());
    }

    void peerCloseEndsTcpAndFallsBack()
    {
        Peer peer;
        QVERIFY(peer.listen());
        DataLink link;
        FakeChannel fake;
        fake.open();
        link.setOverrideChannel(&fake);
        QSignalSpy connected(&link.tcp(), &TcpChannel::connected);
        QSignalSpy disconnected(&link.tcp(), &TcpChannel::disconnected);
        link.tcp().connectTo(peer.address());
        QVERIFY(connected.wait(3000));
        QTRY_COMPARE(peer.sockets.size(), 1);
        peer.sockets.first()->close();
        QVERIFY(disconnected.wait(3000));
        QCOMPARE(link.active(), &fake);
    }

    void splitAddress()
    {
        QString host;
        quint16 port = 0;
        TcpChannel::SplitAddress(QStringLiteral("192.168.1.56"), &host, &port);
        QCOMPARE(host, QStringLiteral("192.168.1.56"));
        QCOMPARE(port, quint16(8888));
        TcpChannel::SplitAddress(QStringLiteral(" 127.0.0.1:9001 "), &host, &port);
        QCOMPARE(host, QStringLiteral("127.0.0.1"));
        QCOMPARE(port, quint16(9001));
        TcpChannel::SplitAddress(QStringLiteral("dtu.local:x"), &host, &port);
        QCOMPARE(host, QStringLiteral("dtu.local:x"));
        QCOMPARE(port, quint16(8888));
    }

    // An IPv6 address, alone or in brackets with a port, is one host: the same rule for --tcp
    // and the window's TCP box, and an IPv6 listener is reached.
    void ipv6AddressesReachAnIpv6Listener_data()
    {
        QTest::addColumn<QString>("address");  // %1: the listener's port
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");         // 0: the listener's port
        QTest::newRow("loopback alone") << "::1" << "::1" << 8888;
        QTest::newRow("full address alone") << "2001:db8::5" << "2001:db8::5" << 8888;
        QTest::newRow("brackets without port") << "[::1]" << "::1" << 8888;
        QTest::newRow("brackets with port") << "[::1]:%1" << "::1" << 0;
        QTest::newRow("brackets, blanks around") << " [::1]:%1 " << "::1" << 0;
    }
    void ipv6AddressesReachAnIpv6Listener()
    {
        QFETCH(QString, address);
        QFETCH(QString, host);
        QFETCH(int, port);
        QTcpServer server;
        if (!server.listen(QHostAddress::LocalHostIPv6, 0))
            QSKIP("no IPv6 loopback here");
        const QString text = address.contains(QLatin1String("%1")) ? address.arg(server.serverPort()) : address;
        QString gotHost;
        quint16 gotPort = 0;
        TcpChannel::SplitAddress(text, &gotHost, &gotPort);
        QCOMPARE(gotHost, host);
        QCOMPARE(int(gotPort), port ? port : int(server.serverPort()));
        if (port)
            return;
        TcpChannel channel;
        QSignalSpy connected(&channel, &TcpChannel::connected);
        channel.connectTo(text);
        QVERIFY(connected.wait(3000));
        QVERIFY(server.waitForNewConnection(1000) || server.hasPendingConnections());
    }
};

QTEST_GUILESS_MAIN(TestDataLink)
#include "tst_data_link.moc"
