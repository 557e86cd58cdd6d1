// Replies at and past the protocol's limits: a frame claiming the largest LEN, a frame that
// really is that long, and a device that never stops talking. Each wait ends, bounded.
#include "tst_exchange_rig.h"
#include "params/param_ops.h"
#include "params/param_table.h"
#include "protocol/frame.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

class TestReplyLimits : public QObject {
    Q_OBJECT
private slots:
    void frameClaimingMaxLenWithoutItsBytesFailsAsChecksum()
    {
        ExchangeRig r;
        r.state.FastReplies = true;
        const QByteArray claim = Bytes({0xAA, 0x55, 0xFF, 0xFF, 0xE0, 0x81}) + QByteArray(20, '\x01');
        r.fake.feed(claim);
        QElapsedTimer t;
        t.start();
        const QByteArray reply = r.engine.ReceiveReply(3000, ExchangeEngine::ReplyKind::Framed);
        // Waits for silence like any unfinished reply, not for bytes that never come.
        QVERIFY2(t.elapsed() < 2000, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(reply, claim);
        QCOMPARE(frame::CheckParamReply(reply, 0xE0, 0).status, frame::DataCheck::BadChecksum);
        QCOMPARE(frame::CheckAck(reply), rcBadChecksum);
        QVERIFY(!frame::CheckTextReply(reply).has_value());
        QCOMPARE(frame::FindCompleteFrame(reply), -1);
    }

    void frameOfMaxLenIsGatheredAndDecodedWhole()
    {
        ExchangeRig r;
        // Records of 4 value bytes each filling the largest payload a frame can carry.
        QByteArray records;
        const int payloadMax = 65535 - 4;
        for (int code = 1; records.size() + 8 <= payloadMax; ++code)
            records += Bytes({0x00, 0x06, (code >> 8) & 0xFF, code & 0xFF, 1, 2, 3, 4});
        const QByteArray f = frame::Build(QByteArray(), 0xE081, records);
        QVERIFY(f.size() <= 65539);
        for (int i = 0; i < f.size(); i += 4096)
            r.fake.feedAfter(10 + i / 4096, f.mid(i, 4096));
        const QByteArray reply = r.engine.ReceiveReply(3000, ExchangeEngine::ReplyKind::Framed);
        QCOMPARE(reply.size(), f.size());
        const frame::ParamReply pr = frame::CheckParamReply(reply, 0xE0, 0);
        QCOMPARE(pr.status, frame::DataCheck::Ok);
        QCOMPARE(pr.records, records);

        ParamTable table(false);
        ParamRow row;
        row.cmdId = QStringLiteral("1F40");  // record 8000
        row.onGet = QStringLiteral("hexinput");
        table.addRow(row);
        ParamTable ext(true);
        ParamOps ops(ParamContext{{r.state, r.script, r.link, r.engine}, table, ext}, nullptr);
        RecordingSink sink;
        ops.DecodeParamRecords(table, pr.records, sink);
        QCOMPARE(table.row(0).stored, QStringLiteral("HEX:01020304"));
        QCOMPARE(table.row(0).shown, QStringLiteral("01020304"));
    }

    void deviceThatNeverStopsEndsTheWaitAtTheCap()
    {
        ExchangeRig r;
        QTimer talker;
        talker.setInterval(2);
        const QByteArray chunk(8000, 'x');
        qint64 fed = 0;
        QObject::connect(&talker, &QTimer::timeout, [&] {
            r.fake.feed(chunk);
            fed += chunk.size();
        });
        // The talker falls silent after a few seconds, so a wait without its cap ends too (then
        // late and with everything), and the test tells it within its own time instead of
        // running into ctest's limit.
        constexpr int talkMs = 4000;
        QTimer::singleShot(talkMs, &talker, &QTimer::stop);
        talker.start();
        QElapsedTimer t;
        t.start();
        const QByteArray reply = r.engine.ReceiveReply(3000, ExchangeEngine::ReplyKind::Raw);
        const qint64 waited = t.elapsed();
        QVERIFY2(waited < talkMs, qPrintable(QString::number(waited)));
        QVERIFY2(reply.size() < fed, qPrintable(QStringLiteral("%1 of %2").arg(reply.size()).arg(fed)));
        // Exactly the cap: what is beyond was never taken, and stays for the receive poll.
        QCOMPARE(reply.size(), ExchangeEngine::kMaxReplyBytes);
        QVERIFY(reply.count('x') == reply.size());
        QCOMPARE(r.fake.bytesAvailable() + reply.size(), fed);
        QVERIFY(!r.engine.isBusy());
        talker.stop();
    }
};

QTEST_GUILESS_MAIN(TestReplyLimits)
#include "tst_reply_limits.moc"
