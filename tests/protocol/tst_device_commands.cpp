// Device control commands against an in-memory device: the frames sent, the result codes and
// every text each operation shows.
#include "link/tcp_channel.h"
#include "protocol/device_commands.h"
#include "protocol/result_texts.h"
#include "session/core_session.h"
#include "support/fake_channel.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {
QByteArray B(const char *hex) { return QByteArray::fromHex(QByteArray(hex)); }

const char *kScript =
    "var PREFIX = \"\";"
    "function PrevCmd() { return PREFIX; }"
    "function GetCmd(name) {"
    "  var words = { CMD_GETPARAM: \"E001\", CMD_REPLYCONFIG: \"E081\", CMD_GETDTUVER: \"E003\","
    "                CMD_GETSTATUS: \"E004\", CMD_RESET: \"E005\", CMD_SETDEFAULT: \"E006\" };"
    "  return words[name] || \"\";"
    "}";

QByteArray ack(uint16_t word) { return frame::Build(QByteArray(), word, QByteArray()); }

// A reply whose checksum is wrong but which carries a whole valid frame inside, so the wait
// ends at once instead of after the silence time.
QByteArray badSumAround(uint16_t word, const QByteArray &inner)
{
    QByteArray f = frame::Build(QByteArray(), word, inner);
    f[f.size() - 1] = static_cast<char>(f[f.size() - 1] ^ 0x01);
    return f;
}

// Replies that give each result code to an acknowledgement wait.
QByteArray ackReplyFor(int code)
{
    switch (code) {
    case rcOk: return ack(0x00F0);
    case rcRefused: return ack(0x00F1);
    case rcNoReply: return frame::Build(QByteArray(), 0x00F0, B("01"));  // well formed, LEN 5
    case rcBadHeader: return ack(0x1234);                                // LEN 4, unknown word
    case rcBadChecksum: return badSumAround(0x00F0, ack(0x00F0));
    }
    return QByteArray();
}

// Replies that give each result to a one-byte wait expecting `word`.
QByteArray byteReplyFor(uint16_t word, int result)
{
    switch (result) {
    case rcNoReply: return frame::Build(QByteArray(), word, B("02")) + B("00");  // one byte too many
    case rcBadHeader: return B("12") + frame::Build(QByteArray(), word, B("02"));
    case rcBadChecksum: return badSumAround(word, frame::Build(QByteArray(), word, B("02")));
    default: return frame::Build(QByteArray(), word, QByteArray(1, static_cast<char>(result)));
    }
}
} // namespace

class TestDeviceCommands : public QObject {
    Q_OBJECT

    std::unique_ptr<CoreSession> s;
    std::unique_ptr<FakeChannel> dev;
    std::unique_ptr<DeviceCommands> cmds;

    // The device answers every frame with `reply`.
    void answer(const QByteArray &reply)
    {
        dev->setResponder([this, reply](const QByteArray &) { dev->feed(reply); });
    }

private slots:
    void init()
    {
        s = std::make_unique<CoreSession>();
        dev = std::make_unique<FakeChannel>();
        dev->open();
        s->link.setOverrideChannel(dev.get());
        s->state.FastReplies = true;
        QVERIFY(s->script.evaluate(QString::fromUtf8(kScript)).ok);
        cmds = std::make_unique<DeviceCommands>(*s);
    }
    void cleanup()
    {
        cmds.reset();
        s->link.setOverrideChannel(nullptr);
        dev.reset();
        s.reset();
    }

    void resultTextTables()
    {
        const QStringList reset = {"[复位设备成功]", "[复位设备失败]", "[复位设备失败，设备无响应！]",
                                   "[复位设备失败，非法的返回串！]", "[复位设备失败，返回帧校验错误！]"};
        const QStringList stateSet = {"[状态设置成功]", "[状态设置失败]", "[状态设置失败，设备无响应！]",
                                      "[状态设置失败，参数错误！]", "[状态设置失败，返回帧校验错误！]"};
        const QStringList clockSet = {"[设备时钟设置成功]", "[设备时钟设置失败]", "[设备时钟设置失败，设备无响应！]",
                                      "[设备时钟设置失败，参数错误！]", "[设备时钟设置失败，返回帧校验错误！]"};
        const QStringList mode = {"[工作模式切换成功]", "[工作模式切换失败]", "[工作模式切换失败，设备无响应！]",
                                  "[工作模式切换失败，非法的返回串！]", "[工作模式切换失败，返回帧校验错误！]"};
        const QStringList defaults = {"[参数设置成功]", "[参数设置失败]", "[参数设置失败，设备无响应！]",
                                      "[参数设置失败，非法的返回串！]", "[参数设置失败，返回帧校验错误！]"};
        for (int code = 0; code >= -4; --code) {
            QCOMPARE(ResetResultText(code), reset[-code]);
            QCOMPARE(StateSetResultText(code), stateSet[-code]);
            QCOMPARE(ClockSetResultText(code), clockSet[-code]);
            QCOMPARE(WorkModeResultText(code), mode[-code]);
            QCOMPARE(FactoryDefaultsResultText(code), defaults[-code]);
        }
        for (int other : {1, -5, int(rcNotSent)}) {
            QVERIFY(ResetResultText(other).isEmpty());
            QVERIFY(FactoryDefaultsResultText(other).isEmpty());
        }
    }

    void ackCommands_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("frameSent");
        const QByteArray clock("2024-01-02 03:04:05");
        for (int code = 0; code >= -4; --code) {
            const QByteArray c = QByteArray::number(code);
            QTest::newRow("reset " + c) << "reset" << code << frame::Build({}, 0xE005, {});
            QTest::newRow("setState " + c) << "setState" << code << frame::Build({}, 0xE004, B("05"));
            QTest::newRow("setClock " + c) << "setClock" << code << frame::Build({}, 0xE00D, clock);
            QTest::newRow("defaults " + c) << "defaults" << code << frame::Build({}, 0xE006, {});
        }
    }
    void ackCommands()
    {
        QFETCH(QString, op);
        QFETCH(int, code);
        QFETCH(QByteArray, frameSent);
        answer(ackReplyFor(code));
        s->state.WorkMode = 1;
        OpOutcome out;
        if (op == "reset") {
            out = cmds->Reset();
            QCOMPARE(out.panelText, ResetResultText(code));
            QCOMPARE(out.logLines, QStringList{out.panelText});
            QCOMPARE(int(s->state.WorkMode), 0);
        } else if (op == "setState") {
            out = cmds->SetState(2);
            QCOMPARE(out.panelText, StateSetResultText(code));
            QCOMPARE(out.logLines, QStringList{out.panelText});
        } else if (op == "setClock") {
            out = cmds->SetClock(QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)));
            QCOMPARE(out.panelText, ClockSetResultText(code));
            QCOMPARE(out.stateLogLines, (QStringList{"设置设备时钟=2024-01-02 03:04:05", out.panelText}));
            QVERIFY(out.logLines.isEmpty());
        } else {
            out = cmds->RestoreFactoryDefaults();
            QCOMPARE(out.panelText, FactoryDefaultsResultText(code));
            QCOMPARE(out.logLines, QStringList{out.panelText});
            QCOMPARE(int(s->state.WorkMode), 1);
        }
        QCOMPARE(out.code, code);
        QVERIFY(!out.panelText.isEmpty());
        QVERIFY(out.errorText.isEmpty());
        QCOMPARE(dev->writes(), QList<QByteArray>{frameSent});
    }

    void framesCarryTheScriptPrefix()
    {
        QVERIFY(s->script.evaluate(QStringLiteral("PREFIX=\"0102\";")).ok);
        answer(ack(0x00F0));
        QCOMPARE(cmds->Reset().code, int(rcOk));
        QCOMPARE(dev->writes().value(0), B("AA 55 00 06 01 02 E0 05 00 EE"));
        QCOMPARE(s->state.LastPrefix, B("01 02"));
    }

    void setStateItems_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<QByteArray>("payload");
        QTest::newRow("sleep") << 0 << B("00");
        QTest::newRow("standby") << 1 << B("02");
        QTest::newRow("gprs") << 2 << B("05");
    }
    void setStateItems()
    {
        QFETCH(int, item);
        QFETCH(QByteArray, payload);
        answer(ack(0x00F0));
        QCOMPARE(cmds->SetState(item).panelText, QStringLiteral("[状态设置成功]"));
        QCOMPARE(dev->writes(), QList<QByteArray>{frame::Build({}, 0xE004, payload)});
    }

    void setStateRefusesMissingOrUnknownItem()
    {
        for (const int item : {-1, 3, 5}) {
            const OpOutcome out = cmds->SetState(item);
            QCOMPARE(out.messageText, QStringLiteral("请选择一个状态!"));
            QVERIFY(out.panelText.isEmpty());
            QVERIFY(out.logLines.isEmpty());
        }
        QVERIFY(dev->writes().isEmpty());
    }

    void readState_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("line");
        QTest::newRow("0") << 0 << "DTU状态=0,睡眠状态";
        QTest::newRow("1") << 1 << "DTU状态=1,未注册状态";
        QTest::newRow("2") << 2 << "DTU状态=2,待机状态";
        QTest::newRow("3") << 3 << "DTU状态=3,PPP拨号状态";
        QTest::newRow("4") << 4 << "DTU状态=4,在线状态，未登录到数据中心";
        QTest::newRow("5") << 5 << "DTU状态=5,在线状态，已登录到数据中心";
        QTest::newRow("7 shows nothing") << 7 << "";
        QTest::newRow("no reply") << int(rcNoReply) << "DTU状态读取失败，设备无响应！";
        QTest::newRow("bad header") << int(rcBadHeader) << "DTU状态读取失败，参数错误！";
        QTest::newRow("bad checksum") << int(rcBadChecksum) << "DTU状态读取失败，返回帧校验错误！";
    }
    void readState()
    {
        QFETCH(int, result);
        QFETCH(QString, line);
        answer(byteReplyFor(0xE004, result));
        const OpOutcome out = cmds->ReadState();
        QCOMPARE(out.code, result);
        QCOMPARE(out.stateLogLines, line.isEmpty() ? QStringList() : QStringList{line});
        QVERIFY(out.panelText.isEmpty());
        QVERIFY(out.logLines.isEmpty());
        QCOMPARE(dev->writes(), QList<QByteArray>{B("AA 55 00 04 E0 04 00 E8")});
    }

    void readStateWrongWord()
    {
        // The reply word is E0 04 whatever the script gives for the request.
        QVERIFY(s->script.evaluate(QStringLiteral("GetCmd = function(n) { return n == \"CMD_GETSTATUS\" ? \"E0AA\" : \"\"; };")).ok);
        answer(frame::Build({}, 0xE0AA, B("02")));
        const OpOutcome out = cmds->ReadState();
        QCOMPARE(dev->writes().value(0).mid(4, 2), B("E0 AA"));
        QCOMPARE(out.panelText, QStringLiteral("[状态读取失败，返回数据包命令字非法！]"));
        QCOMPARE(out.logLines, QStringList{out.panelText});
        QCOMPARE(out.code, int(rcRefused));
        QCOMPARE(out.stateLogLines, QStringList{"DTU状态读取失败"});
    }

    void readSignal_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("panel");
        QTest::newRow("31") << byteReplyFor(0xE023, 31) << 31 << "DTU CSQ=31" << "";
        QTest::newRow("0") << byteReplyFor(0xE023, 0) << 0 << "DTU CSQ=0" << "";
        QTest::newRow("255") << byteReplyFor(0xE023, 255) << 255 << "DTU CSQ=255" << "";
        QTest::newRow("extra byte") << byteReplyFor(0xE023, rcNoReply) << int(rcNoReply) << "信号读取失败" << "";
        QTest::newRow("bad header") << byteReplyFor(0xE023, rcBadHeader) << int(rcBadHeader) << "信号读取失败" << "";
        QTest::newRow("bad sum") << byteReplyFor(0xE023, rcBadChecksum) << int(rcBadChecksum) << "信号读取失败" << "";
        QTest::newRow("wrong word") << byteReplyFor(0xE004, 20) << int(rcRefused) << "信号读取失败"
                                    << "[信号读取失败，返回数据包命令字非法！]";
    }
    void readSignal()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, code);
        QFETCH(QString, line);
        QFETCH(QString, panel);
        answer(reply);
        const OpOutcome out = cmds->ReadSignal();
        QCOMPARE(out.code, code);
        QCOMPARE(out.stateLogLines, QStringList{line});
        QCOMPARE(out.panelText, panel);
        QCOMPARE(out.logLines, panel.isEmpty() ? QStringList() : QStringList{panel});
        QCOMPARE(dev->writes(), QList<QByteArray>{B("AA 55 00 04 E0 23 01 07")});
    }

    void readVersion()
    {
        // "版本" in GBK after the ASCII part.
        answer(frame::Build({}, 0xE003, QByteArray("V2.1-") + B("B0 E6 B1 BE")));
        OpOutcome out = cmds->ReadVersion();
        QCOMPARE(out.code, int(rcOk));
        QCOMPARE(out.stateLogLines, QStringList{"DTU版本号=V2.1-版本"});
        QCOMPARE(dev->writes(), QList<QByteArray>{B("AA 55 00 04 E0 03 00 E7")});

        // A garbled reply is no text: two lines, the second with nothing after "=".
        answer(badSumAround(0xE003, ack(0x00F0)));
        out = cmds->ReadVersion();
        QCOMPARE(out.code, int(rcNoReply));
        QCOMPARE(out.stateLogLines, (QStringList{"DTU版本号读取失败", "DTU版本号="}));
    }

    void readClock()
    {
        answer(frame::Build({}, 0xE00E, "2024-05-06 07:08:09"));
        OpOutcome out = cmds->ReadClock();
        QCOMPARE(out.code, int(rcOk));
        QCOMPARE(out.panelText, QStringLiteral("设备时钟读取成功"));
        QCOMPARE(out.stateLogLines, (QStringList{"设备时钟读取成功", "2024-05-06 07:08:09"}));
        QCOMPARE(dev->writes(), QList<QByteArray>{B("AA 55 00 04 E0 0E 00 F2")});
    }

    void readClockNoReply()
    {
        const OpOutcome out = cmds->ReadClock();  // the device stays silent for the whole wait
        QCOMPARE(out.code, int(rcNoReply));
        QCOMPARE(out.panelText, QStringLiteral("设备时钟读取失败"));
        QCOMPARE(out.stateLogLines, (QStringList{"设备时钟读取失败", QString()}));
        QCOMPARE(dev->writes().size(), 1);
    }

    void clockTextIsAlways19Characters()
    {
        QCOMPARE(DeviceCommands::ClockText(QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5))),
                 QStringLiteral("2024-01-02 03:04:05"));
        QCOMPARE(DeviceCommands::ClockText(QDateTime(QDate(999, 12, 31), QTime(23, 59, 59))),
                 QStringLiteral("0999-12-31 23:59:59"));
        QCOMPARE(DeviceCommands::ClockText(QDateTime(QDate(2030, 10, 1), QTime(0, 0, 0))).size(), 19);
    }

    void resetCancelled()
    {
        s->state.WorkMode = 2;
        const OpOutcome out = cmds->ResetCancelled(QStringLiteral("[参数读取完毕]"));
        QCOMPARE(out.logLines, QStringList{"[参数读取完毕]"});
        QVERIFY(out.panelText.isEmpty());
        QCOMPARE(int(s->state.WorkMode), 0);
        QVERIFY(dev->writes().isEmpty());
    }

    void restoreCancelled()
    {
        s->state.WorkMode = 1;
        const OpOutcome out = cmds->RestoreCancelled(QStringLiteral("[复位设备成功]"));
        QCOMPARE(out.logLines, QStringList{"[复位设备成功]"});
        QCOMPARE(int(s->state.WorkMode), 1);
        QVERIFY(dev->writes().isEmpty());
    }

    void noChannel()
    {
        dev->close();
        for (const OpOutcome &out : {cmds->Reset(), cmds->RestoreFactoryDefaults(), cmds->CheckDataChannel()}) {
            QCOMPARE(out.messageText, QStringLiteral("数据通道未打开，请先打开串口或建立TCP链接"));
            QVERIFY(out.logLines.isEmpty());
            QVERIFY(out.panelText.isEmpty());
        }
        // The state group sends at once: the send failure reaches the error box.
        for (const OpOutcome &out : {cmds->ReadState(), cmds->ReadSignal(), cmds->ReadVersion(), cmds->ReadClock()}) {
            QCOMPARE(out.errorText, QStringLiteral("Device not opened."));
            QVERIFY(out.stateLogLines.isEmpty());
            QVERIFY(out.panelText.isEmpty());
        }
        QVERIFY(dev->writes().isEmpty());
        dev->open();
        QCOMPARE(cmds->CheckDataChannel().messageText, QString());
    }

    void busyEngineSendsNothing()
    {
        answer(ack(0x00F0));
        s->state.WorkMode = 0;
        s->state.ParamChannel = 0;
        ExchangeEngine::Guard inFlight(s->engine);
        QVERIFY(inFlight.ok());
        const QList<OpOutcome> outs = {cmds->Reset(), cmds->ReadState(), cmds->SetState(0),
                                       cmds->ReadSignal(), cmds->ReadVersion(), cmds->ReadClock(),
                                       cmds->SetClock(QDateTime::currentDateTime()), cmds->SwitchWorkMode(1),
                                       cmds->SelectParamChannel(3), cmds->RestoreFactoryDefaults()};
        // Refused without a box: the panel and the log say why.
        for (const OpOutcome &out : outs) {
            QVERIFY(out.busy);
            QVERIFY(out.errorText.isEmpty() && out.messageText.isEmpty());
            QCOMPARE(out.panelText, ExchangeEngine::BusyText());
            QCOMPARE(out.logLines, QStringList{ExchangeEngine::BusyText()});
            QVERIFY(out.stateLogLines.isEmpty());
        }
        QVERIFY(dev->writes().isEmpty());
        QCOMPARE(s->state.ParamChannel, 0);
        QCOMPARE(int(s->state.WorkMode), 0);
    }

    void scriptErrorEndsBeforeSending()
    {
        QVERIFY(s->script.evaluate(QStringLiteral("GetCmd = function(n) { throw new Error('no word'); };")).ok);
        for (const OpOutcome &out : {cmds->Reset(), cmds->ReadState(), cmds->ReadVersion(), cmds->RestoreFactoryDefaults()}) {
            QVERIFY2(out.errorText.contains(QStringLiteral("no word")), qPrintable(out.errorText));
            QVERIFY(out.panelText.isEmpty());
        }
        QVERIFY(s->script.evaluate(QStringLiteral("PrevCmd = function() { throw 'no prefix'; };")).ok);
        for (const OpOutcome &out : {cmds->ReadSignal(), cmds->ReadClock()})
            QVERIFY(!out.errorText.isEmpty());
        QVERIFY(dev->writes().isEmpty());
    }

    void switchWorkModeSameModeSendsNothing()
    {
        s->state.WorkMode = 1;
        const OpOutcome out = cmds->SwitchWorkMode(1);
        QCOMPARE(out.code, 0);
        QVERIFY(out.panelText.isEmpty() && out.logLines.isEmpty());
        QVERIFY(dev->writes().isEmpty());
    }

    void switchWorkModeNeedsSerial()
    {
        dev->close();
        const OpOutcome out = cmds->SwitchWorkMode(1);
        QCOMPARE(out.code, int(rcNotSerial));
        QVERIFY(out.panelText.isEmpty() && out.logLines.isEmpty() && out.errorText.isEmpty());
        QCOMPARE(int(s->state.WorkMode), 0);
    }

    void switchWorkModeOverTcpOnlyIsRefused()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
        dev->close();
        QSignalSpy connected(&s->link.tcp(), &TcpChannel::connected);
        s->link.tcp().connectTo(QStringLiteral("127.0.0.1:%1").arg(server.serverPort()));
        QVERIFY(connected.wait(5000));
        QVERIFY(s->link.IsDataChannelOpen());
        QVERIFY(server.hasPendingConnections() || server.waitForNewConnection(2000));
        QTcpSocket *peer = server.nextPendingConnection();
        QVERIFY(peer);

        QCOMPARE(cmds->SwitchWorkMode(2).code, int(rcNotSerial));
        // Only the access text went out, no frame.
        QTRY_VERIFY(peer->bytesAvailable() > 0);
        QCOMPARE(peer->readAll(), QByteArray(TcpChannel::kAccessText));
        QTest::qWait(50);
        QCOMPARE(peer->bytesAvailable(), qint64(0));
        s->link.tcp().disconnectFromHost();
    }

    void switchWorkModeRetriesUntilAccepted()
    {
        int frames = 0;
        dev->setResponder([this, &frames](const QByteArray &) {
            // Silent twice (the device is still starting), then accepts.
            if (++frames == 3)
                dev->feed(ack(0x00F0));
        });
        const OpOutcome out = cmds->SwitchWorkMode(1);
        QCOMPARE(out.code, int(rcOk));
        QCOMPARE(frames, 3);
        QCOMPARE(out.panelText, QStringLiteral("[工作模式切换成功]"));
        QCOMPARE(out.logLines, QStringList{out.panelText});
        QCOMPARE(int(s->state.WorkMode), 1);
        const QByteArray expected = frame::Build({}, 0xE022, B("01") + "KMVRBTQHWDNXA");
        for (const QByteArray &w : dev->writes())
            QCOMPARE(w, expected);
    }

    void switchWorkModeGivesUpAfter40_data()
    {
        QTest::addColumn<int>("code");
        for (int code = -1; code >= -4; --code)
            QTest::newRow(QByteArray::number(code)) << code;
    }
    void switchWorkModeGivesUpAfter40()
    {
        QFETCH(int, code);
        answer(ackReplyFor(code));
        const OpOutcome out = cmds->SwitchWorkMode(2);
        QCOMPARE(out.code, code);
        // The documented number of tries, not the constant the code uses.
        QCOMPARE(dev->writes().size(), 40);
        QCOMPARE(dev->writes().first(), frame::Build({}, 0xE022, B("02") + "KMVRBTQHWDNXA"));
        QCOMPARE(out.panelText, WorkModeResultText(code));
        QCOMPARE(out.logLines, QStringList{out.panelText});
        QCOMPARE(int(s->state.WorkMode), 0);
    }

    void selectParamChannel()
    {
        answer(ack(0x00F1));  // the outcome does not matter to the selection
        s->state.ParamChannel = -1;

        s->state.ExtTabVisible = false;
        cmds->SelectParamChannel(1);
        QCOMPARE(s->state.ParamChannel, -1);
        QVERIFY(dev->writes().isEmpty());

        s->state.ExtTabVisible = true;
        OpOutcome out = cmds->SelectParamChannel(1);
        QCOMPARE(s->state.ParamChannel, 1);
        QCOMPARE(out.code, int(rcRefused));
        QVERIFY(out.panelText.isEmpty() && out.logLines.isEmpty() && out.stateLogLines.isEmpty());
        QCOMPARE(dev->writes(), QList<QByteArray>{B("AA 55 00 05 E0 50 01 01 36")});

        // Same set again: nothing is sent.
        cmds->SelectParamChannel(1);
        QCOMPARE(dev->writes().size(), 1);

        // Serial closed: the set is recorded, nothing is sent.
        dev->close();
        out = cmds->SelectParamChannel(0);
        QCOMPARE(s->state.ParamChannel, 0);
        QVERIFY(out.errorText.isEmpty());
        QCOMPARE(dev->writes().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestDeviceCommands)
#include "tst_device_commands.moc"
