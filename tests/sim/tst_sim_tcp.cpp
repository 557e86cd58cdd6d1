// The simulator's loopback maintenance port: access text, concurrent connections, hang-up.
#include "sim_wire.h"
#include "support/sim_process.h"

#include <QtTest>

using namespace simtest;

class TestSimTcp : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { m_sim.stop(); }

    void framesCountOnlyAfterTheAccessText()
    {
        QVERIFY2(m_sim.start({QStringLiteral("--tcp"), QStringLiteral("0")}), qPrintable(m_sim.errorText()));
        QVERIFY(m_sim.tcpPort() != 0);
        QVERIFY(m_sim.ptyPath().isEmpty());
        TcpWire w;
        QVERIFY(w.connectTo(m_sim.tcpPort(), false));
        QCOMPARE(w.exchange(frame::Build({}, 0xE023, {}), 700), QByteArray());
        // The access text split across writes, garbage before it, a frame right after it.
        w.send("junk74");
        QTest::qWait(50);
        const QByteArray reply = w.exchange(QByteArray("0319") + frame::Build({}, 0xE023, {}));
        QCOMPARE(frame::CheckByteReply(reply, 0xE023).value, 23);
        // After the gate, loose bytes are echoed like on the serial line.
        QCOMPARE(w.exchange(QByteArray("hello")), QByteArray("hello"));
    }

    void connectionsShareOneDevice()
    {
        QVERIFY(m_sim.start({QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--pty")}));
        TcpWire a, b;
        QVERIFY(a.connectTo(m_sim.tcpPort()));
        QVERIFY(b.connectTo(m_sim.tcpPort()));
        QCOMPARE(frame::CheckAck(a.exchange(0x0003, QByteArray::fromHex("0102"))), rcOk);
        const auto r = frame::CheckParamReply(b.exchange(0xE001, QByteArray::fromHex("0003")), 0xE0, 0);
        QCOMPARE(r.status, frame::DataCheck::Ok);
        QCOMPARE(r.records, QByteArray::fromHex("000400030102"));
        // The serial side sees the same device.
        PtyWire p;
        QVERIFY(p.open(m_sim.ptyPath()));
        QCOMPARE(frame::CheckAck(p.exchange(0xE004, QByteArray(1, '\x03'))), rcOk);
        QCOMPARE(frame::CheckByteReply(a.exchange(0xE004), 0xE004).value, 3);
    }

    void hangupClosesTheConnectionOnly()
    {
        QVERIFY(m_sim.start({QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--hangup-after"), QStringLiteral("1")}));
        TcpWire a;
        QVERIFY(a.connectTo(m_sim.tcpPort()));
        QCOMPARE(frame::CheckAck(a.exchange(0xE005)), rcOk);
        QTRY_COMPARE_WITH_TIMEOUT(a.socket().state(), QAbstractSocket::UnconnectedState, 3000);
        QVERIFY(m_sim.isRunning());
        TcpWire b;
        QVERIFY(b.connectTo(m_sim.tcpPort()));
        QCOMPARE(frame::CheckByteReply(b.exchange(0xE023), 0xE023).value, 23);
    }

private:
    SimProcess m_sim;
};

QTEST_GUILESS_MAIN(TestSimTcp)
#include "tst_sim_tcp.moc"
