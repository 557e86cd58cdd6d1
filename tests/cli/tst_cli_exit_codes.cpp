// dtucfg's exit status for each way a run can fail, with its one-line text on stderr.
#include "cli_rig.h"

#include <QTcpServer>

class TestCliExitCodes : public QObject {
    Q_OBJECT

    // A run against a simulator with `faults`; the rig lives until the next call.
    std::unique_ptr<CliRig> rig;
    CliResult against(const QStringList &faults, const QStringList &args, CliRig::Link link = CliRig::Pty)
    {
        rig = std::make_unique<CliRig>();
        if (!rig->startSim(faults))
            return CliResult{-1, QByteArray(), rig->sim.errorText()};
        return rig->run(args, link);
    }
    static void expectOneLine(const CliResult &r, const QString &fragment)
    {
        QVERIFY2(r.err.contains(fragment), qPrintable(r.err));
        QVERIFY2(r.err.startsWith(QLatin1String("dtucfg: ")), qPrintable(r.err));
        QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
    }

private slots:
    void cleanup() { rig.reset(); }

    void helpDocumentsEveryCode()
    {
        CliRig local;
        const CliResult r = local.runRaw({QStringLiteral("--help")});
        CLI_EXPECT(r, 0);
        const QString text = QString::fromUtf8(r.out);
        for (const char *line : {"  2  usage", "  3  no data channel", "  4  no reply", "  5  the device refused",
                                 "  6  bad frame", "  7  other error"})
            QVERIFY2(text.contains(QLatin1String(line)), line);
        QVERIFY(text.contains(QLatin1String("button NAME")));
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("fragment");
        const QString port = QStringLiteral("--port");
        const QString dev = QStringLiteral("/dev/null");
        QTest::newRow("no command") << QStringList{} << QStringLiteral("no command");
        QTest::newRow("unknown command") << QStringList{QStringLiteral("fly")} << QStringLiteral("unknown command");
        QTest::newRow("unknown option") << QStringList{QStringLiteral("--speed"), QStringLiteral("status")} << QStringLiteral("speed");
        QTest::newRow("missing argument") << QStringList{QStringLiteral("get")} << QStringLiteral("arguments");
        QTest::newRow("bad timeout") << QStringList{QStringLiteral("--timeout-ms"), QStringLiteral("soon"), QStringLiteral("status")}
                                     << QStringLiteral("--timeout-ms");
        QTest::newRow("two links") << QStringList{port, dev, QStringLiteral("--tcp"), QStringLiteral("127.0.0.1"), QStringLiteral("status")}
                                   << QStringLiteral("either");
        QTest::newRow("no link") << QStringList{QStringLiteral("status")} << QStringLiteral("--port PATH or --tcp");
        QTest::newRow("send needs one form") << QStringList{port, dev, QStringLiteral("send")} << QStringLiteral("TEXT or --hex");
        QTest::newRow("send bad hex") << QStringList{port, dev, QStringLiteral("send"), QStringLiteral("--hex"), QStringLiteral("ABC")}
                                      << QStringLiteral("pairs of hex digits");
        QTest::newRow("dump needs a file") << QStringList{port, dev, QStringLiteral("dump")} << QStringLiteral("--out");
        QTest::newRow("mode out of range") << QStringList{port, dev, QStringLiteral("mode"), QStringLiteral("3")} << QStringLiteral("0, 1 or 2");
        QTest::newRow("mode over tcp") << QStringList{QStringLiteral("--tcp"), QStringLiteral("127.0.0.1"), QStringLiteral("mode"), QStringLiteral("1")}
                                       << QStringLiteral("serial port");
        QTest::newRow("baud not in the table") << QStringList{port, dev, QStringLiteral("--baud"), QStringLiteral("12345"), QStringLiteral("status")}
                                               << QStringLiteral("baud");
        QTest::newRow("format not like 8N1") << QStringList{port, dev, QStringLiteral("--format"), QStringLiteral("9X1"), QStringLiteral("status")}
                                             << QStringLiteral("8N1");
        QTest::newRow("read needs a profile") << QStringList{port, dev, QStringLiteral("read")} << QStringLiteral("--profile");
        QTest::newRow("unknown button") << QStringList{port, dev, QStringLiteral("--profile"), QStringLiteral("demo_profile.txt"),
                                                       QStringLiteral("button"), QStringLiteral("nope")}
                                        << QStringLiteral("读取信号强度");
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, fragment);
        CliRig local;
        const CliResult r = local.runRaw(args);
        CLI_EXPECT(r, 2);
        expectOneLine(r, fragment);
        QVERIFY(r.out.isEmpty());
    }

    void noDataChannel()
    {
        CliRig local;
        const CliResult port = local.runRaw({QStringLiteral("--port"), local.dir.filePath(QStringLiteral("no-such-tty")),
                                             QStringLiteral("status")});
        CLI_EXPECT(port, 3);
        expectOneLine(port, QStringLiteral("cannot open the serial port"));

        quint16 closedPort = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            closedPort = probe.serverPort();
        }
        const CliResult tcp = local.runRaw({QStringLiteral("--json"), QStringLiteral("--tcp"),
                                            QStringLiteral("127.0.0.1:%1").arg(closedPort), QStringLiteral("version")});
        CLI_EXPECT(tcp, 3);
        expectOneLine(tcp, QStringLiteral("cannot connect"));
        // Failures still give one JSON document.
        const QJsonObject doc = tcp.json();
        QCOMPARE(doc.value(QStringLiteral("ok")).toBool(true), false);
        QCOMPARE(doc.value(QStringLiteral("exit")).toInt(), 3);
        QVERIFY(doc.value(QStringLiteral("error")).toString().contains(QLatin1String("cannot connect")));
    }

    void deviceFaults_data()
    {
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("fragment");
        const QString silent = QStringLiteral("--silent");
        QTest::newRow("read, no reply") << QStringList{silent, QStringLiteral("E001")} << QStringList{QStringLiteral("read")} << 4
                                        << QStringLiteral("设备无响应");
        QTest::newRow("set, no reply") << QStringList{silent, QStringLiteral("0004")} << QStringList{QStringLiteral("set"), QStringLiteral("0004=5")}
                                       << 4 << QStringLiteral("设备无响应");
        QTest::newRow("status, no reply") << QStringList{silent, QStringLiteral("E004")} << QStringList{QStringLiteral("status")} << 4
                                          << QStringLiteral("设备无响应");
        QTest::newRow("version, no reply") << QStringList{silent, QStringLiteral("E003")} << QStringList{QStringLiteral("version")} << 4
                                           << QStringLiteral("DTU版本号读取失败");
        QTest::newRow("send, no reply") << QStringList{silent, QStringLiteral("E004")}
                                        << QStringList{QStringLiteral("--timeout-ms"), QStringLiteral("300"), QStringLiteral("send"),
                                                       QStringLiteral("--hex"), QStringLiteral("AA550004E00400E8")}
                                        << 4 << QStringLiteral("no answer within 300 ms");
        QTest::newRow("set refused") << QStringList{QStringLiteral("--refuse"), QStringLiteral("0004")}
                                     << QStringList{QStringLiteral("set"), QStringLiteral("0004=5")} << 5 << QStringLiteral("[参数设置失败]");
        QTest::newRow("defaults refused") << QStringList{QStringLiteral("--refuse"), QStringLiteral("E006")} << QStringList{QStringLiteral("defaults")}
                                          << 5 << QStringLiteral("[参数设置失败]");
        QTest::newRow("reset refused") << QStringList{QStringLiteral("--refuse"), QStringLiteral("E005")} << QStringList{QStringLiteral("reset")}
                                       << 5 << QStringLiteral("[复位设备失败]");
        QTest::newRow("read, bad checksum") << QStringList{QStringLiteral("--bad-checksum")} << QStringList{QStringLiteral("read")} << 6
                                            << QStringLiteral("校验错");
        QTest::newRow("read, garbled") << QStringList{QStringLiteral("--garble"), QStringLiteral("E001")} << QStringList{QStringLiteral("read")}
                                       << 6 << QStringLiteral("包头非法");
        QTest::newRow("set, bad checksum") << QStringList{QStringLiteral("--bad-checksum")} << QStringList{QStringLiteral("set"), QStringLiteral("0004=5")}
                                           << 6 << QStringLiteral("校验错误");
        QTest::newRow("set, garbled") << QStringList{QStringLiteral("--garble"), QStringLiteral("0004")}
                                      << QStringList{QStringLiteral("set"), QStringLiteral("0004=5")} << 6 << QStringLiteral("非法内容");
        QTest::newRow("status, bad checksum") << QStringList{QStringLiteral("--bad-checksum")} << QStringList{QStringLiteral("status")} << 6
                                              << QStringLiteral("DTU状态读取失败");
        QTest::newRow("signal, wrong command word") << QStringList{QStringLiteral("--wrong-cmd")} << QStringList{QStringLiteral("signal")} << 6
                                                    << QStringLiteral("命令字非法");
    }
    void deviceFaults()
    {
        QFETCH(QStringList, faults);
        QFETCH(QStringList, args);
        QFETCH(int, exit);
        QFETCH(QString, fragment);
        const CliResult r = against(faults, args);
        CLI_EXPECT(r, exit);
        expectOneLine(r, fragment);
    }

    void fileAndScriptErrors()
    {
        CliRig local;
        const CliResult noScript = local.runRaw({QStringLiteral("--script"), QStringLiteral("missing.js"), QStringLiteral("--port"),
                                                 QStringLiteral("/dev/null"), QStringLiteral("status")});
        CLI_EXPECT(noScript, 7);
        expectOneLine(noScript, QStringLiteral("missing.js"));

        local.dir.writeUtf8(QStringLiteral("broken.js"), QStringLiteral("function ("));
        const CliResult badScript = local.runRaw({QStringLiteral("--script"), QStringLiteral("broken.js"), QStringLiteral("--port"),
                                                  QStringLiteral("/dev/null"), QStringLiteral("status")});
        CLI_EXPECT(badScript, 7);
        expectOneLine(badScript, QStringLiteral("error in the script file broken.js"));

        local.dir.writeUtf8(QStringLiteral("notjson.txt"), QStringLiteral("this is no profile"));
        const CliResult badProfile = local.runRaw({QStringLiteral("--profile"), QStringLiteral("notjson.txt"), QStringLiteral("--port"),
                                                   QStringLiteral("/dev/null"), QStringLiteral("read")});
        CLI_EXPECT(badProfile, 7);
        expectOneLine(badProfile, QStringLiteral("cannot load the profile"));
    }

    void dumpToAnUnwritablePlace()
    {
        const CliResult r = against({}, {QStringLiteral("dump"), QStringLiteral("--out"), QStringLiteral("/nonexistent-dir/x.txt")});
        CLI_EXPECT(r, 7);
        expectOneLine(r, QStringLiteral("cannot write /nonexistent-dir/x.txt"));
    }
};

QTEST_GUILESS_MAIN(TestCliExitCodes)
#include "tst_cli_exit_codes.moc"
