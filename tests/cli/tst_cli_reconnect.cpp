// dtucfg and a device that is not there yet, or goes away mid-command; its session log.
#include "cli_rig.h"

#include <sys/stat.h>

#include <QTcpServer>

namespace {
// dtucfg started in the background, so the device can appear while it waits.
struct Background {
    QProcess p;
    void start(const CliRig &rig, const QStringList &args)
    {
        p.setWorkingDirectory(rig.dir.path());
        p.start(CliRig::executable(), args);
    }
    CliResult finish(int timeoutMs)
    {
        CliResult r;
        if (!p.waitForFinished(timeoutMs)) {
            p.kill();
            p.waitForFinished(1000);
            r.err = QStringLiteral("dtucfg did not finish");
            return r;
        }
        r.exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = p.readAllStandardOutput();
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
};

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}
} // namespace

class TestCliReconnect : public QObject {
    Q_OBJECT
private slots:
    void waitPortStartsWhenThePortAppears()
    {
        CliRig rig;
        const QString link = rig.dir.filePath(QStringLiteral("unit"));
        Background cli;
        cli.start(rig, {QStringLiteral("--port"), link, QStringLiteral("--wait-port"), QStringLiteral("20"),
                        QStringLiteral("--json"), QStringLiteral("status")});
        QVERIFY(cli.p.waitForStarted(5000));
        // The next unit is plugged in a moment later.
        QTest::qWait(1200);
        QCOMPARE(cli.p.state(), QProcess::Running);
        QVERIFY2(rig.sim.start({QStringLiteral("--pty"), QStringLiteral("--link"), link, QStringLiteral("--state"), QStringLiteral("4")}),
                 qPrintable(rig.sim.errorText()));
        const CliResult r = cli.finish(30000);
        CLI_EXPECT(r, 0);
        QCOMPARE(r.json().value(QStringLiteral("state")).toInt(), 4);
    }

    void waitPortOverTcp()
    {
        CliRig rig;
        const quint16 port = freePort();
        QVERIFY(port != 0);
        Background cli;
        cli.start(rig, {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(port), QStringLiteral("--wait-port"),
                        QStringLiteral("20"), QStringLiteral("--json"), QStringLiteral("status")});
        QVERIFY(cli.p.waitForStarted(5000));
        QTest::qWait(1200);
        QCOMPARE(cli.p.state(), QProcess::Running);
        QVERIFY2(rig.sim.start({QStringLiteral("--tcp"), QString::number(port), QStringLiteral("--state"), QStringLiteral("2")}),
                 qPrintable(rig.sim.errorText()));
        const CliResult r = cli.finish(30000);
        CLI_EXPECT(r, 0);
        QCOMPARE(r.json().value(QStringLiteral("state")).toInt(), 2);
    }

    void waitPortGivesUpWithNoChannel()
    {
        CliRig rig;
        const CliResult r = rig.runRaw({QStringLiteral("--port"), rig.dir.filePath(QStringLiteral("never")),
                                        QStringLiteral("--wait-port"), QStringLiteral("1"), QStringLiteral("status")});
        CLI_EXPECT(r, 3);
        QVERIFY2(r.err.contains(QStringLiteral("cannot open the serial port")), qPrintable(r.err));
    }

    void portVanishingMidCommandEndsWithNoChannel_data()
    {
        QTest::addColumn<CliRig::Link>("link");
        QTest::newRow("pty") << CliRig::Pty;
        QTest::newRow("tcp") << CliRig::Tcp;
    }
    void portVanishingMidCommandEndsWithNoChannel()
    {
        QFETCH(CliRig::Link, link);
        CliRig rig;
        // The state request is never answered: the device goes away while dtucfg waits.
        QVERIFY2(rig.startSim({QStringLiteral("--silent"), QStringLiteral("E004"), QStringLiteral("--vanish-after"),
                               QStringLiteral("1"), QStringLiteral("--vanish-pause"), QStringLiteral("3000")}),
                 qPrintable(rig.sim.errorText()));
        QElapsedTimer t;
        t.start();
        const CliResult r = rig.run({QStringLiteral("status")}, link);
        CLI_EXPECT(r, 3);
        QVERIFY2(t.elapsed() < 3500, qPrintable(QString::number(t.elapsed())));  // not the 4 s time-out
        const QStringList errLines = r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(errLines.size(), 1);
        QVERIFY2(errLines.first().contains(link == CliRig::Pty ? QStringLiteral("vanished") : QStringLiteral("dropped")),
                 qPrintable(r.err));
    }

    void logFileHoldsLinesAndBothDirections()
    {
        CliRig rig;
        QVERIFY2(rig.startSim(), qPrintable(rig.sim.errorText()));
        const QString logPath = rig.dir.filePath(QStringLiteral("run.log"));
        const CliResult r = rig.run({QStringLiteral("--log"), logPath, QStringLiteral("read")});
        CLI_EXPECT(r, 0);
        QFile f(logPath);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(lines.size() >= 3);
        const QStringList tx = lines.filter(QRegularExpression(QStringLiteral("^\\S+ \\S+ TX AA 55 ")));
        const QStringList rx = lines.filter(QRegularExpression(QStringLiteral("^\\S+ \\S+ RX AA 55 ")));
        QVERIFY2(!tx.isEmpty() && !rx.isEmpty(), qPrintable(lines.join(QLatin1Char('\n'))));
        // The request goes out before its reply comes in, and the result line comes last.
        QVERIFY(lines.indexOf(tx.first()) < lines.indexOf(rx.first()));
        QVERIFY2(lines.last().endsWith(QStringLiteral("Memo1 [参数读取完毕]")), qPrintable(lines.last()));
    }

    // What the window's views would show for the same operation is in the log too.
    void logFileHoldsWhatTheWindowShows_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("expected");  // "TAG text" starts, in order
        QTest::newRow("status") << QStringList{QStringLiteral("status")} << QStringList{QStringLiteral("Memo4 DTU状态=")};
        QTest::newRow("hex button") << QStringList{QStringLiteral("button"), QStringLiteral("读取设备状态(HEX)")}
                                    << QStringList{QStringLiteral("Memo1 下行HEX："), QStringLiteral("Memo1 上行：AA 55 00 05 E0 04 "),
                                                   QStringLiteral("Form2.Memo1 应答：AA550005E004")};
    }
    void logFileHoldsWhatTheWindowShows()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, expected);
        CliRig rig;
        QVERIFY2(rig.startSim(), qPrintable(rig.sim.errorText()));
        const QString logPath = rig.dir.filePath(QStringLiteral("run.log"));
        const CliResult r = rig.run(QStringList{QStringLiteral("--log"), logPath} + args);
        CLI_EXPECT(r, 0);
        QFile f(logPath);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        int from = 0;
        for (const QString &want : expected) {
            int found = -1;
            for (int i = from; i < lines.size() && found < 0; ++i)
                if (lines[i].mid(24).startsWith(want))
                    found = i;
            QVERIFY2(found >= 0, qPrintable(want + QStringLiteral(" not in:\n") + lines.join(QLatin1Char('\n'))));
            from = found + 1;
        }
    }

    void unwritableLogIsWarnedOnce()
    {
        CliRig rig;
        QVERIFY2(rig.startSim(), qPrintable(rig.sim.errorText()));
        const CliResult r = rig.run({QStringLiteral("--log"), QStringLiteral("/dev/full"), QStringLiteral("status")});
        CLI_EXPECT(r, 0);
        const QStringList warnings = r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts).filter(QStringLiteral("/dev/full"));
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings.first().startsWith(QStringLiteral("warning: 日志文件无法写入：/dev/full")), qPrintable(r.err));
    }

    // A pipe as the log: refused at once with its reason, never a run that waits for a reader.
    void pipeAsLogIsRefusedNotWaitedOn()
    {
        CliRig rig;
        QVERIFY2(rig.startSim(), qPrintable(rig.sim.errorText()));
        const QString fifo = rig.dir.filePath(QStringLiteral("log.fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const CliResult r = rig.run({QStringLiteral("--log"), fifo, QStringLiteral("status")});
        CLI_EXPECT(r, 7);
        QVERIFY2(r.err.contains(QStringLiteral("a pipe cannot hold the log")), qPrintable(r.err));
    }
};

QTEST_GUILESS_MAIN(TestCliReconnect)
#include "tst_cli_reconnect.moc"
