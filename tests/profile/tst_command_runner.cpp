// Profile command buttons: what each kind of description sends, the answer handed to the
// script, the lines shown, and how a run ends early.
#include "link/tcp_channel.h"
#include "profile/button_table.h"
#include "text/text_codec.h"
#include "profile/command_runner.h"
#include "protocol/frame.h"
#include "session/core_session.h"
#include "support/fake_channel.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {
QByteArray B(const char *hex) { return QByteArray::fromHex(QByteArray(hex)); }

// ONCLICK that evaluates to a description with the given members.
QString describe(const QString &type, const QString &cmd, const QString &data)
{
    return QStringLiteral("'{\"TYPE\":\"%1\",\"CMD\":\"%2\",\"DATA\":\"%3\"}'").arg(type, cmd, data);
}
} // namespace

class TestCommandRunner : public QObject {
    Q_OBJECT

    std::unique_ptr<CoreSession> s;
    std::unique_ptr<FakeChannel> dev;

    // The device answers every write with `reply`.
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
        QString fileError;
        QVERIFY(s->script.evaluateFile(QStringLiteral(DTU_SOURCE_DIR "/examples/script.js"), &fileError).ok);
        QVERIFY(fileError.isEmpty());
    }
    void cleanup()
    {
        s->link.setOverrideChannel(nullptr);
        dev.reset();
        s.reset();
    }

    void packetIsFramedWithPrefixAndAnswerReachesOnReply()
    {
        QVERIFY(s->script.evaluate(QStringLiteral("PREFIX = \"0102\";")).ok);
        const QByteArray reply = frame::Build(QByteArray(), 0xE023, B("17"));
        answer(reply);
        CommandRunner runner(*s);
        RecordingRunSink sink;
        const CommandRunResult r =
            runner.Run({QStringLiteral("信号"), describe("PACKET", "E023", "0A0B"), QStringLiteral("SignalReply()")}, sink, 2000);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(dev->writes(), QList<QByteArray>{frame::Build(B("0102"), 0xE023, B("0A0B"))});
        QCOMPARE(r.answer, reply);
        QCOMPARE(r.replyText, QStringLiteral("信号强度：23"));
        QCOMPARE(sink.output, (QStringList{QStringLiteral("[信号]"), QStringLiteral("信号强度：23")}));
        // A packet writes no line of its own; the answer is always logged.
        QCOMPARE(sink.log, QStringList{QStringLiteral("上行：AA 55 00 05 E0 23 17 01 1F ")});
        QCOMPARE(s->script.evaluate(QStringLiteral("hexinput")).text, QStringLiteral("AA550005E02317011F"));
    }

    void descriptionToBytes_data()
    {
        QTest::addColumn<QString>("onClick");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("logLine");
        QTest::newRow("two-digit word is the high byte") << describe("PACKET", "12", "")
                                                          << frame::Build(QByteArray(), 0x1200, QByteArray()) << QString();
        QTest::newRow("hex drops an odd last digit") << describe("HEX", "", "0102A") << B("0102")
                                                     << QStringLiteral("下行HEX：0102A");
        QTest::newRow("ascii as typed") << describe("ASCII", "AT+CSQ", "") << QByteArray("AT+CSQ")
                                        << QStringLiteral("下行ASCII：AT+CSQ");
        QTest::newRow("ascii in the device code page") << describe("ASCII", "短信", "") << GbkEncode(QStringLiteral("短信"))
                                                        << QStringLiteral("下行ASCII：短信");
        QTest::newRow("type is case-sensitive") << describe("hex", "", "0102") << QByteArray() << QString();
        QTest::newRow("missing members read as empty") << QStringLiteral("'{\"TYPE\":\"PACKET\"}'")
                                                       << frame::Build(QByteArray(), 0x0000, QByteArray()) << QString();
    }
    void descriptionToBytes()
    {
        QFETCH(QString, onClick);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, logLine);
        CommandRunner runner(*s);
        const OutgoingCommand out = runner.BuildOutgoing(onClick);
        QVERIFY2(out.ok, qPrintable(out.error));
        QCOMPARE(out.bytes, bytes);
        QCOMPARE(out.logLine, logLine);
    }

    void silentDeviceStillRunsOnReplyWithEmptyAnswer()
    {
        QVERIFY(s->script.evaluate(QStringLiteral("hexinput = \"FF\";")).ok);
        CommandRunner runner(*s);
        RecordingRunSink sink;
        const CommandRunResult r =
            runner.Run({QStringLiteral("x"), describe("hex", "", "01"), QStringLiteral("AckReply()")}, sink, 300);
        QVERIFY(r.ok);
        QCOMPARE(dev->writes(), QList<QByteArray>{QByteArray()});
        QVERIFY(r.answer.isEmpty());
        QCOMPARE(sink.log, QStringList{QStringLiteral("上行：")});
        QCOMPARE(r.replyText, QStringLiteral("设备无响应"));
        QCOMPARE(s->script.evaluate(QStringLiteral("hexinput")).text, QString());
    }

    void runEndsEarly_data()
    {
        QTest::addColumn<QString>("onClick");
        QTest::addColumn<QString>("onReply");
        QTest::addColumn<bool>("channelOpen");
        QTest::addColumn<int>("writes");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QStringList>("output");
        const QStringList head{QStringLiteral("[b]")};
        QTest::newRow("script error in ONCLICK") << QStringLiteral("nosuch()") << QStringLiteral("1") << true << 0
                                                 << QStringLiteral("nosuch") << head;
        QTest::newRow("ONCLICK is not a JSON object") << QStringLiteral("'[1,2]'") << QStringLiteral("1") << true << 0
                                                      << QStringLiteral("JSON") << head;
        QTest::newRow("no channel") << describe("HEX", "", "01") << QStringLiteral("1") << false << 0
                                    << QStringLiteral("Device not opened.") << head;
        QTest::newRow("ONREPLY throws") << describe("HEX", "", "01") << QStringLiteral("throw new Error('bad answer')")
                                        << true << 1 << QStringLiteral("bad answer") << head;
    }
    void runEndsEarly()
    {
        QFETCH(QString, onClick);
        QFETCH(QString, onReply);
        QFETCH(bool, channelOpen);
        QFETCH(int, writes);
        QFETCH(QString, error);
        QFETCH(QStringList, output);
        if (!channelOpen)
            dev->close();
        answer(B("AA55"));
        CommandRunner runner(*s);
        RecordingRunSink sink;
        const CommandRunResult r = runner.Run({QStringLiteral("b"), onClick, onReply}, sink, 1000);
        QVERIFY(!r.ok);
        QVERIFY2(r.error.contains(error), qPrintable(r.error));
        QCOMPARE(dev->writes().size(), writes);
        QCOMPARE(sink.output, output);
    }

    void secondRunWhileWaitingIsRefused()
    {
        ExchangeEngine::Guard inFlight(s->engine);
        CommandRunner runner(*s);
        RecordingRunSink sink;
        const CommandRunResult r = runner.Run({QStringLiteral("b"), describe("HEX", "", "01"), QStringLiteral("1")}, sink);
        QVERIFY(!r.ok);
        QCOMPARE(r.error, CommandRunner::BusyText());
        QVERIFY(dev->writes().isEmpty());
        QVERIFY(sink.output.isEmpty());
    }

    void activeTcpLinkCarriesTheCommand()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        TcpChannel &tcp = s->link.tcp();
        QSignalSpy connected(&tcp, &TcpChannel::connected);
        tcp.connectTo(QStringLiteral("127.0.0.1:%1").arg(server.serverPort()));
        QVERIFY(server.waitForNewConnection(5000));
        QTcpSocket *peer = server.nextPendingConnection();
        QVERIFY(connected.wait(5000) || connected.count() == 1);
        QByteArray got;
        connect(peer, &QTcpSocket::readyRead, peer, [&] {
            got += peer->readAll();
            if (got.endsWith("PING"))
                peer->write("PONG");
        });
        CommandRunner runner(*s);
        RecordingRunSink sink;
        const CommandRunResult r =
            runner.Run({QStringLiteral("t"), describe("ASCII", "PING", ""), QStringLiteral("RawReply()")}, sink, 3000);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(got, QByteArray(TcpChannel::kAccessText) + "PING");
        QVERIFY(dev->writes().isEmpty());
        QCOMPARE(r.replyText, QStringLiteral("收到：PONG"));
        tcp.disconnectFromHost();
    }
};

QTEST_GUILESS_MAIN(TestCommandRunner)
#include "tst_command_runner.moc"
