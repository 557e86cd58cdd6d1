// The receive poll outside exchanges: display line, routing by work mode, counters, the
// level-1 frame log and the loss of the serial port on a read error.
#include "link/data_link.h"
#include "link/receive_poll.h"
#include "state/app_state.h"
#include "support/fake_channel.h"

#include <QRegularExpression>
#include <QtTest>

class TestReceivePoll : public QObject {
    Q_OBJECT

    struct Rig {
        AppState state;
        DataLink link;
        FakeChannel fake;
        ReceivePoll poll{state, link};
        QStringList log;
        QStringList lines;
        QList<QByteArray> chunks;
        QStringList counters;
        Rig()
        {
            fake.open();
            link.setOverrideChannel(&fake);
            QObject::connect(&state, &AppState::logAppended, [this](const QString &l) { log << l; });
            QObject::connect(&poll, &ReceivePoll::transparentLine, [this](const QString &l) { lines << l; });
            QObject::connect(&poll, &ReceivePoll::modemChunk, [this](const QByteArray &b) { chunks << b; });
            QObject::connect(&poll, &ReceivePoll::countersChanged, [this](const QString &t) { counters << t; });
        }
    };

private slots:
    void lineGetShowsNulAsOneAndCountsIt()
    {
        AppState state;
        state.ReceivedBytes = 10;
        TLineGet get(state);
        get.append(QByteArray("\x41\x00\x42", 3));
        const QString plain = get.flush(false);
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d 收到数据：A\\x{01}B$")).match(plain).hasMatch(),
                 qPrintable(plain));
        QCOMPARE(state.ReceivedBytes, 13);

        get.append(QByteArray("\x41\x00\x42", 3));
        const QString hex = get.flush(true);
        QVERIFY2(hex.endsWith(QStringLiteral(" 收到数据：{41 00 42 }A") + QChar(1) + QLatin1Char('B')), qPrintable(hex));
        QCOMPARE(state.ReceivedBytes, 16);
        // The buffer is empty after a flush.
        QVERIFY(get.flush(false).endsWith(QStringLiteral("收到数据：")));
        QCOMPARE(state.ReceivedBytes, 16);
    }

    void lineGetDecodesGbk()
    {
        AppState state;
        TLineGet get(state);
        get.append(QByteArray("\xC4\xE3\xBA\xC3"));  // 你好 in GBK
        QVERIFY(get.flush(false).endsWith(QStringLiteral("你好")));
        QCOMPARE(state.ReceivedBytes, 4);
    }

    void timerSetup()
    {
        Rig r;
        QCOMPARE(r.poll.timer().objectName(), QStringLiteral("Timer1"));
        QCOMPARE(r.poll.timer().interval(), 100);
        QVERIFY(!r.poll.isActive());
    }

    void transparentModeShowsLineAndCounts()
    {
        Rig r;
        r.state.SentBytes = 36;
        r.poll.setHexMode(true);
        r.fake.feed("Hi");
        r.poll.pollOnce();
        QCOMPARE(r.lines.size(), 1);
        QVERIFY(r.lines.first().endsWith(QStringLiteral("{48 69 }Hi")));
        QVERIFY(r.chunks.isEmpty());
        QCOMPARE(r.counters, QStringList{QStringLiteral("收：2字节，发:36字节")});
        QVERIFY(r.log.isEmpty());  // level 0 logs no traffic
    }

    void controlModeConsumesSilently()
    {
        Rig r;
        r.state.WorkMode = 1;
        r.fake.feed("xyz");
        r.poll.pollOnce();
        QVERIFY(r.lines.isEmpty());
        QVERIFY(r.chunks.isEmpty());
        QCOMPARE(r.state.ReceivedBytes, 0);
        QCOMPARE(r.fake.bytesAvailable(), qint64(0));
        QCOMPARE(r.counters.size(), 1);
    }

    void modemModeForwardsRawChunk()
    {
        Rig r;
        r.state.WorkMode = 2;
        r.fake.feed(QByteArray("\r\nOK\r\n\x00", 7));
        r.poll.pollOnce();
        QCOMPARE(r.chunks, QList<QByteArray>{QByteArray("\r\nOK\r\n\x00", 7)});
        QVERIFY(r.lines.isEmpty());
    }

    void levelOneLogsEveryChunkInHex()
    {
        Rig r;
        r.state.PrivilegeLevel = 1;
        r.state.WorkMode = 1;
        r.fake.feed(QByteArray("\xAA\x55\x00", 3));
        r.poll.pollOnce();
        QCOMPARE(r.log, QStringList{QStringLiteral("上行：AA 55 00 ")});
        r.state.PrivilegeLevel = 2;
        r.fake.feed("z");
        r.poll.pollOnce();
        QCOMPARE(r.log.size(), 1);
    }

    void emptyPollStillRefreshesCounters()
    {
        Rig r;
        r.poll.pollOnce();
        QCOMPARE(r.counters, QStringList{QStringLiteral("收：0字节，发:0字节")});
        QVERIFY(r.lines.isEmpty());
    }

    void noChannelDoesNothing()
    {
        Rig r;
        r.fake.close();
        r.poll.pollOnce();
        QVERIFY(r.counters.isEmpty());
        QCOMPARE(r.fake.reads(), 0);
    }

    void readErrorClosesSerialAndReportsIt()
    {
        Rig r;
        QSignalSpy lost(&r.poll, &ReceivePoll::serialLost);
        r.fake.feed("last");
        r.fake.injectReadError(QStringLiteral("设备已断开"));
        r.poll.pollOnce();
        QVERIFY(!r.fake.isOpen());
        QCOMPARE(lost.count(), 1);
        QCOMPARE(lost.first().first().toString(), QStringLiteral("设备已断开"));
        // What arrived before the error is still shown, and the counters refreshed.
        QCOMPARE(r.lines.size(), 1);
        QCOMPARE(r.counters.size(), 1);
        r.poll.pollOnce();
        QCOMPARE(lost.count(), 1);
    }

    void timerDrivesThePoll()
    {
        Rig r;
        r.poll.start();
        r.fake.feed("tick");
        QTRY_COMPARE(r.lines.size(), 1);
        QCOMPARE(r.state.ReceivedBytes, 4);
    }
};

QTEST_GUILESS_MAIN(TestReceivePoll)
#include "tst_receive_poll.moc"
