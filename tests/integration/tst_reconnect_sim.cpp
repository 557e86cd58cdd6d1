// Both channels come back by themselves after the simulated device vanishes: the serial port
// by its link path, the TCP link with growing pauses and the access text sent again. The
// user's own close stops the attempts; a reply wait running at the loss ends at once.
#include "protocol/device_commands.h"
#include "session/core_session.h"
#include "support/sim_process.h"
#include "support/temp_file_dir.h"

#include <QElapsedTimer>
#include <csignal>
#include <QtTest>

namespace {
struct Tool {
    CoreSession s;
    QStringList log;

    Tool()
    {
        s.script.evaluate(QStringLiteral("function PrevCmd() { return \"\"; }"
                                         "function GetCmd(n) { return n == \"CMD_GETSTATUS\" ? \"E004\" : \"\"; }"));
        QObject::connect(&s.state, &AppState::logAppended, [this](const QString &l) { log << l; });
        s.poll.start();
    }
    bool openSerial(const QString &path)
    {
        SerialSettings settings;
        settings.portName = path;
        settings.baudRate = 57600;
        ApplyFormatText(QStringLiteral("8E1"), settings);
        return s.serialReconnect.openByUser(settings);
    }
    // One device-state read, as the operations do it: the value, or a negative code.
    int readState()
    {
        if (s.engine.SendFrame(0xE004, {}) != rcOk)
            return -100;
        return s.engine.AwaitByteReply(0xE004, 4000).value;
    }
};
} // namespace

class TestReconnectSim : public QObject {
    Q_OBJECT
private slots:
    void serialPortComesBackWhileIdle()
    {
        TempFileDir dir;
        const QString link = dir.filePath(QStringLiteral("dtu"));
        SimProcess sim;
        QVERIFY2(sim.start({"--pty", "--link", link, "--state", "3", "--vanish-after", "1", "--vanish-pause", "800"}),
                 qPrintable(sim.errorText()));
        Tool tool;
        QVERIFY(tool.openSerial(link));
        QSignalSpy waiting(&tool.s.serialReconnect, &SerialReconnector::waiting);
        QSignalSpy back(&tool.s.serialReconnect, &SerialReconnector::reconnected);
        QCOMPARE(tool.readState(), 3);
        // The device leaves after its answer; the idle poll notices.
        QVERIFY(waiting.wait(5000));
        QCOMPARE(waiting.first().at(0).toString(), link);
        QVERIFY(!tool.s.link.serial().isOpen());
        QVERIFY(back.wait(8000));
        QVERIFY(tool.s.link.serial().isOpen());
        // Same settings as before, same link path.
        const SerialSettings again = back.first().first().value<SerialSettings>();
        QCOMPARE(again.portName, link);
        QCOMPARE(tool.s.link.serial().port().parity(), QSerialPort::EvenParity);
        QCOMPARE(tool.s.link.serial().port().baudRate(), 57600);
        QCOMPARE(waiting.count(), 1);
        QCOMPARE(tool.readState(), 3);
    }

    void replyWaitEndsAtOnceWhenThePortVanishes()
    {
        TempFileDir dir;
        const QString link = dir.filePath(QStringLiteral("dtu"));
        SimProcess sim;
        // The state request gets no answer: the device vanishes while the tool waits for it.
        QVERIFY2(sim.start({"--pty", "--link", link, "--silent", "E004", "--vanish-after", "1", "--vanish-pause", "500"}),
                 qPrintable(sim.errorText()));
        Tool tool;
        QVERIFY(tool.openSerial(link));
        QSignalSpy back(&tool.s.serialReconnect, &SerialReconnector::reconnected);
        DeviceCommands commands(tool.s.device());
        QElapsedTimer t;
        t.start();
        const OpOutcome out = commands.ReadState();
        // Ends well before the 4 s time-out, with the operation's usual text, and is not repeated.
        QVERIFY2(t.elapsed() < 2000, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(out.code, int(rcNoReply));
        QCOMPARE(out.stateLogLines, QStringList{QStringLiteral("DTU状态读取失败，设备无响应！")});
        QVERIFY(back.wait(8000));
        // Signal strength is answered: the port works again without anyone touching it.
        if (tool.s.engine.SendFrame(0xE023, {}) != rcOk)
            QFAIL("send after reconnect failed");
        QCOMPARE(tool.s.engine.AwaitByteReply(0xE023, 4000).value, 23);
    }

    void userCloseStopsTheAttempts()
    {
        TempFileDir dir;
        const QString link = dir.filePath(QStringLiteral("dtu"));
        SimProcess sim;
        QVERIFY2(sim.start({"--pty", "--link", link, "--vanish-pause", "600"}), qPrintable(sim.errorText()));
        Tool tool;
        QVERIFY(tool.openSerial(link));
        QSignalSpy waiting(&tool.s.serialReconnect, &SerialReconnector::waiting);
        QSignalSpy back(&tool.s.serialReconnect, &SerialReconnector::reconnected);
        QVERIFY(sim.signal(SIGUSR1));
        QVERIFY(waiting.wait(5000));
        QVERIFY(tool.s.serialReconnect.isWaiting());
        tool.s.serialReconnect.closeByUser();
        QVERIFY(!tool.s.serialReconnect.isWaiting());
        QVERIFY(!sim.waitForLine(QStringLiteral("RETURNED"), 5000).isEmpty());
        // The device is back, but the user closed the port: it stays closed.
        QTest::qWait(3 * SerialReconnector::kRetryMs);
        QCOMPARE(back.count(), 0);
        QVERIFY(!tool.s.link.serial().isOpen());
    }

    void reconnectOffKeepsTheLostPortClosed()
    {
        TempFileDir dir;
        const QString link = dir.filePath(QStringLiteral("dtu"));
        SimProcess sim;
        QVERIFY2(sim.start({"--pty", "--link", link, "--vanish-pause", "300"}), qPrintable(sim.errorText()));
        Tool tool;
        tool.s.setAutoReconnect(false);
        QVERIFY(tool.openSerial(link));
        QSignalSpy lost(&tool.s.serialReconnect, &SerialReconnector::lostForGood);
        QVERIFY(sim.signal(SIGUSR1));
        QVERIFY(lost.wait(5000));
        QVERIFY(!sim.waitForLine(QStringLiteral("RETURNED"), 5000).isEmpty());
        QTest::qWait(3 * SerialReconnector::kRetryMs);
        QVERIFY(!tool.s.link.serial().isOpen());
    }

    void tcpComesBackWithGrowingPauses()
    {
        SimProcess sim;
        // Away for 1.5 s: the first attempt (after 1 s) is refused, the second (2 s later) gets in.
        QVERIFY2(sim.start({"--tcp", "0", "--state", "4", "--vanish-after", "1", "--vanish-pause", "1500"}),
                 qPrintable(sim.errorText()));
        Tool tool;
        QSignalSpy connected(&tool.s.link.tcp(), &TcpChannel::connected);
        tool.s.tcpReconnect.connectByUser(QStringLiteral("127.0.0.1:%1").arg(sim.tcpPort()));
        QVERIFY(connected.wait(5000));
        QSignalSpy waiting(&tool.s.tcpReconnect, &TcpReconnector::waiting);
        QSignalSpy attempting(&tool.s.tcpReconnect, &TcpReconnector::attempting);
        QSignalSpy back(&tool.s.tcpReconnect, &TcpReconnector::reconnected);
        QCOMPARE(tool.readState(), 4);
        QVERIFY(back.wait(10000));
        QCOMPARE(attempting.count(), 2);
        QCOMPARE(waiting.count(), 2);
        QCOMPARE(waiting.at(0).at(1).toInt(), 1000);
        QCOMPARE(waiting.at(1).at(1).toInt(), 2000);
        // The device answers only after the access text: it went out again on the new link.
        QCOMPARE(tool.readState(), 4);
    }

    void disconnectDuringTcpAttemptsStopsThem()
    {
        SimProcess sim;
        QVERIFY2(sim.start({"--tcp", "0", "--vanish-pause", "3000"}), qPrintable(sim.errorText()));
        Tool tool;
        QSignalSpy connected(&tool.s.link.tcp(), &TcpChannel::connected);
        tool.s.tcpReconnect.connectByUser(QStringLiteral("127.0.0.1:%1").arg(sim.tcpPort()));
        QVERIFY(connected.wait(5000));
        QSignalSpy waiting(&tool.s.tcpReconnect, &TcpReconnector::waiting);
        QSignalSpy attempting(&tool.s.tcpReconnect, &TcpReconnector::attempting);
        QVERIFY(sim.signal(SIGUSR1));
        QVERIFY(waiting.wait(5000));
        tool.s.tcpReconnect.disconnectByUser();
        QVERIFY(!tool.s.tcpReconnect.isWaiting());
        QTest::qWait(TcpReconnector::kFirstPauseMs + 500);
        QCOMPARE(attempting.count(), 0);
        QVERIFY(!tool.s.link.tcp().isActive());
    }

    void backoffSchedule()
    {
        QCOMPARE(TcpReconnector::PauseBeforeAttempt(1), 1000);
        QCOMPARE(TcpReconnector::PauseBeforeAttempt(2), 2000);
        QCOMPARE(TcpReconnector::PauseBeforeAttempt(3), 4000);
        QCOMPARE(TcpReconnector::PauseBeforeAttempt(5), 16000);
        QCOMPARE(TcpReconnector::PauseBeforeAttempt(6), 30000);
        QCOMPARE(TcpReconnector::PauseBeforeAttempt(40), 30000);
    }
};

QTEST_GUILESS_MAIN(TestReconnectSim)
#include "tst_reconnect_sim.moc"
