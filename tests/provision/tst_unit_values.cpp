// Per-unit value templates, the units file, port patterns and the record's JSON.
#include "provision/port_scan.h"
#include "provision/unit_record.h"
#include "provision/unit_values.h"
#include "support/temp_file_dir.h"

#include <QtTest>

class TestUnitValues : public QObject {
    Q_OBJECT
private slots:
    void counterTemplates()
    {
        QString error;
        auto s = ParseUniqueSpec(QStringLiteral("设备ID={seq:10000001}"), error);
        QVERIFY2(s, qPrintable(error));
        QCOMPARE(s->param, QStringLiteral("设备ID"));
        QCOMPARE(s->start, 10000001);
        QCOMPARE(s->expand(10000042), QStringLiteral("10000042"));

        // Leading zeros of the start are kept, text around the counter too.
        s = ParseUniqueSpec(QStringLiteral("0003=DTU-{seq:0007}-A"), error);
        QVERIFY2(s, qPrintable(error));
        QCOMPARE(s->expand(8), QStringLiteral("DTU-0008-A"));
        QCOMPARE(s->expand(12345), QStringLiteral("DTU-12345-A"));

        for (const char *bad : {"noequals", "=x{seq:1}", "ID=fixed", "ID={seq:}", "ID={seq:12a}", "ID={seq:1}{seq:2}",
                                "ID={count:1}", "ID={seq:1234567890123456789}"}) {
            error.clear();
            QVERIFY2(!ParseUniqueSpec(QString::fromUtf8(bad), error), bad);
            QVERIFY2(!error.isEmpty(), bad);
        }
    }

    void unitsFile()
    {
        QString error;
        auto f = ParseUnitsCsv(QByteArray("\xEF\xBB\xBF" "设备ID,0003\r\n10000001,\"DTU, one\"\r\n\r\n10000002,\"say \"\"hi\"\"\"\n10000003,\n"),
                               error);
        QVERIFY2(f, qPrintable(error));
        QCOMPARE(f->params, (QStringList{QStringLiteral("设备ID"), QStringLiteral("0003")}));
        QCOMPARE(f->rows.size(), 3);
        QCOMPARE(f->unit(0).value(QStringLiteral("0003")), QStringLiteral("DTU, one"));
        QCOMPARE(f->unit(1).value(QStringLiteral("0003")), QStringLiteral("say \"hi\""));
        // An empty cell gives that unit no value for the column.
        QVERIFY(!f->unit(2).contains(QStringLiteral("0003")));
        QVERIFY(f->unit(3).isEmpty());

        QVERIFY(!ParseUnitsCsv("a,b\n1,2,3\n", error));
        QVERIFY2(error.contains(QStringLiteral("line 2")), qPrintable(error));
        QVERIFY(!ParseUnitsCsv("a,b\n1,\"open\n", error));
        QVERIFY(!ParseUnitsCsv("", error));
        QVERIFY(!ParseUnitsCsv("a,,c\n", error));
        QVERIFY(!ReadUnitsCsv(QStringLiteral("/nonexistent/units.csv"), error));
    }

    void uniqueKeyIgnoresOrder()
    {
        QMap<QString, QString> a{{QStringLiteral("0002"), QStringLiteral("1")}, {QStringLiteral("0003"), QStringLiteral("x")}};
        QMap<QString, QString> b;
        b.insert(QStringLiteral("0003"), QStringLiteral("x"));
        b.insert(QStringLiteral("0002"), QStringLiteral("1"));
        QCOMPARE(UniqueKey(a), UniqueKey(b));
        b.insert(QStringLiteral("0002"), QStringLiteral("2"));
        QVERIFY(UniqueKey(a) != UniqueKey(b));
    }

    void portPatterns()
    {
        TempFileDir dir;
        // Links to a character device stand in for serial ports; files beside them are no ports.
        for (const char *n : {"ttyUSB0", "ttyUSB1", "ttyUSB10", "ttyACM0", "TTYUSB2"})
            QVERIFY(QFile::link(QStringLiteral("/dev/null"), dir.filePath(QString::fromLatin1(n))));
        for (const char *n : {"ttyUSB3.jsonl", "ttyUSB4", "unitC.log"})
            dir.write(QString::fromLatin1(n), "{}\n");
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("ttyUSB0")), dir.filePath(QStringLiteral("unitA"))));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")), dir.filePath(QStringLiteral("unitB"))));   // dangling
        const QString p = dir.path();
        QCOMPARE(ExpandPorts({p + QStringLiteral("/ttyUSB*")}, false),
                 (QStringList{p + "/ttyUSB0", p + "/ttyUSB1", p + "/ttyUSB10"}));
        QCOMPARE(ExpandPorts({p + QStringLiteral("/ttyUSB?"), p + QStringLiteral("/ttyUSB0")}, false),
                 (QStringList{p + "/ttyUSB0", p + "/ttyUSB1"}));
        // A link to a device counts; a link whose device has gone does not.
        QCOMPARE(ExpandPorts({p + QStringLiteral("/unit*")}, false), (QStringList{p + "/unitA"}));
        QCOMPARE(ExpandPorts({p + QStringLiteral("/missing")}, false), QStringList());
        QCOMPARE(ExpandPorts({p + QStringLiteral("/missing")}, true), (QStringList{p + "/missing"}));

        QString error;
        dir.write(QStringLiteral("hosts.txt"), "# bench B\n127.0.0.1:9001\n\nunit-7.local\n");
        QCOMPARE(ReadTcpHosts(dir.filePath(QStringLiteral("hosts.txt")), error).value_or(QStringList()),
                 (QStringList{QStringLiteral("127.0.0.1:9001"), QStringLiteral("unit-7.local")}));
        dir.write(QStringLiteral("bad.txt"), "127.0.0.1:9001\nhost with blanks\n");
        QVERIFY(!ReadTcpHosts(dir.filePath(QStringLiteral("bad.txt")), error));
        QVERIFY2(error.contains(QStringLiteral("line 2")), qPrintable(error));
    }

    void recordJson()
    {
        UnitRecord r;
        r.port = QStringLiteral("/dev/ttyUSB3");
        r.result = UnitRecord::Failed;
        r.failure = QStringLiteral("read-back differs");
        r.unique.insert(QStringLiteral("0002"), QStringLiteral("10000009"));
        r.params.append({QStringLiteral("0002"), QStringLiteral("设备ID"), QStringLiteral("10000009"), QStringLiteral("10000008"),
                         QString(), QString()});
        const QJsonObject o = r.toJson();
        QCOMPARE(o.value(QStringLiteral("result")).toString(), QStringLiteral("failed"));
        QCOMPARE(o.value(QStringLiteral("unique")).toObject().value(QStringLiteral("0002")).toString(), QStringLiteral("10000009"));
        QCOMPARE(o.value(QStringLiteral("params")).toArray().first().toObject().value(QStringLiteral("read")).toString(),
                 QStringLiteral("10000008"));
        for (auto res : {UnitRecord::Passed, UnitRecord::Failed, UnitRecord::Skipped})
            QCOMPARE(UnitRecord::resultFromText(UnitRecord::resultText(res)), res);
        QVERIFY(!UnitRecord::resultFromText(QStringLiteral("maybe")));
    }
};

QTEST_GUILESS_MAIN(TestUnitValues)
#include "tst_unit_values.moc"
