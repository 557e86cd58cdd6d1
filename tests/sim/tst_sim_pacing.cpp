// The simulator's line-rate pacing: a short reply leaves within about its wire time, and a
// long one takes as long as the rate says.
#include "sim_wire.h"
#include "support/sim_process.h"

#include <QtTest>
#include <algorithm>
#include <vector>

using namespace simtest;

class TestSimPacing : public QObject {
    Q_OBJECT
private slots:
    void shortReplyArrivesNearItsWireTime()
    {
        SimProcess sim;
        QVERIFY2(sim.start({QStringLiteral("--pty"), QStringLiteral("--line-rate"), QStringLiteral("11520")}),
                 qPrintable(sim.errorText()));
        PtyWire wire;
        QVERIFY(wire.open(sim.ptyPath()));
        std::vector<qint64> us;
        for (int i = 0; i < 15; ++i) {
            QElapsedTimer t;
            t.start();
            const QByteArray ack = wire.exchange(0xE005);
            us.push_back(t.nsecsElapsed() / 1000);
            QCOMPARE(frame::CheckAck(ack), rcOk);
        }
        std::sort(us.begin(), us.end());
        // 8 bytes at 11520 bytes/s are 0.7 ms on the wire; coarse 5 ms pacing steps would show.
        QVERIFY2(us[us.size() / 2] < 4000, qPrintable(QString::number(us[us.size() / 2])));
    }

    void longOutputKeepsTheRate()
    {
        SimProcess sim;
        QVERIFY2(sim.start({QStringLiteral("--pty"), QStringLiteral("--line-rate"), QStringLiteral("20000")}),
                 qPrintable(sim.errorText()));
        PtyWire wire;
        QVERIFY(wire.open(sim.ptyPath()));
        const QByteArray text(4000, 'y');   // echoed in transparent mode: 0.2 s at the rate
        QElapsedTimer t;
        t.start();
        wire.send(text);
        QByteArray got;
        while (got.size() < text.size() && t.elapsed() < 5000)
            got += wire.readSome(500);
        const qint64 ms = t.elapsed();
        QCOMPARE(got, text);
        QVERIFY2(ms >= 180 && ms < 600, qPrintable(QString::number(ms)));
    }
};

QTEST_GUILESS_MAIN(TestSimPacing)
#include "tst_sim_pacing.moc"
