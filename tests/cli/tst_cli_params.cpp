// dtucfg against the simulated device: reading, single reads, writes through every kind of
// value conversion, applying a profile, and the dump/apply round trip, over pty and TCP.
#include "cli_rig.h"

#include "profile/profile_session.h"
#include "text/text_codec.h"

#include <nlohmann/json.hpp>

namespace {
using Link = CliRig::Link;

// The PVALUE of `code` in a saved profile.
QString storedIn(const QByteArray &file, const QString &code)
{
    QString error;
    const auto root = ParseLenientJson(DecodeText(file).text, &error);
    if (!root)
        return QStringLiteral("<unparsable: %1>").arg(error);
    for (const auto &entry : (*root)["Params"])
        if (QString::fromStdString(entry.value("CMDID", std::string())) == code)
            return QString::fromStdString(entry.value("PVALUE", std::string()));
    return QStringLiteral("<missing>");
}
} // namespace

class TestCliParams : public QObject {
    Q_OBJECT

    std::unique_ptr<CliRig> rig;

private slots:
    void init()
    {
        rig = std::make_unique<CliRig>();
        QVERIFY2(rig->startSim(), qPrintable(rig->sim.errorText()));
    }
    void cleanup() { rig.reset(); }

    void readShowsEveryCodedRow_data()
    {
        QTest::addColumn<Link>("link");
        QTest::newRow("pty") << CliRig::Pty;
        QTest::newRow("tcp") << CliRig::Tcp;
    }
    void readShowsEveryCodedRow()
    {
        QFETCH(Link, link);
        const CliResult r = rig->run({QStringLiteral("--json"), QStringLiteral("read")}, link);
        CLI_EXPECT(r, 0);
        const QJsonObject doc = r.json();
        QCOMPARE(doc.value(QStringLiteral("ok")).toBool(), true);
        QCOMPARE(doc.value(QStringLiteral("table")).toString(), QStringLiteral("main"));
        const auto params = r.params();
        // Headings are not parameters: 28 coded rows in the demo profile.
        QCOMPARE(params.size(), 28);
        QCOMPARE(params.value(QStringLiteral("0001")), qMakePair(QStringLiteral("透明传输"), QStringLiteral("00")));
        QCOMPARE(params.value(QStringLiteral("0003")), qMakePair(QStringLiteral("DTU-200"), QStringLiteral("4454552D323030")));
        QCOMPARE(params.value(QStringLiteral("0014")), qMakePair(QStringLiteral("192.168.1.100"), QStringLiteral("C0A80164")));
        QCOMPARE(params.value(QStringLiteral("0027")), qMakePair(QStringLiteral("35.500"), QStringLiteral("00000E42")));

        const CliResult text = rig->run({QStringLiteral("read")}, link);
        CLI_EXPECT(text, 0);
        const QStringList lines = QString::fromUtf8(text.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 29);  // header and one line per parameter
        QVERIFY(lines.at(0).startsWith(QLatin1String("CODE")));
        QVERIFY2(lines.at(3).contains(QLatin1String("0003")) && lines.at(3).contains(QLatin1String("DTU-200")),
                 qPrintable(lines.at(3)));
    }

    void readExtendedTableSelectsItsSet()
    {
        // A value only the device's extended set holds, so a read of the wrong set would miss it.
        CLI_EXPECT(rig->run({QStringLiteral("set"), QStringLiteral("0101=7")}), 0);
        const CliResult r = rig->run({QStringLiteral("--json"), QStringLiteral("read"), QStringLiteral("--ext")});
        CLI_EXPECT(r, 0);
        QCOMPARE(r.json().value(QStringLiteral("table")).toString(), QStringLiteral("ext"));
        const auto params = r.params();
        QVERIFY(params.contains(QStringLiteral("0101")));
        QVERIFY(!params.contains(QStringLiteral("0001")));
        QCOMPARE(params.value(QStringLiteral("0101")), qMakePair(QStringLiteral("7"), QStringLiteral("07")));
    }

    void getByCodeAndByName()
    {
        const CliResult byCode = rig->run({QStringLiteral("--json"), QStringLiteral("get"), QStringLiteral("0015")}, CliRig::Tcp);
        CLI_EXPECT(byCode, 0);
        const QJsonObject p = byCode.json().value(QStringLiteral("param")).toObject();
        QCOMPARE(p.value(QStringLiteral("value")).toString(), QStringLiteral("8080"));
        QCOMPARE(p.value(QStringLiteral("hex")).toString(), QStringLiteral("1F90"));

        const CliResult byName = rig->run({QStringLiteral("get"), QStringLiteral("设备名称")});
        CLI_EXPECT(byName, 0);
        QCOMPARE(QString::fromUtf8(byName.out).trimmed(), QStringLiteral("设备名称 (0003) = DTU-200  HEX:4454552D323030"));

        const CliResult unknown = rig->run({QStringLiteral("get"), QStringLiteral("9999")});
        CLI_EXPECT(unknown, 2);
        QVERIFY(unknown.err.contains(QLatin1String("9999")));
    }

    void setConvertsLikeTheEditor_data()
    {
        QTest::addColumn<Link>("link");
        QTest::addColumn<QString>("assignment");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("hex");
        QTest::addColumn<QString>("shown");
        QTest::newRow("list by name") << CliRig::Pty << QStringLiteral("通信协议=UDP") << QStringLiteral("0013")
                                      << QStringLiteral("01") << QStringLiteral("UDP");
        QTest::newRow("ONSET script") << CliRig::Tcp << QStringLiteral("0004=300") << QStringLiteral("0004")
                                      << QStringLiteral("012C") << QStringLiteral("300");
        QTest::newRow("ONSET script, ip") << CliRig::Pty << QStringLiteral("0014=10.0.0.7") << QStringLiteral("0014")
                                          << QStringLiteral("0A000007") << QStringLiteral("10.0.0.7");
        QTest::newRow("built-in text") << CliRig::Pty << QStringLiteral("0010=3gnet") << QStringLiteral("0010")
                                       << QStringLiteral("33676E6574") << QStringLiteral("3gnet");
        QTest::newRow("built-in float") << CliRig::Tcp << QStringLiteral("0027=2.5") << QStringLiteral("0027")
                                        << QStringLiteral("00002040") << QStringLiteral("2.500");
        QTest::newRow("raw stored value") << CliRig::Pty << QStringLiteral("0026=HEX:09") << QStringLiteral("0026")
                                          << QStringLiteral("09") << QStringLiteral("9");
        // The maintenance port addresses the extended rows by code, with no set to select.
        QTest::newRow("extended row over TCP") << CliRig::Tcp << QStringLiteral("Modbus从站地址=7") << QStringLiteral("0101")
                                               << QStringLiteral("07") << QStringLiteral("7");
    }
    void setConvertsLikeTheEditor()
    {
        QFETCH(Link, link);
        QFETCH(QString, assignment);
        QFETCH(QString, code);
        QFETCH(QString, hex);
        QFETCH(QString, shown);
        const CliResult set = rig->run({QStringLiteral("--json"), QStringLiteral("set"), assignment}, link);
        CLI_EXPECT(set, 0);
        const QJsonArray written = set.json().value(QStringLiteral("written")).toArray();
        QCOMPARE(written.size(), 1);
        QCOMPARE(written.at(0).toObject().value(QStringLiteral("hex")).toString(), hex);
        QCOMPARE(written.at(0).toObject().value(QStringLiteral("result")).toString(), QStringLiteral("[参数设置成功]"));
        // The device holds the new value: a fresh read shows it through ONGET.
        const bool extended = code.startsWith(QLatin1String("01"));
        const CliResult back = rig->run(extended ? QStringList{QStringLiteral("--json"), QStringLiteral("read"), QStringLiteral("--ext")}
                                                 : QStringList{QStringLiteral("--json"), QStringLiteral("read")},
                                        link);
        CLI_EXPECT(back, 0);
        QCOMPARE(back.params().value(code), qMakePair(shown, hex));
    }

    void setSeveralAtOnce()
    {
        const CliResult set = rig->run({QStringLiteral("set"), QStringLiteral("工作模式=控制模式"), QStringLiteral("0003=Bench-7"),
                                        QStringLiteral("0102=30")});
        CLI_EXPECT(set, 0);
        const CliResult main = rig->run({QStringLiteral("--json"), QStringLiteral("read")});
        QCOMPARE(main.params().value(QStringLiteral("0001")).first, QStringLiteral("控制模式"));
        QCOMPARE(main.params().value(QStringLiteral("0003")).first, QStringLiteral("Bench-7"));
        // 0102 lives in the extended table: written into the extended set.
        const CliResult ext = rig->run({QStringLiteral("--json"), QStringLiteral("read"), QStringLiteral("--ext")});
        QCOMPARE(ext.params().value(QStringLiteral("0102")), qMakePair(QStringLiteral("30"), QStringLiteral("001E")));
    }

    void refusedValuesAreUsageErrorsAndSendNothing_data()
    {
        QTest::addColumn<QString>("assignment");
        QTest::addColumn<QString>("why");
        QTest::newRow("not in the list") << QStringLiteral("0013=SCTP") << QStringLiteral("TCP, UDP");
        QTest::newRow("masked character") << QStringLiteral("0004=12a") << QStringLiteral("'a'");
        QTest::newRow("too long") << QStringLiteral("0004=123456") << QStringLiteral("at most 5");
        QTest::newRow("script refuses") << QStringLiteral("0004=70000") << QStringLiteral("70000");
        QTest::newRow("float refuses") << QStringLiteral("0027=-") << QStringLiteral("\"-\"");
        QTest::newRow("protected row") << QStringLiteral("0091=X") << QStringLiteral("protected");
        QTest::newRow("no value sign") << QStringLiteral("0004") << QStringLiteral("NAME=VALUE");
        QTest::newRow("bad raw value") << QStringLiteral("0004=HEX:123") << QStringLiteral("hex digits");
    }
    void refusedValuesAreUsageErrorsAndSendNothing()
    {
        QFETCH(QString, assignment);
        QFETCH(QString, why);
        // A good value first: nothing at all is written when a later one is refused.
        const CliResult r = rig->run({QStringLiteral("set"), QStringLiteral("0003=Changed"), assignment});
        CLI_EXPECT(r, 2);
        QVERIFY2(r.err.contains(why), qPrintable(r.err));
        QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
        const CliResult back = rig->run({QStringLiteral("--json"), QStringLiteral("read")});
        QCOMPARE(back.params().value(QStringLiteral("0003")).first, QStringLiteral("DTU-200"));
    }

    void applyWritesEveryCodedRow()
    {
        // A profile of our own with changed values, in UTF-8.
        QByteArray text = rig->dir.read(QStringLiteral("demo_profile.txt"));
        QString profile = DecodeText(text).text;
        profile.replace(QStringLiteral("\"HEX:003C\""), QStringLiteral("\"HEX:0078\""));     // 0004: 60 → 120
        profile.replace(QStringLiteral("\"HEX:434D4E4554\""), QStringLiteral("\"HEX:41424344\""));  // 0010: ABCD
        rig->dir.writeUtf8(QStringLiteral("changed.txt"), profile);
        const CliResult apply = rig->run({QStringLiteral("apply"), QStringLiteral("changed.txt")}, CliRig::Tcp);
        CLI_EXPECT(apply, 0);
        // Progress on stderr; the protected row is left alone.
        QVERIFY2(apply.err.contains(QLatin1String("1/28")) && apply.err.contains(QLatin1String("28/28")), qPrintable(apply.err));
        QVERIFY(apply.err.contains(QLatin1String("protected")));
        const CliResult back = rig->run({QStringLiteral("--json"), QStringLiteral("read")});
        QCOMPARE(back.params().value(QStringLiteral("0004")).first, QStringLiteral("120"));
        QCOMPARE(back.params().value(QStringLiteral("0010")).first, QStringLiteral("ABCD"));
    }

    void dumpThenApplyRestoresTheDevice()
    {
        const CliResult dump = rig->run({QStringLiteral("--json"), QStringLiteral("dump"), QStringLiteral("--out"),
                                         QStringLiteral("saved.txt")});
        CLI_EXPECT(dump, 0);
        const auto dumped = dump.params();
        const QByteArray file = rig->dir.read(QStringLiteral("saved.txt"));
        QCOMPARE(storedIn(file, QStringLiteral("0004")), QStringLiteral("HEX:003C"));
        QCOMPARE(storedIn(file, QStringLiteral("0027")), QStringLiteral("HEX:00000E42"));
        // Written in the profile's own code page.
        QCOMPARE(DecodeText(file).encoding, TextEncoding::Gbk);

        CLI_EXPECT(rig->run({QStringLiteral("set"), QStringLiteral("0004=1"), QStringLiteral("0006=开启"),
                             QStringLiteral("0027=-40"), QStringLiteral("0019=example.org")}),
                   0);
        const CliResult changed = rig->run({QStringLiteral("--json"), QStringLiteral("read")});
        QVERIFY(changed.params() != dumped);

        CLI_EXPECT(rig->run({QStringLiteral("apply"), QStringLiteral("saved.txt")}), 0);
        const CliResult back = rig->run({QStringLiteral("--json"), QStringLiteral("read")});
        CLI_EXPECT(back, 0);
        QCOMPARE(back.params(), dumped);
    }
};

QTEST_GUILESS_MAIN(TestCliParams)
#include "tst_cli_params.moc"
