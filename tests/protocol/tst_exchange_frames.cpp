// Command words and request frames from the script, sending, and the reply checks as the
// engine's callers see them.
#include "tst_exchange_rig.h"
#include "text/hex.h"

#include <QtTest>

class TestExchangeFrames : public QObject {
    Q_OBJECT
private slots:
    void cmdWordOf_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("word");
        QTest::newRow("four digits") << "CMD_GETPARAM" << 0xE001;
        QTest::newRow("extra digits ignored") << "LONG" << 0xE001;
        QTest::newRow("three digits: single last digit") << "THREE" << 0xE00A;
        QTest::newRow("one digit, missing low pair") << "ONE" << 0x0E00;
        QTest::newRow("empty text") << "EMPTY" << 0x0000;
        QTest::newRow("unknown name gives empty") << "CMD_NOPE" << 0x0000;
    }
    void cmdWordOf()
    {
        QFETCH(QString, name);
        QFETCH(int, word);
        ExchangeRig r;
        QString error;
        const auto w = r.engine.CmdWordOf(name, &error);
        QVERIFY2(w.has_value(), qPrintable(error));
        QCOMPARE(int(*w), word);
    }

    void cmdWordOfScriptError()
    {
        ExchangeRig r;
        QString error;
        QVERIFY(!r.engine.CmdWordOf(QStringLiteral("BROKEN"), &error).has_value());
        QVERIFY(error.contains(QStringLiteral("no such command")));
    }

    void buildFrameWithoutAndWithPrefix()
    {
        ExchangeRig r;
        auto f = r.engine.BuildFrame(0xE00E, {});
        QVERIFY(f);
        QCOMPARE(*f, Bytes({0xAA, 0x55, 0x00, 0x04, 0xE0, 0x0E, 0x00, 0xF2}));
        QVERIFY(r.state.LastPrefix.isEmpty());

        r.script.evaluate(QStringLiteral("PREFIX = \"0102\";"));
        f = r.engine.BuildFrame(0xE00E, {});
        QVERIFY(f);
        QCOMPARE(*f, Bytes({0xAA, 0x55, 0x00, 0x06, 0x01, 0x02, 0xE0, 0x0E, 0x00, 0xF7}));
        QCOMPARE(r.state.LastPrefix, Bytes({0x01, 0x02}));
        QVERIFY(r.fake.writes().isEmpty());  // building does not send
    }

    void oddPrefixDropsLastDigit()
    {
        ExchangeRig r;
        r.script.evaluate(QStringLiteral("PREFIX = \"01023\";"));
        const auto f = r.engine.BuildFrame(0xE00E, {});
        QVERIFY(f);
        QCOMPARE(r.state.LastPrefix, Bytes({0x01, 0x02}));
        QCOMPARE(*f, Bytes({0xAA, 0x55, 0x00, 0x06, 0x01, 0x02, 0xE0, 0x0E, 0x00, 0xF7}));
    }

    void buildFrameWithPayload()
    {
        ExchangeRig r;
        const auto f = r.engine.BuildFrame(0x0012, Bytes({0x00, 0xFF}));
        QVERIFY(f);
        // LEN 6; sum 00+06+00+12+00+FF = 0x117
        QCOMPARE(*f, Bytes({0xAA, 0x55, 0x00, 0x06, 0x00, 0x12, 0x00, 0xFF, 0x01, 0x17}));
    }

    void prefixScriptErrorBuildsNothing()
    {
        ExchangeRig r;
        r.state.LastPrefix = "keep";
        r.script.evaluate(QStringLiteral("PrevCmd = function() { throw new Error(\"bad prefix\"); };"));
        QString error;
        QVERIFY(!r.engine.BuildFrame(0xE00E, {}, &error));
        QVERIFY(error.contains(QStringLiteral("bad prefix")));
        QCOMPARE(r.state.LastPrefix, QByteArray("keep"));
        QCOMPARE(r.engine.SendFrame(0xE00E, {}, &error), rcNotSent);
        QVERIFY(r.fake.writes().isEmpty());
    }

    void oversizedPayloadRefused()
    {
        ExchangeRig r;
        r.script.evaluate(QStringLiteral("PREFIX = \"0102\";"));
        QString error;
        QVERIFY(!r.engine.BuildFrame(0x0001, QByteArray(65530, 'x'), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(r.engine.BuildFrame(0x0001, QByteArray(65529, 'x')));
    }

    void levelOneLogsWhatGoesDown()
    {
        ExchangeRig r;
        r.state.PrivilegeLevel = 1;
        QCOMPARE(r.engine.SendFrame(0xE00E, {}), rcOk);
        QVERIFY(r.engine.SendLogged("AT\r"));
        QCOMPARE(r.log, (QStringList{QStringLiteral("下行：AA 55 00 04 E0 0E 00 F2 "),
                                     QStringLiteral("下行：41 54 0D ")}));
        QCOMPARE(r.fake.written(), Bytes({0xAA, 0x55, 0x00, 0x04, 0xE0, 0x0E, 0x00, 0xF2}) + "AT\r");

        r.state.PrivilegeLevel = 2;
        QVERIFY(r.engine.SendLogged("x"));
        QVERIFY(r.engine.BuildFrame(1, {}));
        QCOMPARE(r.log.size(), 2);
    }

    void sendWithoutChannel()
    {
        ExchangeRig r;
        r.fake.close();
        QString error;
        QCOMPARE(r.engine.SendFrame(0xE005, {}, &error), rcNotSent);
        QCOMPARE(error, QStringLiteral("Device not opened."));
        QVERIFY(!r.engine.SendLogged("x", &error));
    }

    void ackReplies_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("code");
        QTest::newRow("ok") << Bytes({0xAA, 0x55, 0x00, 0x04, 0x00, 0xF0, 0x00, 0xF4}) << int(rcOk);
        QTest::newRow("noise dropped") << Bytes({0x12, 0x34, 0xAA, 0x55, 0x00, 0x04, 0x00, 0xF0, 0x00, 0xF4})
                                       << int(rcOk);
        QTest::newRow("refused") << Bytes({0xAA, 0x55, 0x00, 0x04, 0x00, 0xF1, 0x00, 0xF5}) << int(rcRefused);
        QTest::newRow("bad sum") << Bytes({0xAA, 0x55, 0x00, 0x04, 0x00, 0xF0, 0x00, 0xF5}) << int(rcBadChecksum);
        QTest::newRow("garbage") << QByteArray("hello") << int(rcBadHeader);
    }
    void ackReplies()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, code);
        ExchangeRig r;
        r.state.FastReplies = true;  // the checks, not the timing, are under test here
        r.fake.setResponder([&](const QByteArray &) { r.fake.feedAfter(20, reply); });
        QCOMPARE(r.engine.SendFrame(0xE005, {}), rcOk);
        QCOMPARE(int(r.engine.AwaitAck()), code);
    }

    void ackQuickGivesUpAfterHalfASecond()
    {
        ExchangeRig r;
        QElapsedTimer t;
        t.start();
        QCOMPARE(r.engine.AwaitAckQuick(), rcNoReply);
        QVERIFY2(t.elapsed() >= 450 && t.elapsed() < 1500, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(r.fake.reads(), 5);
    }

    void byteReply()
    {
        ExchangeRig r;
        r.state.FastReplies = true;
        const QByteArray state2 = Bytes({0xAA, 0x55, 0x00, 0x05, 0xE0, 0x04, 0x02, 0x00, 0xEB});
        r.fake.feed(state2);
        QCOMPARE(r.engine.AwaitByteReply(0xE004, 4000).value, 2);

        r.fake.feed(Bytes({0x12}) + state2);  // no header search here
        QCOMPARE(r.engine.AwaitByteReply(0xE004, 4000).value, int(rcBadHeader));

        r.fake.feed(state2);
        const frame::ByteReply wrong = r.engine.AwaitByteReply(0xE023, 4000);
        QVERIFY(wrong.wrongCommand);
        QVERIFY(wrong.value < 0);
    }

    void textReply()
    {
        ExchangeRig r;
        r.state.FastReplies = true;
        const QByteArray text("2024-05-06 07:08:09");
        QByteArray reply = Bytes({0xAA, 0x55, 0x00, 0x17, 0xE0, 0x0E}) + text;
        const uint16_t sum = frame::Sum16(reply, 2, reply.size() - 2);
        reply += Bytes({sum >> 8, sum & 0xFF});
        r.fake.feed(reply);
        QCOMPARE(r.engine.AwaitTextReply(), std::optional<QByteArray>(text));

        reply[reply.size() - 1] = static_cast<char>(reply.at(reply.size() - 1) ^ 1);
        r.fake.feed(reply);
        QVERIFY(!r.engine.AwaitTextReply().has_value());
    }
};

QTEST_GUILESS_MAIN(TestExchangeFrames)
#include "tst_exchange_frames.moc"
