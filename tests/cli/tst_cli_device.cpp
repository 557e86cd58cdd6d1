// dtucfg's device commands, raw exchanges and profile buttons against the simulated device.
#include "cli_rig.h"

#include <QRegularExpression>

class TestCliDevice : public QObject {
    Q_OBJECT

    std::unique_ptr<CliRig> rig;

private slots:
    void init()
    {
        rig = std::make_unique<CliRig>();
        QVERIFY2(rig->startSim({QStringLiteral("--state"), QStringLiteral("5"), QStringLiteral("--csq"), QStringLiteral("17")}),
                 qPrintable(rig->sim.errorText()));
    }
    void cleanup() { rig.reset(); }

    void statusQueries_data()
    {
        QTest::addColumn<CliRig::Link>("link");
        QTest::newRow("pty") << CliRig::Pty;
        QTest::newRow("tcp") << CliRig::Tcp;
    }
    void statusQueries()
    {
        QFETCH(CliRig::Link, link);
        const CliResult state = rig->run({QStringLiteral("--json"), QStringLiteral("status")}, link);
        CLI_EXPECT(state, 0);
        QCOMPARE(state.json().value(QStringLiteral("state")).toInt(), 5);
        QCOMPARE(state.json().value(QStringLiteral("lines")).toArray().at(0).toString(),
                 QStringLiteral("DTU状态=5,在线状态，已登录到数据中心"));

        const CliResult csq = rig->run({QStringLiteral("signal")}, link);
        CLI_EXPECT(csq, 0);
        QCOMPARE(QString::fromUtf8(csq.out).trimmed(), QStringLiteral("DTU CSQ=17"));

        const CliResult version = rig->run({QStringLiteral("--json"), QStringLiteral("version")}, link);
        CLI_EXPECT(version, 0);
        QVERIFY(!version.json().value(QStringLiteral("version")).toString().isEmpty());

        const CliResult clock = rig->run({QStringLiteral("--json"), QStringLiteral("clock")}, link);
        CLI_EXPECT(clock, 0);
        static const QRegularExpression clockForm(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"));
        QVERIFY2(clockForm.match(clock.json().value(QStringLiteral("clock")).toString()).hasMatch(), clock.out.constData());
    }

    void setClockThenReadIt()
    {
        const CliResult set = rig->run({QStringLiteral("clock"), QStringLiteral("--set")});
        CLI_EXPECT(set, 0);
        const QStringList lines = QString::fromUtf8(set.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines.at(0).startsWith(QStringLiteral("设置设备时钟=")));
        QCOMPARE(lines.at(1), QStringLiteral("[设备时钟设置成功]"));
        // The device now runs on this computer's clock.
        const QDateTime sent = QDateTime::fromString(lines.at(0).section(QLatin1Char('='), 1), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        const CliResult read = rig->run({QStringLiteral("--json"), QStringLiteral("clock")});
        const QDateTime got = QDateTime::fromString(read.json().value(QStringLiteral("clock")).toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        QVERIFY(got.isValid());
        QVERIFY(qAbs(sent.secsTo(got)) <= 5);
    }

    void defaultsUndoWritesAndResetIsAcknowledged()
    {
        CLI_EXPECT(rig->run({QStringLiteral("set"), QStringLiteral("0004=5")}), 0);
        const CliResult defaults = rig->run({QStringLiteral("defaults")}, CliRig::Tcp);
        CLI_EXPECT(defaults, 0);
        QCOMPARE(QString::fromUtf8(defaults.out).trimmed(), QStringLiteral("[参数设置成功]"));
        const CliResult back = rig->run({QStringLiteral("--json"), QStringLiteral("get"), QStringLiteral("0004")});
        QCOMPARE(back.json().value(QStringLiteral("param")).toObject().value(QStringLiteral("value")).toString(), QStringLiteral("60"));

        const CliResult reset = rig->run({QStringLiteral("--json"), QStringLiteral("reset")});
        CLI_EXPECT(reset, 0);
        QCOMPARE(reset.json().value(QStringLiteral("result")).toString(), QStringLiteral("[复位设备成功]"));
    }

    void modeSwitchGovernsRawTraffic()
    {
        // Transparent mode loops the line back.
        const CliResult echo = rig->run({QStringLiteral("--json"), QStringLiteral("send"), QStringLiteral("hello")});
        CLI_EXPECT(echo, 0);
        QCOMPARE(echo.json().value(QStringLiteral("reply")).toString(), QStringLiteral("68656C6C6F"));

        CLI_EXPECT(rig->run({QStringLiteral("mode"), QStringLiteral("2")}), 0);
        const CliResult at = rig->run({QStringLiteral("at"), QStringLiteral("AT+CSQ")});
        CLI_EXPECT(at, 0);
        QCOMPARE(QString::fromUtf8(at.out), QStringLiteral("HEX:  0D 0A 4F 4B 0D 0A\nTEXT: \\r\\nOK\\r\\n\n"));

        // Back to transparent: the same line is echoed again, not answered with OK.
        const CliResult mode0 = rig->run({QStringLiteral("--json"), QStringLiteral("mode"), QStringLiteral("0")});
        CLI_EXPECT(mode0, 0);
        QCOMPARE(mode0.json().value(QStringLiteral("result")).toString(), QStringLiteral("[工作模式切换成功]"));
        const CliResult again = rig->run({QStringLiteral("--json"), QStringLiteral("at"), QStringLiteral("AT")});
        CLI_EXPECT(again, 0);
        QCOMPARE(again.json().value(QStringLiteral("reply")).toString(), QStringLiteral("41540D"));
    }

    void sendHexFrameAndTrace()
    {
        const CliResult r = rig->run({QStringLiteral("--trace"), QStringLiteral("--json"), QStringLiteral("send"), QStringLiteral("--hex"),
                                      QStringLiteral("AA 55 00 04 E0 04 00 E8")});
        CLI_EXPECT(r, 0);
        QCOMPARE(r.json().value(QStringLiteral("reply")).toString(), QStringLiteral("AA550005E0040500EE"));
        QVERIFY2(r.err.contains(QStringLiteral("下行：AA 55 00 04 E0 04 00 E8 ")), qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("上行：AA 55 00 05 E0 04 05 00 EE ")), qPrintable(r.err));
        // Without --trace stderr stays quiet.
        const CliResult quiet = rig->run({QStringLiteral("status")});
        QVERIFY2(quiet.err.isEmpty(), qPrintable(quiet.err));
    }

    void profileButtons_data()
    {
        QTest::addColumn<CliRig::Link>("link");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("text");
        QTest::newRow("packet over pty") << CliRig::Pty << QStringLiteral("读取信号强度") << QStringLiteral("信号强度：17");
        QTest::newRow("packet over tcp") << CliRig::Tcp << QStringLiteral("读取信号强度") << QStringLiteral("信号强度：17");
        QTest::newRow("hex over tcp") << CliRig::Tcp << QStringLiteral("读取设备状态(HEX)") << QStringLiteral("应答：AA550005E0040500EE");
        QTest::newRow("ascii echoed in transparent mode") << CliRig::Pty << QStringLiteral("发送AT指令(ASCII)")
                                                          << QStringLiteral("收到：AT+CSQ");
    }
    void profileButtons()
    {
        QFETCH(CliRig::Link, link);
        QFETCH(QString, button);
        QFETCH(QString, text);
        const CliResult r = rig->run({QStringLiteral("--json"), QStringLiteral("button"), button}, link);
        CLI_EXPECT(r, 0);
        QCOMPARE(r.json().value(QStringLiteral("text")).toString(), text);
        QCOMPARE(r.json().value(QStringLiteral("button")).toString(), button);
    }
};

QTEST_GUILESS_MAIN(TestCliDevice)
#include "tst_cli_device.moc"
