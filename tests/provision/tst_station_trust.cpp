// What makes production records trustworthy: start-up checks before anything is taken,
// counters that belong to the row, read-back of everything the golden wants, and a unit that
// comes back after its run known by what it stores.
#include "support/station_rig.h"
#include "text/text_codec.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <csignal>
#include <sys/stat.h>

class TestStationTrust : public QObject {
    Q_OBJECT
private slots:
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

    void extendedRowMayBeUnique()
    {
        Rig rig;
        QVERIFY(rig.addUnit(QStringLiteral("unit0")));
        StationConfig c = rig.config();
        QString error;
        c.uniques << *ParseUniqueSpec(QStringLiteral("Modbus从站地址={seq:7}"), error);
        const UnitRecord r = rig.run(c).value(QStringLiteral("unit0"));
        QVERIFY2(r.result == UnitRecord::Passed, qPrintable(r.failure));
        QCOMPARE(r.unique.value(QStringLiteral("0101")), QStringLiteral("7"));
        bool readBack = false;
        for (const WrittenParam &p : r.params)
            readBack = readBack || (p.code == QStringLiteral("0101") && p.read == QStringLiteral("7"));
        QVERIFY(readBack);
    }

    void startUpRefuses_data()
    {
        QTest::addColumn<QStringList>("uniques");
        QTest::addColumn<QByteArray>("units");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("pipe");   // "golden" or "script": that file is a FIFO
        const QByteArray none;
        QTest::newRow("protected row") << QStringList{QStringLiteral("出厂序列号={seq:1}")} << none
                                       << QStringLiteral("出厂序列号 (0091) is protected") << QString();
        QTest::newRow("unknown row") << QStringList{QStringLiteral("序列号={seq:1}")} << none << QStringLiteral("no parameter \"序列号\"") << QString();
        QTest::newRow("unique and units") << QStringList{QStringLiteral("设备ID={seq:1}")} << QByteArray("0002\n123\n")
                                          << QStringLiteral("--unique 设备ID and --units column 0002 both name 设备ID (0002)") << QString();
        QTest::newRow("one row twice") << QStringList{QStringLiteral("设备ID={seq:1}"), QStringLiteral("0002={seq:9}")} << none
                                       << QStringLiteral("both name 设备ID (0002)") << QString();
        QTest::newRow("refused cell") << QStringList() << QByteArray("设备名称,设备ID\nA,1\nB,12x\n")
                                      << QStringLiteral("line 3, column 2: 设备ID (0002) does not accept the character 'x'") << QString();
        QTest::newRow("repeated cell") << QStringList() << QByteArray("设备ID\n0100\n\n0100\n") << QStringLiteral("line 4, column 1: 0100 repeats line 2") << QString();
        QTest::newRow("undecodable cell") << QStringList() << QByteArray("0002,0003\n1,ok\n2,\x81\x20\n")
                                          << QStringLiteral("line 3, column 2 (0003): the value is neither UTF-8 nor GB18030") << QString();
        for (const char *pipe : {"golden", "script"})
            QTest::newRow(pipe) << QStringList() << none << QStringLiteral("is not a file") << QString::fromLatin1(pipe);
        QTest::newRow("empty cell") << QStringList() << QByteArray("设备ID,设备名称\n20000001,A\n20000002,\n")
                                    << QStringLiteral("line 3, column 2 (设备名称): the cell is empty") << QString();
        QTest::newRow("line break in a cell") << QStringList() << QByteArray("设备ID,设备名称\n20000001,\"A\nB\"\n")
                                              << QStringLiteral("line 2, column 2 (设备名称): the value holds a line break") << QString();
        // Without an identity a fresh unit holding the golden's own value would pass as done.
        QTest::newRow("counter meets the golden's value") << QStringList{QStringLiteral("设备ID={seq:10000001}")} << none
                                                          << QStringLiteral("would hand out 10000001, the golden profile's own 设备ID") << QString();
        QTest::newRow("units cell is the golden's value") << QStringList() << QByteArray("设备ID\n20000001\n10000001\n")
                                                          << QStringLiteral("line 3, column 1: 10000001 is the golden profile's own 设备ID") << QString();
    }

    void startUpRefuses()
    {
        QFETCH(QStringList, uniques);
        QFETCH(QByteArray, units);
        QFETCH(QString, expected);
        QFETCH(QString, pipe);
        Rig rig;
        StationConfig c = rig.config();
        if (!pipe.isEmpty()) {
            QString &path = pipe == QLatin1String("golden") ? c.plan.goldenPath : c.plan.scriptPath;
            path = rig.dir.filePath(QStringLiteral("fifo"));
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        }
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

    void readBackCoversEveryRow_data()
    {
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<bool>("onlyChanged");
        QTest::addColumn<QString>("emptyCode");    // a golden row given no PVALUE
        QTest::addColumn<QStringList>("failure");  // code and arguments; empty: passes
        const QString beat = QStringLiteral("心跳间隔(秒)");
        QTest::newRow("row not returned") << QStringList{QStringLiteral("--omit"), QStringLiteral("0004")} << false << QString()
                                          << QStringList{failure::kReadBackMissing, QStringLiteral("missing"), beat,
                                                         QStringLiteral("0004"), QStringLiteral("60"), QString()};
        QTest::newRow("not returned, only changed") << QStringList{QStringLiteral("--omit"), QStringLiteral("0004")} << true << QString()
                                                    << QStringList{failure::kReadBackMissing, QStringLiteral("missing"), beat,
                                                                   QStringLiteral("0004"), QStringLiteral("60"), QString()};
        QTest::newRow("write changes another row") << QStringList{QStringLiteral("--disturb"), QStringLiteral("0004")} << true << QString()
                                                   << QStringList{failure::kReadBackDiffers, QStringLiteral("expected"), beat,
                                                                  QStringLiteral("0004"), QStringLiteral("60"), QStringLiteral("61")};
        QTest::newRow("extended row") << QStringList{QStringLiteral("--misstore"), QStringLiteral("0102")} << false << QString()
                                      << QStringList{failure::kReadBackDiffers, QStringLiteral("wrote"), QStringLiteral("轮询周期(秒)"),
                                                     QStringLiteral("0102"), QStringLiteral("10"), QStringLiteral("11")};
        QTest::newRow("golden row without value") << QStringList() << false << QStringLiteral("0003") << QStringList();
    }

    void readBackCoversEveryRow()
    {
        QFETCH(QStringList, faults);
        QFETCH(bool, onlyChanged);
        QFETCH(QString, emptyCode);
        QFETCH(QStringList, failure);
        Rig rig;
        QVERIFY(rig.addUnit(QStringLiteral("unit0"), faults));
        StationConfig c = rig.config();
        c.plan.onlyChanged = onlyChanged;
        if (!emptyCode.isEmpty()) {
            QString golden = GbkDecode(rig.dir.read(QStringLiteral("demo_profile.txt")));
            const int at = golden.indexOf(QStringLiteral("\"PVALUE\""), golden.indexOf(QStringLiteral("\"%1\"").arg(emptyCode)));
            const int end = golden.indexOf(QLatin1Char(','), at);
            golden.replace(at, end - at, QStringLiteral("\"PVALUE\": \"\""));
            c.plan.goldenPath = rig.dir.writeGbk(QStringLiteral("golden.txt"), golden);
        }
        const UnitRecord r = rig.run(c).value(QStringLiteral("unit0"));
        QCOMPARE(r.result, failure.isEmpty() ? UnitRecord::Passed : UnitRecord::Failed);
        QCOMPARE(QStringList(r.failureCode) + r.failureArgs, failure.isEmpty() ? QStringList{QString()} : failure);
        for (const WrittenParam &p : r.params)
            QVERIFY2(p.code != emptyCode, qPrintable(p.code));
    }

    // A unit that comes back after its run (many reboot once written) is known by what it
    // stores, however its values were typed.
    void doneUnitIsKnownByWhatItStores_data()
    {
        QTest::addColumn<QString>("unique");
        QTest::addColumn<QString>("units");
        QTest::newRow("leading zeros") << QStringLiteral("心跳间隔(秒)={seq:0100}") << QString();
        QTest::newRow("float") << QString() << QStringLiteral("设备ID,温度报警阈值(℃)\n20000001,36.5\n");
        QTest::newRow("HEX value") << QString() << QStringLiteral("设备ID,设备名称\n20000001,HEX:50554D50\n");
        QTest::newRow("Chinese text") << QString() << QStringLiteral("设备ID,设备名称\n20000001,泵站一号\n20000002,B\n");
    }

    void doneUnitIsKnownByWhatItStores()
    {
        QFETCH(QString, unique);
        QFETCH(QString, units);
        Rig rig;
        QVERIFY(rig.addUnit(QStringLiteral("unit0"), {QStringLiteral("--vanish-pause"), QStringLiteral("300")}));
        StationConfig c = rig.config();
        c.watch = true;
        QString error;
        c.uniques.clear();
        if (!unique.isEmpty())
            c.uniques << *ParseUniqueSpec(unique, error);
        if (!units.isEmpty())
            c.unitsFile = rig.dir.writeUtf8(QStringLiteral("values.csv"), units);
        Station station(c);
        QSignalSpy finishedUnits(&station, &Station::unitFinished);
        QVERIFY2(station.start(error), qPrintable(error));
        QVERIFY(finishedUnits.wait(30000));
        const UnitRecord first = finishedUnits.at(0).at(0).value<UnitRecord>();
        QVERIFY2(first.result == UnitRecord::Passed, qPrintable(first.failure));
        // The unit goes away and comes back with what it was given.
        QVERIFY(rig.sims.back()->signal(SIGUSR1));
        QVERIFY(!rig.sims.back()->waitForLine(QStringLiteral("RETURNED"), 10000).isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(finishedUnits.size(), 2, 30000);
        const UnitRecord again = finishedUnits.at(1).at(0).value<UnitRecord>();
        QVERIFY2(again.result == UnitRecord::Skipped, qPrintable(again.failure + again.unique.value(kDeviceId)));
        station.stop();
    }


    // The README's own counter on the demo golden, whose 设备ID is 10000001: a fresh unit holds
    // the first value handed out. Known by its identity it is provisioned; without one the run
    // refuses to start, since such a unit could not be told from a done one.
    void readmeCounterOnTheDemoGolden_data()
    {
        QTest::addColumn<QString>("identity");
        QTest::newRow("identity") << QStringLiteral("出厂序列号");
        QTest::newRow("no identity") << QString();
    }

    void readmeCounterOnTheDemoGolden()
    {
        QFETCH(QString, identity);
        Rig rig;
        QVERIFY(rig.addUnit(QStringLiteral("unit0"), {QStringLiteral("--swap-pause"), QStringLiteral("1000"),
                                                      QStringLiteral("--swap-same-version")}));
        StationConfig c = rig.config();
        QString error;
        c.uniques = {*ParseUniqueSpec(QStringLiteral("设备ID={seq:10000001}"), error)};
        c.identity = identity;
        c.watch = true;
        c.probeMs = 300;
        Station station(c);
        QSignalSpy finishedUnits(&station, &Station::unitFinished);
        if (identity.isEmpty()) {
            QVERIFY(!station.start(error));
            QVERIFY2(error.contains(QStringLiteral("the golden profile's own 设备ID")), qPrintable(error));
            return;
        }
        QVERIFY2(station.start(error), qPrintable(error));
        QTRY_COMPARE_WITH_TIMEOUT(finishedUnits.size(), 1, 30000);
        const UnitRecord first = finishedUnits.at(0).at(0).value<UnitRecord>();
        QVERIFY2(first.result == UnitRecord::Passed, qPrintable(first.failure));
        QCOMPARE(first.unique.value(kDeviceId), QStringLiteral("10000001"));
        QCOMPARE(first.unitId, QStringLiteral("SN-unit0"));
        // The same model, the same version text, a factory ID equal to the value handed out.
        QVERIFY(rig.sims.back()->signal(SIGUSR2));
        QTRY_COMPARE_WITH_TIMEOUT(finishedUnits.size(), 2, 30000);
        const UnitRecord fresh = finishedUnits.at(1).at(0).value<UnitRecord>();
        QVERIFY2(fresh.result == UnitRecord::Passed, qPrintable(fresh.failure));
        QCOMPARE(fresh.unitId, QStringLiteral("SN-unit0-2"));
        QCOMPARE(fresh.unique.value(kDeviceId), QStringLiteral("10000002"));
        station.stop();
    }

    // Another station holding the counters: the unit fails within a bounded wait with nothing
    // taken, its record waits in the outbox and is stored once the database answers again.
    void lockedDatabaseFailsTheUnitAndKeepsItsRecord()
    {
        Rig rig;
        QVERIFY(rig.addUnit(QStringLiteral("unit0")));
        const StationConfig c = rig.config();
        const QString outbox = Outbox::PathFor(c.db);
        {
            Station station(c);
            QSignalSpy done(&station, &Station::finished);
            QString error;
            QVERIFY2(station.start(error), qPrintable(error));
            QElapsedTimer waited;
            waited.start();
            {
                QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
                other.setDatabaseName(c.db);
                QVERIFY(other.open());
                QSqlQuery q(other);
                QVERIFY(q.exec(QStringLiteral("BEGIN IMMEDIATE")));
                QVERIFY(done.wait(60000));
                QVERIFY(q.exec(QStringLiteral("ROLLBACK")));
                other.close();
            }
            QSqlDatabase::removeDatabase(QStringLiteral("other"));
            QVERIFY2(waited.elapsed() < 20000, qPrintable(QString::number(waited.elapsed())));
            QCOMPARE(station.records().size(), 1);
            const UnitRecord r = station.records().first();
            QCOMPARE(r.result, UnitRecord::Failed);
            QVERIFY2(r.failure.contains(QStringLiteral("locked")) && r.params.isEmpty(), qPrintable(r.failure));
        QCOMPARE(r.failureCode, failure::kDbError);
            QVERIFY(QFile::exists(outbox));
        }
        // The next run stores the waiting record first, as good news, not as a warning; the
        // failed attempt took no value.
        Station again(c);
        QSignalSpy notices(&again, &Station::notice);
        QSignalSpy warnings(&again, &Station::warning);
        QSignalSpy finished(&again, &Station::finished);
        QString startError;
        QVERIFY2(again.start(startError), qPrintable(startError));
        QVERIFY(finished.wait(60000));
        QCOMPARE(notices.size(), 1);
        QVERIFY2(notices.at(0).at(0).toString().startsWith(QStringLiteral("1 record(s) from ")), qPrintable(notices.at(0).at(0).toString()));
        QCOMPARE(warnings.size(), 0);
        QCOMPARE(again.records().size(), 1);
        QCOMPARE(again.records().first().unique.value(kDeviceId), QStringLiteral("20000001"));
        QVERIFY(!QFile::exists(outbox));
        StationDb db;
        QString error;
        QVERIFY2(db.open(c.db, error), qPrintable(error));
        QCOMPARE(db.records(QDateTime(), error).value_or(QList<UnitRecord>()).size(), 2);
    }

    // Destroying a station while its units run waits for them and touches no freed runner.
    void destroyedWhileUnitsRun()
    {
        Rig rig;
        for (int i = 0; i < 4; ++i)
            QVERIFY(rig.addUnit(QStringLiteral("unit%1").arg(i), {QStringLiteral("--delay"), QStringLiteral("%1").arg(5 * i)}));
        for (int round = 0; round < 3; ++round) {
            auto station = std::make_unique<Station>(rig.config());
            QSignalSpy started(station.get(), &Station::unitProgress);
            QString error;
            QVERIFY2(station->start(error), qPrintable(error));
            QVERIFY(started.wait(10000));
            QTest::qWait(50 * round);
            station.reset();
        }
    }
};

QTEST_GUILESS_MAIN(TestStationTrust)
#include "tst_station_trust.moc"
