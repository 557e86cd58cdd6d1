// Fast replies end a framed wait soon after the frame: they wake on arriving bytes instead
// of sleeping whole poll steps, keep the time-out, and stay quick over a real pseudo-terminal.
#include "tst_exchange_rig.h"

#include "link/serial_channel.h"
#include "session/core_session.h"
#include "support/sim_process.h"

#include <QElapsedTimer>
#include <QtTest>
#include <algorithm>
#include <vector>

namespace {
const QByteArray kAck = Bytes({0xAA, 0x55, 0x00, 0x04, 0x00, 0xF0, 0x00, 0xF4});
constexpr auto kFramed = ExchangeEngine::ReplyKind::Framed;
} // namespace

class TestExchangeFast : public QObject {
    Q_OBJECT
private slots:
    void firstByteIsTakenWhenItArrives()
    {
        ExchangeRig r;
        r.state.FastReplies = true;
        QElapsedTimer t;
        t.start();
        r.fake.feedAfter(30, kAck);
        QCOMPARE(r.engine.ReceiveReply(3000, kFramed), kAck);
        // Not the next 100 ms poll step: the arrival itself ends the first-byte wait.
        QVERIFY2(t.elapsed() < 80, qPrintable(QString::number(t.elapsed())));
        QVERIFY(r.poll.isActive());
    }

    void firstByteWaitKeepsItsTimeOutWithoutBusyPolling()
    {
        ExchangeRig r;
        r.state.FastReplies = true;
        QElapsedTimer t;
        t.start();
        QCOMPARE(r.engine.AwaitAck(), rcNoReply);
        QVERIFY2(t.elapsed() >= 2950 && t.elapsed() < 3600, qPrintable(QString::number(t.elapsed())));
        // Woken by the clock at most once per 100 ms step, not spinning.
        QVERIFY2(r.fake.reads() <= 31, qPrintable(QString::number(r.fake.reads())));

        // A time-out under one step reads nothing at all, as the strict wait does.
        const int before = r.fake.reads();
        QVERIFY(r.engine.ReceiveReply(50, kFramed).isEmpty());
        QCOMPARE(r.fake.reads(), before);
    }

    void slowLineIsGatheredWhole()
    {
        // Bytes 3 ms apart, each gap under the 5 ms quiet gap: one reply, ended after the last.
        ExchangeRig r;
        r.state.FastReplies = true;
        r.engine.setLineRate(11520);
        for (int i = 0; i < kAck.size(); ++i)
            r.fake.feedAfter(20 + 3 * i, kAck.mid(i, 1));
        QElapsedTimer t;
        t.start();
        QCOMPARE(r.engine.ReceiveReply(3000, kFramed), kAck);
        QVERIFY2(t.elapsed() < 120, qPrintable(QString::number(t.elapsed())));
    }

    void bytesAfterACompleteFrameWithinTheGapBelongToTheReply()
    {
        // A slow line (30 bytes/s): the quiet gap grows to three character times (100 ms).
        ExchangeRig r;
        r.state.FastReplies = true;
        r.engine.setLineRate(30);
        r.fake.feedAfter(10, kAck);
        r.fake.feedAfter(60, "Z");
        QElapsedTimer t;
        t.start();
        QCOMPARE(r.engine.ReceiveReply(3000, kFramed), kAck + "Z");
        QVERIFY2(t.elapsed() >= 150 && t.elapsed() < 350, qPrintable(QString::number(t.elapsed())));
    }

    void exchangeOverAPseudoTerminalEndsSoonAfterTheReply()
    {
        SimProcess sim;
        QVERIFY2(sim.start({QStringLiteral("--pty"), QStringLiteral("--line-rate"), QStringLiteral("11520")}),
                 qPrintable(sim.errorText()));
        CoreSession s;
        QVERIFY(s.script.evaluate(QStringLiteral("function PrevCmd() { return \"\"; }")).ok);
        SerialSettings settings;
        settings.portName = sim.ptyPath();
        settings.baudRate = 115200;
        QVERIFY(s.link.serial().open(settings));
        s.engine.setLineRate(11520);
        s.state.FastReplies = true;
        std::vector<qint64> us;
        for (int i = 0; i < 15; ++i) {
            QElapsedTimer t;
            t.start();
            QCOMPARE(s.engine.SendFrame(0x0004, QByteArray::fromHex("02")), rcOk);
            QCOMPARE(s.engine.AwaitAck(), rcOk);
            us.push_back(t.nsecsElapsed() / 1000);
        }
        std::sort(us.begin(), us.end());
        // About 1.5 ms on the wire and a 5 ms quiet gap; the strict rule would take over 400 ms,
        // and a whole first-byte poll step 100 ms.
        QVERIFY2(us[us.size() / 2] < 20000, qPrintable(QString::number(us[us.size() / 2])));
        s.link.serial().close();
    }
};

QTEST_GUILESS_MAIN(TestExchangeFast)
#include "tst_exchange_fast.moc"
