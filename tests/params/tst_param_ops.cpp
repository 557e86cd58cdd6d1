// Reading and writing parameters through the core operations, over an in-memory device.
#include "params/param_ops.h"
#include "protocol/frame.h"
#include "session/core_session.h"
#include "support/fake_channel.h"

#include <QtTest>

namespace {
QByteArray B(std::initializer_list<int> v)
{
    QByteArray o;
    for (int x : v)
        o.append(static_cast<char>(x));
    return o;
}

QByteArray Record(uint16_t code, const QByteArray &value)
{
    const int l = value.size() + 2;
    return B({l >> 8, l & 0xFF, code >> 8, code & 0xFF}) + value;
}

// A read reply: AA 55 LEN E0 81 prefix records SUM.
QByteArray ReadReply(const QByteArray &records, const QByteArray &prefix = {}, uint16_t word = 0xE081)
{
    return frame::Build(QByteArray(), word, prefix + records);
}

ParamRow Row(const QString &code, const QString &name, const QString &stored, const QString &onList = {},
             const QString &onGet = {})
{
    ParamRow r;
    r.cmdId = code;
    r.name = name;
    r.stored = stored;
    r.onList = onList;
    r.onGet = onGet;
    return r;
}
} // namespace

class TestParamOps : public QObject {
    Q_OBJECT

    std::unique_ptr<CoreSession> s;
    std::unique_ptr<FakeChannel> fake;
    RecordingSink sink;
    QList<int> selected;

    void answer(const QByteArray &reply)
    {
        fake->setResponder([this, reply](const QByteArray &) { fake->feedAfter(20, reply); });
    }

private slots:
    void init()
    {
        s = std::make_unique<CoreSession>();
        fake = std::make_unique<FakeChannel>();
        fake->open();
        s->link.setOverrideChannel(fake.get());
        s->state.FastReplies = true;
        s->state.ExtTabVisible = false;
        s->state.MainParamChannel = 1;
        s->state.ParamChannel = 1;
        s->script.evaluate(QStringLiteral(
            "var PREFIX='';function PrevCmd(){return PREFIX;}"
            "function GetCmd(n){return {CMD_GETPARAM:'E001',CMD_REPLYCONFIG:'E081'}[n]||'';}"
            "function U8(){return String(parseInt(hexinput,16));}"));
        s->mainTable.addRow(Row(QString(), QStringLiteral("基本设置"), QString()));
        s->mainTable.addRow(Row(QStringLiteral("0001"), QStringLiteral("工作模式"), QStringLiteral("HEX:00"),
                                QStringLiteral(R"([["透明","控制"],["00","01"]])")));
        s->mainTable.addRow(Row(QStringLiteral("0002"), QStringLiteral("重试次数"), QStringLiteral("HEX:03"), {},
                                QStringLiteral("U8()")));
        s->mainTable.addRow(Row(QStringLiteral("0003"), QStringLiteral("APN"), QStringLiteral("HEX:"), {},
                                QStringLiteral("GetStr()")));
        s->mainTable.addRow(Row(QStringLiteral("0004"), QStringLiteral("小写列表"), QStringLiteral("HEX:00"),
                                QStringLiteral(R"([["a","b"],["0a","0b"]])")));
        sink = RecordingSink();
    }

    void cleanup()
    {
        s.reset();
        fake.reset();
    }

    void readAppliesEveryKnownRecord()
    {
        const QByteArray records = Record(0x0001, B({0x01})) + Record(0x0099, B({0x55})) +
                                   Record(0x0002, B({0x0A})) + Record(0x0003, QByteArray("CMNET")) +
                                   Record(0x0004, B({0x0A}));
        answer(B({0x12, 0x34}) + ReadReply(records));
        QVERIFY(s->engine.isBusy() == false);
        QVERIFY(ParamOps(*s, nullptr).readMainParams(sink));
        // The request carries the read list of the coded rows.
        QCOMPARE(fake->writes().first(), frame::Build({}, 0xE001, B({0, 1, 0, 2, 0, 3, 0, 4})));
        QCOMPARE(s->mainTable.row(1).stored, QStringLiteral("HEX:01"));
        QCOMPARE(s->mainTable.row(1).shown, QStringLiteral("控制"));
        QCOMPARE(s->mainTable.row(2).shown, QStringLiteral("10"));
        QCOMPARE(s->mainTable.row(3).shown, QStringLiteral("CMNET"));
        // A list written in lower-case digits never matches: the stored value changes, the shown one does not.
        QCOMPARE(s->mainTable.row(4).stored, QStringLiteral("HEX:0A"));
        QCOMPARE(s->mainTable.row(4).shown, QString());
        QCOMPARE(sink.panel(), ParamOps::ReadDoneText());
        QCOMPARE(sink.log.last(), ParamOps::ReadDoneText());
        QCOMPARE(sink.panels.first(), ParamOps::ReadingText());
    }

    void shortAndTruncatedRecords()
    {
        // L = 2 gives an empty value; the last record runs past the area and is cut.
        const QByteArray records = Record(0x0002, QByteArray()) + B({0x00, 0x07, 0x00, 0x03}) + QByteArray("AB");
        answer(ReadReply(records));
        QVERIFY(ParamOps(*s, nullptr).readAddressedParams(sink));
        QCOMPARE(s->mainTable.row(2).stored, QStringLiteral("HEX:"));
        QCOMPARE(s->mainTable.row(3).stored, QStringLiteral("HEX:4142"));
        QCOMPARE(s->mainTable.row(3).shown, QStringLiteral("AB"));
    }

    void prefixBytesAreSkipped()
    {
        s->script.evaluate(QStringLiteral("PREFIX='0102'"));
        answer(ReadReply(Record(0x0002, B({0x07})), B({0x01, 0x02})));
        QVERIFY(ParamOps(*s, nullptr).readAddressedParams(sink));
        QCOMPARE(s->state.LastPrefix, B({0x01, 0x02}));
        QCOMPARE(s->mainTable.row(2).shown, QStringLiteral("7"));
    }

    void rowsThatCannotBeShownAreSaidAndDoNotStopTheReply()
    {
        s->mainTable.setStoredAndShown(1, QStringLiteral("HEX:00"), QStringLiteral("透明"));
        ParamRow broken = s->mainTable.row(1);
        broken.onList = QStringLiteral("[[\"x\"],[\"00\",\"01\"]]");
        s->mainTable.clear();
        s->mainTable.addRow(broken);
        s->mainTable.addRow(Row(QStringLiteral("0002"), QStringLiteral("重试次数"), QStringLiteral("HEX:03"), {},
                                QStringLiteral("U8()")));
        // A conversion that throws on what the device sent.
        s->script.evaluate(QStringLiteral("function Picky(){ if (hexinput != '00') throw new RangeError('not 00'); return 'ok'; }"));
        s->mainTable.addRow(Row(QStringLiteral("0005"), QStringLiteral("挑剔"), QStringLiteral("HEX:00"), {},
                                QStringLiteral("Picky()")));
        answer(ReadReply(Record(0x0001, B({0x01})) + Record(0x0005, B({0x07})) + Record(0x0002, B({0x09}))));
        QVERIFY(ParamOps(*s, nullptr).readAddressedParams(sink));
        QCOMPARE(s->mainTable.row(0).shown, QStringLiteral("透明"));
        QCOMPARE(s->mainTable.row(1).shown, QStringLiteral("9"));
        QCOMPARE(s->mainTable.row(2).stored, QStringLiteral("HEX:07"));
        QCOMPARE(sink.log.size(), 3);
        QVERIFY(sink.log.first().contains(QStringLiteral("0001")));
        QVERIFY2(sink.log[1].contains(QStringLiteral("0005")) && sink.log[1].contains(QStringLiteral("RangeError: not 00")),
                 qPrintable(sink.log[1]));
    }

    // A conversion that never ends holds a read of many rows for two time limits, not one per row.
    void aConversionThatNeverEndsDoesNotHoldTheReadPerRow()
    {
        s->script.setWatchdogMs(300);
        s->script.evaluate(QStringLiteral("function Stuck(){ for (;;) {} }"));
        s->mainTable.clear();
        QByteArray records;
        for (int i = 1; i <= 12; ++i) {
            const QString code = QStringLiteral("%1").arg(i, 4, 16, QLatin1Char('0')).toUpper();
            s->mainTable.addRow(Row(code, QStringLiteral("卡住%1").arg(i), QStringLiteral("HEX:00"), {}, QStringLiteral("Stuck()")));
            records += Record(static_cast<uint16_t>(i), B({i}));
        }
        answer(ReadReply(records));
        QElapsedTimer t;
        t.start();
        QVERIFY(ParamOps(*s, nullptr).readAddressedParams(sink));
        QVERIFY2(t.elapsed() < 2500, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(s->mainTable.row(11).stored, QStringLiteral("HEX:0C"));
        QCOMPARE(sink.log.size(), 13);  // one line per row, then the read's end
    }

    void readFailuresKeepTheirText_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("text");
        QByteArray badSum = ReadReply(Record(0x0002, B({1})));
        badSum[badSum.size() - 1] = static_cast<char>(badSum.at(badSum.size() - 1) ^ 0x01);
        QTest::newRow("garbled") << QByteArray("hello") << "[参数读取失败，返回数据包头非法！]";
        QTest::newRow("command") << ReadReply(Record(0x0002, B({1})), {}, 0xE181)
                                 << "[参数读取失败，返回数据包命令字非法！]";
        QTest::newRow("checksum") << badSum << "[参数读取失败，返回数据包校验错！]";
    }
    void readFailuresKeepTheirText()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, text);
        answer(reply);
        QVERIFY(!ParamOps(*s, nullptr).readAddressedParams(sink));
        QCOMPARE(sink.panel(), text);
        QCOMPARE(sink.log, QStringList{text});
        QCOMPARE(s->mainTable.row(2).stored, QStringLiteral("HEX:03"));
    }

    void silentDeviceIsNoReply()
    {
        QElapsedTimer t;
        t.start();
        QVERIFY(!ParamOps(*s, nullptr).readAddressedParams(sink));
        QVERIFY(t.elapsed() >= 2900);
        QCOMPARE(sink.panel(), QStringLiteral("[参数读取失败，设备无响应！]"));
    }

    void passwordAcceptedLeavesTheProgressText()
    {
        s->state.PasswordAccepted = true;
        answer(ReadReply(Record(0x0002, B({1}))));
        QVERIFY(ParamOps(*s, nullptr).readAddressedParams(sink));
        QCOMPARE(sink.panel(), ParamOps::ReadingText());
        QCOMPARE(sink.log.last(), ParamOps::ReadDoneText());
    }

    void noChannelIsOneMessage()
    {
        s->link.setOverrideChannel(nullptr);
        QVERIFY(!ParamOps(*s, nullptr).readMainParams(sink));
        s->mainTable.setSelectedRow(2);
        ParamOps(*s, nullptr).writeSelectedParam(sink);
        ParamOps(*s, nullptr).writeAllParams(sink);
        QCOMPARE(sink.messages.size(), 3);
        QVERIFY(sink.log.isEmpty());
    }

    void writeSendsCodeAndStoredValue_data()
    {
        QTest::addColumn<QByteArray>("ack");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("cleared");
        QTest::newRow("ok") << frame::Build({}, 0x00F0, {}) << "[参数设置成功]" << false;
        QTest::newRow("refused") << frame::Build({}, 0x00F1, {}) << "[参数设置失败]" << false;
        QTest::newRow("garbled") << QByteArray("xyz") << "[参数设置失败，输入了非法内容！]" << true;
        QByteArray bad = frame::Build({}, 0x00F0, {});
        bad[7] = 0;
        QTest::newRow("checksum") << bad << "[参数设置失败，返回帧校验错误！]" << false;
    }
    void writeSendsCodeAndStoredValue()
    {
        QFETCH(QByteArray, ack);
        QFETCH(QString, text);
        QFETCH(bool, cleared);
        int clears = 0;
        struct Sink : RecordingSink {
            int *clears;
            void clearEditorText() override { ++*clears; }
        } sink2;
        sink2.clears = &clears;
        s->mainTable.setStoredAndShown(2, QStringLiteral("HEX:0A0B"), QStringLiteral("2571"));
        s->mainTable.setSelectedRow(2);
        answer(ack);
        ParamOps(*s, nullptr).writeSelectedParam(sink2);
        QCOMPARE(fake->writes().first(), frame::Build({}, 0x0002, B({0x0A, 0x0B})));
        QCOMPARE(sink2.log.first(), QStringLiteral("设置参数：重试次数=2571"));
        QCOMPARE(sink2.panels.first(), ParamOps::WritingText());
        QCOMPARE(sink2.panel(), text);
        QCOMPARE(sink2.log.last(), text);
        QCOMPARE(clears, cleared ? 1 : 0);
    }

    void emptyShownValueAndEmptyPayload()
    {
        s->mainTable.setSelectedRow(3);
        answer(frame::Build({}, 0x00F0, {}));
        QCOMPARE(ParamOps(*s, nullptr).writeSelectedParam(sink), int(rcOk));
        QCOMPARE(sink.log.first(), QStringLiteral("设置参数：APN=(空)"));
        QCOMPARE(fake->writes().first(), frame::Build({}, 0x0003, {}));
    }

    void protectedRowAndHeadingAreNotWritten()
    {
        s->mainTable.addRow(Row(QStringLiteral("0091"), QStringLiteral("保留"), QStringLiteral("HEX:01")));
        s->mainTable.setSelectedRow(5);
        ParamOps(*s, nullptr).writeSelectedParam(sink);
        s->mainTable.setSelectedRow(0);
        ParamOps(*s, nullptr).writeSelectedParam(sink);
        QVERIFY(fake->writes().isEmpty());
        QVERIFY(sink.log.isEmpty());
        QVERIFY(sink.panels.isEmpty());
        s->state.PrivilegeLevel = 2;
        s->mainTable.setSelectedRow(5);
        answer(frame::Build({}, 0x00F0, {}));
        QCOMPARE(ParamOps(*s, nullptr).writeSelectedParam(sink), int(rcOk));
        QCOMPARE(fake->writes().first(), frame::Build({}, 0x0091, B({0x01})));
    }

    void batchWriteSummarises()
    {
        s->mainTable.addRow(Row(QStringLiteral("0091"), QStringLiteral("保留"), QStringLiteral("HEX:01")));
        int n = 0;
        fake->setResponder([this, &n](const QByteArray &) {
            // The second write is refused, the rest accepted.
            fake->feedAfter(10, frame::Build({}, ++n == 2 ? 0x00F1 : 0x00F0, {}));
        });
        const ParamOps::BatchResult b = ParamOps(*s, nullptr).writeAllParams(sink);
        QCOMPARE(b.written, 3);
        QCOMPARE(b.failed, 1);
        QCOMPARE(b.skipped, 1);
        QCOMPARE(fake->writes().size(), 4);
        QCOMPARE(sink.selections, QList<int>({1, 2, 3, 4, 5}));
        QVERIFY(sink.panels.contains(ParamOps::WritingText() + QStringLiteral(" 2/5")));
        QCOMPARE(sink.log.last(), QStringLiteral("批量写参数结束：共5项，成功3项，失败1项，跳过1项"));
    }

    void ipText()
    {
        QCOMPARE(IpTextToBytes(QStringLiteral("192.168.1.10")), B({0xC0, 0xA8, 0x01, 0x0A}));
        QCOMPARE(IpTextToBytes(QStringLiteral("1.2.3")), QByteArray());
        QCOMPARE(IpTextToBytes(QStringLiteral("1.2.3.256")), QByteArray());
        QCOMPARE(IpTextToBytes(QStringLiteral("1.2.3.4.5")), QByteArray());
        QCOMPARE(IpTextToBytes(QStringLiteral("a.2.3.4")), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestParamOps)
#include "tst_param_ops.moc"
