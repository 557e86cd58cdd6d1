// The link and the exchange engine against the simulated device over a real pseudo-terminal
// and loopback TCP.
#include "link/data_link.h"
#include "link/receive_poll.h"
#include "link/serial_channel.h"
#include "link/tcp_channel.h"
#include "protocol/exchange_engine.h"
#include "protocol/frame.h"
#include "script/script_host.h"
#include "state/app_state.h"
#include "support/sim_process.h"

#include <QElapsedTimer>
#include <QtTest>

namespace {
struct Tool {
    AppState state;
    ScriptHost script;
    DataLink link;
    ReceivePoll poll{state, link};
    ExchangeEngine engine{state, link, script, &poll};

    Tool()
    {
        script.evaluate(QStringLiteral("var PREFIX = \"\"; function PrevCmd() { return PREFIX; }"));
        poll.start();
    }
    bool openSerial(const QString &path, const QString &format = QStringLiteral("8N1"), int baud = 57600)
    {
        SerialSettings s;
        s.portName = path;
        s.baudRate = baud;
        ApplyFormatText(format, s);
        return link.serial().open(s);
    }
    bool connectTcp(quint16 port)
    {
        QSignalSpy connected(&link.tcp(), &TcpChannel::connected);
        link.tcp().connectTo(QStringLiteral("127.0.0.1:%1").arg(port));
        return connected.wait(5000);
    }
    int readState()
    {
        if (engine.SendFrame(0xE004, {}) != rcOk)
            return -100;
        return engine.AwaitByteReply(0xE004, 4000).value;
    }
    ResultCode writeParam(uint16_t code, const QByteArray &value)
    {
        const ResultCode sent = engine.SendFrame(code, value);
        return sent == rcOk ? engine.AwaitAck() : sent;
    }
};
} // namespace

class TestLinkSim : public QObject {
    Q_OBJECT
private slots:
    void openAndReopenPty()
    {
        SimProcess sim;
        QVERIFY2(sim.start({QStringLiteral("--pty"), QStringLiteral("--state"), QStringLiteral("3")}),
                 qPrintable(sim.errorText()));
        Tool tool;
        QVERIFY2(tool.openSerial(sim.ptyPath()), qPrintable(tool.link.serial().errorString()));
        QCOMPARE(tool.readState(), 3);
        // Re-open with another format and speed, as choosing another item does.
        QVERIFY(tool.openSerial(sim.ptyPath(), QStringLiteral("8E1"), 9600));
        QCOMPARE(tool.link.serial().port().parity(), QSerialPort::EvenParity);
        QCOMPARE(tool.readState(), 3);
    }

    void tcpSendsAccessTextFirst()
    {
        SimProcess sim;
        QVERIFY2(sim.start({QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--state"), QStringLiteral("4")}),
                 qPrintable(sim.errorText()));
        Tool tool;
        QVERIFY(tool.connectTcp(sim.tcpPort()));
        // The device ignores everything before the access text: an answer proves it went first.
        QCOMPARE(tool.readState(), 4);
        QCOMPARE(tool.writeParam(0x0012, QByteArray::fromHex("00009600")), rcOk);
    }

    void tcpPreferredOverSerial()
    {
        SimProcess viaPty, viaTcp;
        QVERIFY2(viaPty.start({QStringLiteral("--pty"), QStringLiteral("--state"), QStringLiteral("1")}),
                 qPrintable(viaPty.errorText()));
        QVERIFY2(viaTcp.start({QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--state"), QStringLiteral("5")}),
                 qPrintable(viaTcp.errorText()));
        Tool tool;
        QVERIFY(tool.openSerial(viaPty.ptyPath()));
        QVERIFY(tool.connectTcp(viaTcp.tcpPort()));
        QCOMPARE(tool.readState(), 5);
        QCOMPARE(tool.link.serial().bytesAvailable(), qint64(0));
        tool.link.tcp().disconnectFromHost();
        QCOMPARE(tool.readState(), 1);
    }

    void splitReply()
    {
        SimProcess sim;
        QVERIFY2(sim.start({QStringLiteral("--pty"), QStringLiteral("--split"), QStringLiteral("3:250"),
                           QStringLiteral("--state"), QStringLiteral("5")}),
                 qPrintable(sim.errorText()));
        Tool tool;
        QVERIFY(tool.openSerial(sim.ptyPath()));
        QCOMPARE(tool.writeParam(0x0012, QByteArray::fromHex("0001C200")), rcOk);
        QCOMPARE(tool.readState(), 5);
    }

    void gapLongerThanTheSilenceEndsTheReply()
    {
        SimProcess sim;
        QVERIFY2(sim.start({QStringLiteral("--pty"), QStringLiteral("--split"), QStringLiteral("3:700")}),
                 qPrintable(sim.errorText()));
        Tool tool;
        QVERIFY(tool.openSerial(sim.ptyPath()));
        // Only AA 55 00 makes it into the reply: too short to verify.
        QCOMPARE(tool.writeParam(0x0012, QByteArray::fromHex("0001C200")), rcBadChecksum);
    }

    void deviceVanishesMidWait()
    {
        SimProcess sim;
        QVERIFY2(sim.start({QStringLiteral("--pty"), QStringLiteral("--hangup-after"), QStringLiteral("1")}),
                 qPrintable(sim.errorText()));
        Tool tool;
        QVERIFY(tool.openSerial(sim.ptyPath()));
        QSignalSpy lost(&tool.poll, &ReceivePoll::serialLost);
        QElapsedTimer t;
        t.start();
        // The reply arrives, then the device hangs up while the wait gathers: the wait ends early.
        QCOMPARE(tool.writeParam(0x0012, QByteArray::fromHex("0001C200")), rcOk);
        QVERIFY2(t.elapsed() < 400, qPrintable(QString::number(t.elapsed())));
        QTRY_COMPARE(lost.count(), 1);
        QVERIFY(!tool.link.serial().isOpen());
        QVERIFY(!tool.link.IsDataChannelOpen());
        QVERIFY(tool.poll.isActive());
        QString error;
        QCOMPARE(tool.engine.SendFrame(0xE004, {}, &error), rcNotSent);
        QCOMPARE(error, DataLink::NotOpenedText());
    }

    void ackAndReadExchangeWithPrefix()
    {
        SimProcess sim;
        QVERIFY2(sim.start({QStringLiteral("--pty"), QStringLiteral("--prefix"), QStringLiteral("0102")}),
                 qPrintable(sim.errorText()));
        Tool tool;
        tool.script.evaluate(QStringLiteral("PREFIX = \"0102\";"));
        QVERIFY(tool.openSerial(sim.ptyPath()));
        QCOMPARE(tool.writeParam(0x0012, QByteArray::fromHex("0001C200")), rcOk);
        QCOMPARE(tool.writeParam(0x0055, QByteArray::fromHex("01")), rcRefused);  // unknown code

        QCOMPARE(tool.engine.SendFrame(0xE001, QByteArray::fromHex("00120055")), rcOk);
        QCOMPARE(tool.state.LastPrefix, QByteArray::fromHex("0102"));
        const QByteArray reply = tool.engine.ReceiveReply(3000, ExchangeEngine::ReplyKind::Framed);
        const frame::ParamReply parsed = frame::CheckParamReply(reply, 0xE0, tool.state.LastPrefix.size());
        QCOMPARE(parsed.status, frame::DataCheck::Ok);
        // One record: L=6, code 0012, the value just written; 0055 is unknown and skipped.
        QCOMPARE(parsed.records, QByteArray::fromHex("000600120001C200"));
    }

    void pollShowsUnsolicitedBytes()
    {
        SimProcess sim;
        QVERIFY2(sim.start({QStringLiteral("--pty")}), qPrintable(sim.errorText()));
        Tool tool;
        tool.state.PrivilegeLevel = 1;
        QStringList log;
        connect(&tool.state, &AppState::logAppended, [&](const QString &l) { log << l; });
        QSignalSpy lines(&tool.poll, &ReceivePoll::transparentLine);
        QVERIFY(tool.openSerial(sim.ptyPath()));
        // Transparent mode: the device echoes what is not a frame.
        QVERIFY(tool.engine.SendLogged("hello"));
        QTRY_COMPARE(tool.state.ReceivedBytes, 5);
        QString shown;
        for (const auto &args : lines)
            shown += args.first().toString().section(QStringLiteral("收到数据："), 1);
        QCOMPARE(shown, QStringLiteral("hello"));
        QVERIFY(log.contains(QStringLiteral("下行：68 65 6C 6C 6F ")));
        QVERIFY(log.filter(QStringLiteral("上行：")).size() >= 1);
    }
};

QTEST_GUILESS_MAIN(TestLinkSim)
#include "tst_link_sim.moc"
