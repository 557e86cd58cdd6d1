// Both channels come back by themselves after the simulated device vanishes: the serial port
// by its link path or, through an injected port listing, by its adapter's identity (one two
// adapters share is left to the user), the TCP link with growing pauses and the access text sent again.
// The user's own close stops the attempts, "自动重连" off and on again stops and resumes them;
// a reply wait running at the loss ends at once.
#include "protocol/device_commands.h"
#include "session/core_session.h"
#include "support/fake_port_listing.h"
#include "support/sim_process.h"
#include "support/temp_file_dir.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QFile>
#include <QFileInfo>
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
int framesWithWord(const QString &simLog, const QString &word)
{
    QFile f(simLog);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    return QString::fromLatin1(f.readAll()).split(QLatin1Char('\n')).filter(QStringLiteral("AA 55 00 05 ") + word).size();
}
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
        // The device leaves after its answer; the port or the idle poll notices (maybe already
        // while the answer was being gathered).
        QTRY_COMPARE_WITH_TIMEOUT(waiting.count(), 1, 5000);
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

    void anAdapterIsFollowedByItsIdentityUnlessTwoShareIt_data()
    {
        QTest::addColumn<bool>("shared");
        QTest::newRow("unique: found under its new name") << false;
        QTest::newRow("shared \"0001\": the other unit is never opened") << true;
    }
    void anAdapterIsFollowedByItsIdentityUnlessTwoShareIt()
    {
        QFETCH(bool, shared);
        TempFileDir dir;
        const QString linkA = dir.filePath(QStringLiteral("unitA"));
        const QString linkB = dir.filePath(QStringLiteral("unitB"));
        FakePortListing listing{{{linkA, QStringLiteral("0001")}, {linkB, QStringLiteral("0001")}}};
        SimProcess unitA;
        SimProcess unitB;
        QVERIFY2(unitA.start({"--pty", "--link", linkA, "--state", "3"}), qPrintable(unitA.errorText()));
        // Shared: the second adapter is plugged in already; unique: it is unit A coming back under a new name.
        if (shared)
            QVERIFY2(unitB.start({"--pty", "--link", linkB, "--state", "7"}), qPrintable(unitB.errorText()));
        Tool tool;
        tool.s.serialReconnect.setLister([&listing] { return listing(); });
        QVERIFY(tool.openSerial(linkA));
        QSignalSpy waiting(&tool.s.serialReconnect, &SerialReconnector::waiting);
        QSignalSpy back(&tool.s.serialReconnect, &SerialReconnector::reconnected);
        QSignalSpy unsure(&tool.s.serialReconnect, &SerialReconnector::cannotConfirm);
        unitA.stop();
        if (!shared) {
            QVERIFY(waiting.wait(5000));
            QVERIFY2(unitB.start({"--pty", "--link", linkB, "--state", "7"}), qPrintable(unitB.errorText()));
            QVERIFY(back.wait(5000));
            QCOMPARE(back.first().first().value<SerialSettings>().portName, QFileInfo(linkB).canonicalFilePath());
            QCOMPARE(tool.readState(), 7);
            return;
        }
        // Either adapter may be unit A's: the user decides, even once one is back under A's name.
        QVERIFY(unsure.wait(5000));
        QVERIFY2(unitA.start({"--pty", "--link", linkA, "--state", "3"}), qPrintable(unitA.errorText()));
        QTest::qWait(4 * SerialReconnector::kRetryMs);
        QCOMPARE(back.count(), 0);
        QVERIFY(!tool.s.link.serial().isOpen());
    }

    void theUsersStableNameIsKept()
    {
        TempFileDir dir;
        // Like /dev/serial/by-id/...: a link to whichever device the adapter is now.
        const QString byId = dir.filePath(QStringLiteral("usb-1a86_USB_Serial_0001-if00-port0"));
        FakePortListing listing{{{byId, QStringLiteral("A9XK12")}}};
        SimProcess sim;
        QVERIFY2(sim.start({"--pty", "--link", byId, "--vanish-pause", "600"}), qPrintable(sim.errorText()));
        Tool tool;
        tool.s.serialReconnect.setLister([&listing] { return listing(); });
        QVERIFY(tool.openSerial(byId));
        QSignalSpy back(&tool.s.serialReconnect, &SerialReconnector::reconnected);
        QVERIFY(sim.signal(SIGUSR1));
        QVERIFY(back.wait(8000));
        QCOMPARE(back.first().first().value<SerialSettings>().portName, byId);
        QCOMPARE(tool.s.serialReconnect.settings().portName, byId);
    }

    void aPortBackSelectsTheParameterSetAgain()
    {
        TempFileDir dir;
        const QString link = dir.filePath(QStringLiteral("dtu"));
        const QString simLog = dir.filePath(QStringLiteral("frames.log"));
        SimProcess sim;
        QVERIFY2(sim.start({"--pty", "--link", link, "--log", simLog, "--vanish-pause", "600"}), qPrintable(sim.errorText()));
        Tool tool;
        tool.s.state.ExtTabVisible = true;
        tool.s.state.MainParamChannel = 1;
        QVERIFY(tool.openSerial(link));
        tool.s.state.ParamChannel = -1;   // as after "打开串口"
        DeviceCommands commands(tool.s.device());
        commands.SelectParamChannel(0);   // the extended table's set, as before reading it
        commands.SelectParamChannel(0);   // still selected: nothing sent
        QTRY_COMPARE(framesWithWord(simLog, QStringLiteral("E0 50 00")), 1);
        QSignalSpy back(&tool.s.serialReconnect, &SerialReconnector::reconnected);
        QVERIFY(sim.signal(SIGUSR1));
        QVERIFY(back.wait(8000));
        // The unit may have restarted: the next read of the extended table selects its set again.
        commands.SelectParamChannel(0);
        QTRY_COMPARE(framesWithWord(simLog, QStringLiteral("E0 50 00")), 2);
    }

    void autoReconnectOffDuringAnOutageAndOnAgain()
    {
        TempFileDir dir;
        const QString link = dir.filePath(QStringLiteral("dtu"));
        SimProcess sim;
        QVERIFY2(sim.start({"--pty", "--link", link, "--vanish-pause", "800"}), qPrintable(sim.errorText()));
        Tool tool;
        QVERIFY(tool.openSerial(link));
        QSignalSpy waiting(&tool.s.serialReconnect, &SerialReconnector::waiting);
        QSignalSpy lost(&tool.s.serialReconnect, &SerialReconnector::lostForGood);
        QSignalSpy back(&tool.s.serialReconnect, &SerialReconnector::reconnected);
        QVERIFY(sim.signal(SIGUSR1));
        QVERIFY(waiting.wait(5000));
        tool.s.setAutoReconnect(false);
        QCOMPARE(lost.count(), 1);
        QVERIFY(!tool.s.serialReconnect.isWaiting());
        QVERIFY(!sim.waitForLine(QStringLiteral("RETURNED"), 5000).isEmpty());
        QTest::qWait(3 * SerialReconnector::kRetryMs);
        QCOMPARE(back.count(), 0);
        // On again: the attempts are taken up and find the device.
        tool.s.setAutoReconnect(true);
        QCOMPARE(waiting.count(), 2);
        QVERIFY(back.wait(5000));
        QVERIFY(tool.s.link.serial().isOpen());
    }

    // A reply wait watches its own channel: the other one dropping and coming back during the
    // wait ends nothing.
    void eachWaitWatchesItsOwnChannel_data()
    {
        QTest::addColumn<bool>("overTcp");
        QTest::newRow("TCP wait, serial adapter flaps") << true;
        QTest::newRow("serial wait, TCP link comes back") << false;
    }
    void eachWaitWatchesItsOwnChannel()
    {
        QFETCH(bool, overTcp);
        TempFileDir dir;
        const QString link = dir.filePath(QStringLiteral("dtu"));
        SimProcess serialSim;
        SimProcess tcpSim;
        // The waiting side answers late; the other side vanishes for a moment meanwhile.
        const QStringList late = {"--delay", "2500"};
        QVERIFY2(serialSim.start(QStringList{"--pty", "--link", link, "--state", "3", "--vanish-pause", "300"} + (overTcp ? QStringList() : late)),
                 qPrintable(serialSim.errorText()));
        QVERIFY2(tcpSim.start(QStringList{"--tcp", "0", "--state", "4", "--vanish-pause", "300"} + (overTcp ? late : QStringList())),
                 qPrintable(tcpSim.errorText()));
        Tool tool;
        QVERIFY(tool.openSerial(link));
        QSignalSpy connected(&tool.s.link.tcp(), &TcpChannel::connected);
        tool.s.tcpReconnect.connectByUser(QStringLiteral("127.0.0.1:%1").arg(tcpSim.tcpPort()));
        QVERIFY(connected.wait(5000));
        QSignalSpy serialBack(&tool.s.serialReconnect, &SerialReconnector::reconnected);
        QSignalSpy tcpBack(&tool.s.tcpReconnect, &TcpReconnector::reconnected);
        if (overTcp) {
            QTimer::singleShot(100, [&serialSim] { serialSim.signal(SIGUSR1); });
        } else {
            // Dropped now, made again about a second into the serial wait.
            QSignalSpy waiting(&tool.s.tcpReconnect, &TcpReconnector::waiting);
            QVERIFY(tcpSim.signal(SIGUSR1));
            QVERIFY(waiting.wait(5000));
        }
        QCOMPARE(tool.readState(), overTcp ? 4 : 3);
        // The other side did drop and come back while the reply was awaited (a TCP link is
        // told as back once it has held).
        QTRY_COMPARE_WITH_TIMEOUT((overTcp ? serialBack : tcpBack).count(), 1, 5000);
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
