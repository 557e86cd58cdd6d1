// Production runs against simulated units, each a dtusim on its own pseudo-terminal: many units
// at once with unique values, faulty units failing alone, read-back verification, station mode.
#include "provision/station.h"
#include "support/sim_process.h"
#include "support/temp_file_dir.h"
#include "text/text_codec.h"

#include <QDir>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

namespace {
class Rig {
public:
    Rig()
    {
        const QDir examples(QStringLiteral(DTU_SOURCE_DIR "/examples"));
        for (const QString &name : examples.entryList(QDir::Files))
            QFile::copy(examples.filePath(name), dir.filePath(name));
    }

    // A simulated unit linked as dir/NAME, with `faults`.
    bool addUnit(const QString &name, const QStringList &faults = {})
    {
        auto sim = std::make_unique<SimProcess>();
        const bool ok = sim->start(QStringList{QStringLiteral("--pty"), QStringLiteral("--link"), dir.filePath(name),
                                               QStringLiteral("--profile"), dir.filePath(QStringLiteral("demo_profile.txt"))} +
                                   faults);
        if (!ok)
            qWarning("%s", qPrintable(sim->errorText()));
        sims.push_back(std::move(sim));
        return ok;
    }

    StationConfig config() const
    {
        StationConfig c;
        c.plan.goldenPath = dir.filePath(QStringLiteral("demo_profile.txt"));
        c.plan.scriptPath = dir.filePath(QStringLiteral("script.js"));
        c.ports = QStringList{dir.filePath(QStringLiteral("unit*"))};
        c.db = dir.filePath(QStringLiteral("records.sqlite"));
        QString error;
        c.uniques << *ParseUniqueSpec(QStringLiteral("设备ID={seq:20000001}"), error);
        c.scanMs = 100;
        return c;
    }

    // Runs a station to its end; the records by port.
    QMap<QString, UnitRecord> run(const StationConfig &c)
    {
        Station station(c);
        QSignalSpy done(&station, &Station::finished);
        QString error;
        if (!station.start(error)) {
            qWarning("%s", qPrintable(error));
            return {};
        }
        if (!done.wait(120000))
            return {};
        QMap<QString, UnitRecord> out;
        for (const UnitRecord &r : station.records())
            out.insert(QFileInfo(r.port).fileName(), r);
        return out;
    }

    TempFileDir dir;
    std::vector<std::unique_ptr<SimProcess>> sims;
};

const QString kDeviceId = QStringLiteral("0002");
} // namespace

class TestStation : public QObject {
    Q_OBJECT
private slots:
    void eightUnitsGetUniqueVerifiedValues()
    {
        Rig rig;
        for (int i = 0; i < 8; ++i)
            QVERIFY(rig.addUnit(QStringLiteral("unit%1").arg(i)));
        const auto records = rig.run(rig.config());
        QCOMPARE(records.size(), 8);
        QSet<QString> ids;
        for (const UnitRecord &r : records) {
            QVERIFY2(r.result == UnitRecord::Passed, qPrintable(r.port + QStringLiteral(": ") + r.failure));
            QCOMPARE(r.version, QStringLiteral("DTUSIM-V1.0.3"));
            // The identity is what the unit held before: the profile's start value.
            QCOMPARE(r.identity.value(kDeviceId), QStringLiteral("10000001"));
            ids.insert(r.unique.value(kDeviceId));
            // Every written parameter was read back with the value written.
            QVERIFY(r.params.size() >= 20);
            for (const WrittenParam &p : r.params)
                QVERIFY2(p.written == p.read && p.writtenHex == p.readHex, qPrintable(p.code));
            bool idWritten = false;
            for (const WrittenParam &p : r.params)
                idWritten = idWritten || (p.code == kDeviceId && p.read == r.unique.value(kDeviceId));
            QVERIFY(idWritten);
            QVERIFY(r.id > 0);
        }
        QCOMPARE(ids.size(), 8);
        for (int v = 20000001; v <= 20000008; ++v)
            QVERIFY(ids.contains(QString::number(v)));

        // A second run goes on counting, and --only-changed writes only what differs: the ID.
        StationConfig c = rig.config();
        c.plan.onlyChanged = true;
        const auto second = rig.run(c);
        QCOMPARE(second.size(), 8);
        for (const UnitRecord &r : second) {
            QVERIFY2(r.result == UnitRecord::Passed, qPrintable(r.failure));
            QCOMPARE(r.params.size(), 1);
            QCOMPARE(r.params.first().code, kDeviceId);
            QVERIFY(r.unique.value(kDeviceId).toLongLong() > 20000008);
        }
    }

    void faultyUnitsFailAloneWithTheirReason()
    {
        Rig rig;
        QVERIFY(rig.addUnit(QStringLiteral("unitA")));
        QVERIFY(rig.addUnit(QStringLiteral("unitB")));
        QVERIFY(rig.addUnit(QStringLiteral("unitSilent"), {QStringLiteral("--silent"), QStringLiteral("all")}));
        QVERIFY(rig.addUnit(QStringLiteral("unitMisstore"), {QStringLiteral("--misstore"), QStringLiteral("0004")}));
        QVERIFY(rig.addUnit(QStringLiteral("unitRefuse"), {QStringLiteral("--refuse"), QStringLiteral("0003")}));
        QVERIFY(rig.addUnit(QStringLiteral("unitChecksum"), {QStringLiteral("--bad-checksum")}));
        const auto records = rig.run(rig.config());
        QCOMPARE(records.size(), 6);
        QCOMPARE(records.value(QStringLiteral("unitA")).result, UnitRecord::Passed);
        QCOMPARE(records.value(QStringLiteral("unitB")).result, UnitRecord::Passed);

        const UnitRecord silent = records.value(QStringLiteral("unitSilent"));
        QCOMPARE(silent.result, UnitRecord::Failed);
        QVERIFY2(silent.failure.startsWith(QStringLiteral("reading the version")), qPrintable(silent.failure));

        const UnitRecord misstore = records.value(QStringLiteral("unitMisstore"));
        QCOMPARE(misstore.result, UnitRecord::Failed);
        QCOMPARE(misstore.failure, QStringLiteral("read-back differs: 心跳间隔(秒) (0004): wrote \"60\", read back \"61\""));

        const UnitRecord refuse = records.value(QStringLiteral("unitRefuse"));
        QCOMPARE(refuse.result, UnitRecord::Failed);
        QVERIFY2(refuse.failure.startsWith(QStringLiteral("writing 设备名称 (0003)")) &&
                     refuse.failure.endsWith(QStringLiteral("[参数设置失败]")),
                 qPrintable(refuse.failure));

        const UnitRecord checksum = records.value(QStringLiteral("unitChecksum"));
        QCOMPARE(checksum.result, UnitRecord::Failed);
        QVERIFY(!checksum.failure.isEmpty());

        // Values are never handed out twice, failed units included.
        QSet<QString> ids;
        for (const UnitRecord &r : records)
            if (!r.unique.isEmpty())
                ids.insert(r.unique.value(kDeviceId));
        int withValue = 0;
        for (const UnitRecord &r : records)
            withValue += !r.unique.isEmpty();
        QCOMPARE(ids.size(), withValue);
    }

    void refusedUnitValueWritesNothing()
    {
        Rig rig;
        QVERIFY(rig.addUnit(QStringLiteral("unit0"), {QStringLiteral("--log"), rig.dir.filePath(QStringLiteral("frames.log"))}));
        StationConfig c = rig.config();
        QString error;
        // The row takes digits only.
        c.uniques = {*ParseUniqueSpec(QStringLiteral("设备ID=SN{seq:1}"), error)};
        const auto records = rig.run(c);
        QCOMPARE(records.size(), 1);
        const UnitRecord r = records.first();
        QCOMPARE(r.result, UnitRecord::Failed);
        QVERIFY2(r.failure.startsWith(QStringLiteral("unit value refused, nothing written: 设备ID (0002) does not accept")),
                 qPrintable(r.failure));
        QVERIFY(r.params.isEmpty());

    }

    void unitsFileValuesInOrder()
    {
        Rig rig;
        QVERIFY(rig.addUnit(QStringLiteral("unit0")));
        QVERIFY(rig.addUnit(QStringLiteral("unit1")));
        const QString rows = QStringLiteral("设备ID,设备名称\n20000001,泵站一号\n20000002,泵站二号\n");
        rig.dir.writeUtf8(QStringLiteral("values.csv"), rows);
        StationConfig c = rig.config();
        c.uniques.clear();
        c.unitsFile = rig.dir.filePath(QStringLiteral("values.csv"));
        auto given = [](const QMap<QString, UnitRecord> &records) {
            QSet<QString> out;
            for (const UnitRecord &r : records)
                if (r.result == UnitRecord::Passed)
                    out.insert(r.unique.value(QStringLiteral("0003")) + QLatin1Char('/') + r.unique.value(kDeviceId));
            return out;
        };
        auto noValuesLeft = [](const QMap<QString, UnitRecord> &records) {
            int n = 0;
            for (const UnitRecord &r : records)
                n += r.result == UnitRecord::Failed && r.failure.startsWith(QStringLiteral("no values left")) && r.params.isEmpty();
            return n;
        };
        QCOMPARE(given(rig.run(c)), (QSet<QString>{QStringLiteral("泵站一号/20000001"), QStringLiteral("泵站二号/20000002")}));

        // Another station's copy of the file, saved from a spreadsheet in GBK with a row added:
        // the rows handed out are known by their values, not by the file's path.
        rig.dir.write(QStringLiteral("copy.csv"), GbkEncode(rows + QStringLiteral("20000003,泵站三号\n")));
        c.unitsFile = rig.dir.filePath(QStringLiteral("copy.csv"));
        auto records = rig.run(c);
        QCOMPARE(given(records), QSet<QString>{QStringLiteral("泵站三号/20000003")});
        QCOMPARE(noValuesLeft(records), 1);
        // Used up: the units fail before anything is written, and use nothing up.
        QCOMPARE(noValuesLeft(rig.run(c)), 2);
        rig.dir.write(QStringLiteral("copy.csv"), GbkEncode(rows + QStringLiteral("20000003,泵站三号\n20000004,泵站四号\n")));
        records = rig.run(c);
        QCOMPARE(given(records), QSet<QString>{QStringLiteral("泵站四号/20000004")});
        QCOMPARE(noValuesLeft(records), 1);
    }

    void counterBelongsToTheRow()
    {
        Rig rig;
        QVERIFY(rig.addUnit(QStringLiteral("unit0")));
        QString error;
        QStringList ids;
        for (const char *spec : {"设备ID={seq:500}", "0002={seq:500}", "设备ID={seq:0500}"}) {
            StationConfig c = rig.config();
            c.uniques = {*ParseUniqueSpec(QString::fromUtf8(spec), error)};
            const UnitRecord r = rig.run(c).value(QStringLiteral("unit0"));
            QVERIFY2(r.result == UnitRecord::Passed, qPrintable(r.failure));
            ids << r.unique.value(kDeviceId);
        }
        QCOMPARE(ids, (QStringList{QStringLiteral("500"), QStringLiteral("501"), QStringLiteral("0502")}));
    }

    void startUpRefuses_data()
    {
        QTest::addColumn<QStringList>("uniques");
        QTest::addColumn<QByteArray>("units");
        QTest::addColumn<QString>("expected");
        const QByteArray none;
        QTest::newRow("protected row") << QStringList{QStringLiteral("出厂序列号={seq:1}")} << none
                                       << QStringLiteral("出厂序列号 (0091) is protected");
        QTest::newRow("unknown row") << QStringList{QStringLiteral("序列号={seq:1}")} << none << QStringLiteral("no parameter \"序列号\"");
        QTest::newRow("unique and units") << QStringList{QStringLiteral("设备ID={seq:1}")} << QByteArray("0002\n123\n")
                                          << QStringLiteral("--unique 设备ID and --units column 0002 both name 设备ID (0002)");
        QTest::newRow("one row twice") << QStringList{QStringLiteral("设备ID={seq:1}"), QStringLiteral("0002={seq:9}")} << none
                                       << QStringLiteral("both name 设备ID (0002)");
        QTest::newRow("refused cell") << QStringList() << QByteArray("设备名称,设备ID\nA,1\nB,12x\n")
                                      << QStringLiteral("line 3, column 2: 设备ID (0002) does not accept the character 'x'");
        QTest::newRow("repeated cell") << QStringList() << QByteArray("设备ID\n0100\n\n0100\n") << QStringLiteral("line 4, column 1: 0100 repeats line 2");
        QTest::newRow("undecodable cell") << QStringList() << QByteArray("0002,0003\n1,ok\n2,\x81\x20\n")
                                          << QStringLiteral("line 3, column 2 (0003): the value is neither UTF-8 nor GB18030");
    }

    void startUpRefuses()
    {
        QFETCH(QStringList, uniques);
        QFETCH(QByteArray, units);
        QFETCH(QString, expected);
        Rig rig;
        StationConfig c = rig.config();
        c.uniques.clear();
        QString error;
        for (const QString &u : uniques)
            c.uniques << *ParseUniqueSpec(u, error);
        if (!units.isEmpty())
            c.unitsFile = rig.dir.write(QStringLiteral("units.csv"), units);
        Station station(c);
        QVERIFY(!station.start(error));
        QVERIFY2(error.contains(expected), qPrintable(error));
        // Nothing was taken, nothing recorded: the database was not even opened.
        QVERIFY(!QFileInfo::exists(c.db));
    }

    void stationModeProvisionsNewUnitsAndSkipsDoneOnes()
    {
        Rig rig;
        QVERIFY(rig.addUnit(QStringLiteral("unitOld")));
        QCOMPARE(rig.run(rig.config()).value(QStringLiteral("unitOld")).result, UnitRecord::Passed);

        StationConfig c = rig.config();
        c.watch = true;
        Station station(c);
        QSignalSpy finishedUnits(&station, &Station::unitFinished);
        QSignalSpy over(&station, &Station::finished);
        QString error;
        QVERIFY2(station.start(error), qPrintable(error));
        // The unit that is already done is recognised by its values and left alone.
        QVERIFY(finishedUnits.wait(30000));
        UnitRecord old = finishedUnits.at(0).at(0).value<UnitRecord>();
        QCOMPARE(old.result, UnitRecord::Skipped);

        // A unit plugged in after the start is provisioned.
        QVERIFY(rig.addUnit(QStringLiteral("unitNew")));
        QTRY_COMPARE_WITH_TIMEOUT(finishedUnits.size(), 2, 30000);
        const UnitRecord fresh = finishedUnits.at(1).at(0).value<UnitRecord>();
        QCOMPARE(QFileInfo(fresh.port).fileName(), QStringLiteral("unitNew"));
        QVERIFY2(fresh.result == UnitRecord::Passed, qPrintable(fresh.failure));
        QCOMPARE(fresh.unique.value(kDeviceId), QStringLiteral("20000002"));

        // Still plugged in: not done twice. Unplugged and a new unit on the same port: done.
        QTest::qWait(400);
        QCOMPARE(finishedUnits.size(), 2);
        rig.sims.back()->stop();
        QTRY_VERIFY(!QFileInfo::exists(rig.dir.filePath(QStringLiteral("unitNew"))));
        // A scan must see the port gone, as it does when a person unplugs a unit.
        QTest::qWait(400);
        QVERIFY(rig.addUnit(QStringLiteral("unitNew")));
        QTRY_COMPARE_WITH_TIMEOUT(finishedUnits.size(), 3, 30000);
        QCOMPARE(finishedUnits.at(2).at(0).value<UnitRecord>().unique.value(kDeviceId), QStringLiteral("20000003"));

        station.stop();
        QVERIFY(over.wait(10000) || over.size() == 1);
        QCOMPARE(station.records().size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestStation)
#include "tst_station.moc"
