// Every injected fault of the simulator, seen from the tool's side of the pty.
#include "sim_wire.h"
#include "support/sim_process.h"

#include <QtTest>

using namespace simtest;

class TestSimFaults : public QObject {
    Q_OBJECT
private:
    bool startWith(const QStringList &extra)
    {
        m_wire.close();
        if (!m_sim.start(QStringList{QStringLiteral("--pty")} + extra))
            return false;
        return m_wire.open(m_sim.ptyPath());
    }

private slots:
    void cleanup()
    {
        m_wire.close();
        m_sim.stop();
    }

    void noiseLeadsEveryReply()
    {
        QVERIFY(startWith({QStringLiteral("--noise"), QStringLiteral("1234")}));
        const QByteArray ack = m_wire.exchange(0xE005);
        QCOMPARE(ack, QByteArray::fromHex("1234AA55000400F000F4"));
        QCOMPARE(frame::CheckAck(ack), rcOk);
        QCOMPARE(frame::CheckByteReply(m_wire.exchange(0xE023), 0xE023).value, int(rcBadHeader));
    }

    void splitRepliesArriveInTwoParts()
    {
        QVERIFY(startWith({QStringLiteral("--split"), QStringLiteral("3:300")}));
        m_wire.send(frame::Build({}, 0xE023, {}));
        const QByteArray first = m_wire.readSome(3000);
        QCOMPARE(first, QByteArray::fromHex("AA5500"));
        QElapsedTimer gap;
        gap.start();
        const QByteArray rest = m_wire.collect(3000);
        QVERIFY2(gap.elapsed() >= 250, QByteArray::number(gap.elapsed()).constData());
        QCOMPARE(frame::CheckByteReply(first + rest, 0xE023).value, 23);
    }

    void badChecksumSpoilsReplies()
    {
        QVERIFY(startWith({QStringLiteral("--bad-checksum")}));
        QCOMPARE(frame::CheckAck(m_wire.exchange(0xE005)), rcBadChecksum);
        QCOMPARE(frame::CheckByteReply(m_wire.exchange(0xE004), 0xE004).value, int(rcBadChecksum));
    }

    void silentWordsGetNoReply()
    {
        QVERIFY(startWith({QStringLiteral("--silent"), QStringLiteral("E023,0003")}));
        QCOMPARE(m_wire.exchange(frame::Build({}, 0xE023, {}), 700), QByteArray());
        QCOMPARE(m_wire.exchange(frame::Build({}, 0x0003, QByteArray::fromHex("0001")), 700), QByteArray());
        QCOMPARE(frame::CheckByteReply(m_wire.exchange(0xE004), 0xE004).value, 2);

        QVERIFY(startWith({QStringLiteral("--silent"), QStringLiteral("all")}));
        QCOMPARE(m_wire.exchange(frame::Build({}, 0xE004, {}), 700), QByteArray());
        QCOMPARE(m_wire.exchange(frame::Build({}, 0xE005, {}), 700), QByteArray());
    }

    void delayHoldsEveryReply()
    {
        QVERIFY(startWith({QStringLiteral("--delay"), QStringLiteral("400")}));
        QElapsedTimer t;
        t.start();
        QCOMPARE(frame::CheckAck(m_wire.exchange(0xE005)), rcOk);
        QVERIFY2(t.elapsed() >= 380, QByteArray::number(t.elapsed()).constData());
    }

    void garbledRepliesHaveNoHeader()
    {
        QVERIFY(startWith({QStringLiteral("--garble"), QStringLiteral("E023")}));
        const QByteArray reply = m_wire.drain(3000);
        QVERIFY(reply.isEmpty());   // nothing unasked
        m_wire.send(frame::Build({}, 0xE023, {}));
        const QByteArray garbled = m_wire.drain(3000);
        QCOMPARE(garbled.size(), 9);
        QVERIFY(!garbled.contains(QByteArray("\xAA\x55", 2)));
        QCOMPARE(frame::CheckByteReply(garbled, 0xE023).value, int(rcBadHeader));
        QCOMPARE(frame::CheckAck(m_wire.exchange(0xE005)), rcOk);
    }

    void refusedWordsAreNotCarriedOut()
    {
        QVERIFY(startWith({QStringLiteral("--refuse"), QStringLiteral("0003,E004")}));
        QCOMPARE(frame::CheckAck(m_wire.exchange(0x0003, QByteArray::fromHex("0001"))), rcRefused);
        QCOMPARE(frame::CheckAck(m_wire.exchange(0xE004, QByteArray(1, '\x05'))), rcRefused);
        const auto r = frame::CheckParamReply(m_wire.exchange(0xE001, QByteArray::fromHex("0003")), 0xE0, 0);
        QCOMPARE(r.status, frame::DataCheck::Ok);
        QCOMPARE(r.records, QByteArray::fromHex("0004000322B8"));
        QCOMPARE(frame::CheckAck(m_wire.exchange(0x0004, QByteArray::fromHex("02"))), rcOk);
    }

    void wrongCommandWordOnByteReplies()
    {
        QVERIFY(startWith({QStringLiteral("--wrong-cmd"), QStringLiteral("--state"), QStringLiteral("4"),
                           QStringLiteral("--csq"), QStringLiteral("31")}));
        const QByteArray reply = m_wire.exchange(0xE023);
        QVERIFY(frame::CheckByteReply(reply, 0xE023).wrongCommand);
        QCOMPARE(reply.mid(4, 3), QByteArray::fromHex("E0241F"));   // the value itself is right
        QVERIFY(frame::CheckByteReply(m_wire.exchange(0xE004), 0xE004).wrongCommand);
        QCOMPARE(frame::CheckAck(m_wire.exchange(0xE005)), rcOk);
    }

    void stateAndSignalStartValues()
    {
        QVERIFY(startWith({QStringLiteral("--state"), QStringLiteral("4"), QStringLiteral("--csq"), QStringLiteral("31")}));
        QCOMPARE(frame::CheckByteReply(m_wire.exchange(0xE004), 0xE004).value, 4);
        QCOMPARE(frame::CheckByteReply(m_wire.exchange(0xE023), 0xE023).value, 31);
    }

    void lineRatePacesOutput()
    {
        QVERIFY(startWith({QStringLiteral("--line-rate"), QStringLiteral("2000")}));
        const QByteArray text(600, 'x');
        QElapsedTimer t;
        t.start();
        m_wire.send(text);
        QByteArray got;
        while (got.size() < text.size() && t.elapsed() < 5000)
            got += m_wire.readSome(500);
        QCOMPARE(got, text);
        // 600 bytes at 2000 bytes/s take 0.3 s.
        QVERIFY2(t.elapsed() >= 250, QByteArray::number(t.elapsed()).constData());
    }

    void streamSendsPrintableBytesInTransparentMode()
    {
        QVERIFY(startWith({QStringLiteral("--stream"), QStringLiteral("20000"), QStringLiteral("--stream-bytes"),
                           QStringLiteral("3000")}));
        QCOMPARE(m_wire.drain(300), QByteArray());   // waits for the tool's first byte
        QElapsedTimer t;
        t.start();
        m_wire.send("!");
        const QByteArray got = m_wire.drain(2000, 400);
        QCOMPARE(got.size(), 3001);   // the echo and the stream
        for (char c : got)
            QVERIFY(c >= 0x20 && c < 0x7F);
        QVERIFY2(t.elapsed() >= 100, QByteArray::number(t.elapsed()).constData());
    }

    void hangupClosesThePortAndEnds()
    {
        QVERIFY(startWith({QStringLiteral("--hangup-after"), QStringLiteral("2")}));
        QCOMPARE(frame::CheckAck(m_wire.exchange(0xE005)), rcOk);
        QCOMPARE(frame::CheckByteReply(m_wire.exchange(0xE023), 0xE023).value, 23);
        QVERIFY(m_sim.waitForExit(3000));
        QCOMPARE(m_sim.exitCode(), 0);
        bool alive = true;
        for (int i = 0; i < 10 && alive; ++i)
            m_wire.readSome(200, &alive);
        QVERIFY(!alive);
    }

    void badArgumentsAreRejected()
    {
        QVERIFY(!m_sim.start({QStringLiteral("--pty"), QStringLiteral("--silent"), QStringLiteral("E0")}));
        QVERIFY(m_sim.errorText().contains(QLatin1String("silent")));
        QVERIFY(!m_sim.start({QStringLiteral("--split"), QStringLiteral("3:300")}));   // nothing to serve
    }

private:
    SimProcess m_sim;
    PtyWire m_wire;
};

QTEST_GUILESS_MAIN(TestSimFaults)
#include "tst_sim_faults.moc"
