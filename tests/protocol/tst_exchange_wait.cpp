// The reply wait: its timing, the receive poll switched off around it, closing the window,
// fast replies, and one exchange at a time.
#include "tst_exchange_rig.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

namespace {
const QByteArray kAck = Bytes({0xAA, 0x55, 0x00, 0x04, 0x00, 0xF0, 0x00, 0xF4});
}

class TestExchangeWait : public QObject {
    Q_OBJECT
private slots:
    void splitReplyWithShortGapsIsOneReply()
    {
        ExchangeRig r;
        r.fake.feedAfter(50, "AB");
        r.fake.feedAfter(350, "CD");  // 300 ms gap
        r.fake.feedAfter(650, "EF");
        QCOMPARE(r.engine.ReceiveReply(3000), QByteArray("ABCDEF"));
    }

    void longGapEndsTheReply()
    {
        ExchangeRig r;
        QElapsedTimer t;
        r.fake.feedAfter(50, "AB");
        r.fake.feedAfter(750, "CD");  // 700 ms gap
        t.start();
        QCOMPARE(r.engine.ReceiveReply(3000), QByteArray("AB"));
        QTRY_COMPARE(r.fake.bytesAvailable(), qint64(2));  // left for whoever reads next
        QVERIFY(t.elapsed() < 1000);
    }

    void replyHandedOverAboutFourHundredMsAfterLastByte()
    {
        ExchangeRig r;
        r.fake.feed(kAck);
        QElapsedTimer t;
        t.start();
        QCOMPARE(r.engine.ReceiveReply(3000), kAck);
        QVERIFY2(t.elapsed() >= 400 && t.elapsed() < 900, qPrintable(QString::number(t.elapsed())));
    }

    void silenceGivesEmptyAfterTheTimeout()
    {
        ExchangeRig r;
        QElapsedTimer t;
        t.start();
        QVERIFY(r.engine.ReceiveReply(1000).isEmpty());
        QVERIFY2(t.elapsed() >= 950 && t.elapsed() < 2000, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(r.fake.reads(), 10);
        QCOMPARE(r.engine.AwaitAck(), rcNoReply);  // 3000 ms
        QCOMPARE(r.fake.reads(), 40);
    }

    void closeEndsTheWaitAtOnce()
    {
        ExchangeRig r;
        QTimer::singleShot(200, &r.state, [&] { r.state.requestClose(); });
        QElapsedTimer t;
        t.start();
        QVERIFY(r.engine.ReceiveReply(10000).isEmpty());
        QVERIFY2(t.elapsed() < 400, qPrintable(QString::number(t.elapsed())));
        // Later waits do not wait at all.
        t.restart();
        QCOMPARE(r.engine.AwaitAck(), rcNoReply);
        QVERIFY(t.elapsed() < 100);
    }

    void closeDuringGatheringReturnsWhatCame()
    {
        ExchangeRig r;
        r.fake.feed("AB");
        QTimer::singleShot(100, &r.state, [&] { r.state.requestClose(); });
        QElapsedTimer t;
        t.start();
        QCOMPARE(r.engine.ReceiveReply(3000), QByteArray("AB"));
        QVERIFY(t.elapsed() < 300);
    }

    void pollIsOffDuringTheWaitAndOnAfter()
    {
        ExchangeRig r;
        QVERIFY(!r.poll.isActive());  // never enabled before the wait
        QList<bool> seen;
        QTimer::singleShot(150, &r.state, [&] { seen << r.poll.isActive(); });
        QTimer::singleShot(160, &r.fake, [&] { r.fake.feed(kAck); });
        QCOMPARE(r.engine.ReceiveReply(3000), kAck);
        QCOMPARE(seen, QList<bool>{false});
        QVERIFY(r.poll.isActive());

        // Running poll: it stays off for the whole wait, so the reply is not shown elsewhere.
        QSignalSpy shown(&r.poll, &ReceivePoll::transparentLine);
        r.fake.feedAfter(250, kAck);
        QCOMPARE(r.engine.ReceiveReply(3000), kAck);
        QCOMPARE(shown.count(), 0);
        QVERIFY(r.poll.isActive());
    }

    void restartingThePollDuringTheWaitTakesNothing()
    {
        ExchangeRig r;
        r.poll.start();
        QSignalSpy shown(&r.poll, &ReceivePoll::transparentLine);
        QSignalSpy counted(&r.poll, &ReceivePoll::countersChanged);
        QList<bool> activeDuring;
        // The window switches the poll on whenever it is activated, and a timer may be restarted
        // directly: neither may read while the reply is awaited.
        QTimer::singleShot(100, &r.state, [&] {
            r.poll.start();
            activeDuring << r.poll.isActive();
        });
        QTimer::singleShot(150, &r.state, [&] { r.poll.timer().start(); });
        QTimer::singleShot(200, &r.fake, [&] { r.fake.feed(kAck.left(3)); });
        QTimer::singleShot(330, &r.state, [&] {
            r.poll.pollOnce();
            activeDuring << r.poll.isActive();
        });
        QTimer::singleShot(360, &r.fake, [&] { r.fake.feed(kAck.mid(3)); });
        QCOMPARE(r.engine.ReceiveReply(3000), kAck);
        QCOMPARE(activeDuring, (QList<bool>{false, false}));
        QCOMPARE(shown.count(), 0);
        QCOMPARE(counted.count(), 0);
        QVERIFY(!r.poll.isHeld());
        QVERIFY(r.poll.isActive());

        // Outside a wait the poll reads again.
        r.fake.feed("late");
        QVERIFY(shown.wait(1000));
    }

    void levelOneLogsTheReply()
    {
        ExchangeRig r;
        r.state.PrivilegeLevel = 1;
        r.state.FastReplies = true;
        r.fake.feed(kAck);
        QCOMPARE(r.engine.AwaitAck(), rcOk);
        QCOMPARE(r.log, QStringList{QStringLiteral("上行：AA 55 00 04 00 F0 00 F4 ")});
        QVERIFY(r.engine.ReceiveReply(200).isEmpty());
        QCOMPARE(r.log.size(), 1);  // nothing came, nothing logged
    }

    void fastRepliesEndSoonAfterACompleteFrame()
    {
        ExchangeRig r;
        r.state.FastReplies = true;
        r.engine.setLineRate(11520);
        QElapsedTimer t;
        qint64 lastByteAt = -1;
        // Noise, then the frame in two pieces: the first piece alone must not end the wait.
        QTimer::singleShot(50, &r.fake, [&] { r.fake.feed(Bytes({0x12}) + kAck.left(4)); });
        QTimer::singleShot(150, &r.fake, [&] {
            r.fake.feed(kAck.mid(4));
            lastByteAt = t.elapsed();
        });
        t.start();
        const QByteArray reply = r.engine.ReceiveReply(3000, ExchangeEngine::ReplyKind::Framed);
        const qint64 after = t.elapsed() - lastByteAt;
        QCOMPARE(reply, Bytes({0x12}) + kAck);
        QVERIFY2(lastByteAt >= 0 && after < 50, qPrintable(QString::number(after)));
    }

    void strictRuleWithoutFastRepliesOrForRawReplies()
    {
        for (const bool fast : {false, true}) {
            ExchangeRig r;
            r.state.FastReplies = fast;
            const auto kind = fast ? ExchangeEngine::ReplyKind::Raw : ExchangeEngine::ReplyKind::Framed;
            r.fake.feed(kAck);
            QElapsedTimer t;
            t.start();
            QCOMPARE(r.engine.ReceiveReply(3000, kind), kAck);
            QVERIFY2(t.elapsed() >= 400, qPrintable(QString::number(t.elapsed())));
        }
    }

    void fastRepliesStillEndOnSilenceForBrokenFrames()
    {
        ExchangeRig r;
        r.state.FastReplies = true;
        r.fake.feed(kAck.left(6));  // never completes
        QElapsedTimer t;
        t.start();
        QCOMPARE(r.engine.ReceiveReply(3000, ExchangeEngine::ReplyKind::Framed), kAck.left(6));
        QVERIFY2(t.elapsed() >= 400 && t.elapsed() < 900, qPrintable(QString::number(t.elapsed())));
    }

    void readErrorEndsTheWait()
    {
        ExchangeRig r;
        QTimer::singleShot(150, &r.fake, [&] { r.fake.injectReadError(QStringLiteral("gone")); });
        QElapsedTimer t;
        t.start();
        QVERIFY(r.engine.ReceiveReply(5000).isEmpty());
        QVERIFY(t.elapsed() < 600);
        QVERIFY(r.poll.isActive());

        // A channel that closes during gathering ends the wait too, keeping what came.
        r.fake.open();
        r.fake.feed("AB");
        QTimer::singleShot(60, &r.fake, [&] { r.fake.close(); });
        t.restart();
        QCOMPARE(r.engine.ReceiveReply(5000), QByteArray("AB"));
        QVERIFY(t.elapsed() < 300);
    }

    void oneExchangeAtATime()
    {
        ExchangeRig r;
        QSignalSpy busy(&r.engine, &ExchangeEngine::busyChanged);
        {
            ExchangeEngine::Guard outer(r.engine);
            QVERIFY(outer.ok());
            QVERIFY(r.engine.isBusy());
            ExchangeEngine::Guard inner(r.engine);
            QVERIFY(!inner.ok());
        }
        QVERIFY(!r.engine.isBusy());
        QCOMPARE(busy.count(), 2);

        // A bare wait marks the engine busy too, and a nested wait takes nothing.
        bool innerRefused = false;
        QByteArray nested = "unset";
        qint64 nestedMs = -1;
        int readsBefore = 0, readsAfter = 0;
        QTimer::singleShot(50, &r.fake, [&] { r.fake.feed("AB"); });
        QTimer::singleShot(250, &r.state, [&] {
            ExchangeEngine::Guard g(r.engine);
            innerRefused = !g.ok();
            r.fake.feed("CD");
            readsBefore = r.fake.reads();
            QElapsedTimer t;
            t.start();
            nested = r.engine.ReceiveReply(3000);
            nestedMs = t.elapsed();
            readsAfter = r.fake.reads();
        });
        QCOMPARE(r.engine.ReceiveReply(3000), QByteArray("ABCD"));
        QVERIFY(innerRefused);
        QVERIFY(nested.isEmpty());
        QVERIFY(nestedMs >= 0 && nestedMs < 50);
        QCOMPARE(readsAfter, readsBefore);
        QVERIFY(!r.engine.isBusy());
    }
};

QTEST_GUILESS_MAIN(TestExchangeWait)
#include "tst_exchange_wait.moc"
