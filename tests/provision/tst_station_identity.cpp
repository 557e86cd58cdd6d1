// How a station knows the unit in front of it: by the unit's own identity where the recipe names
// one (another unit on a port that stays, a rework, one identity on two ports, an empty one),
// else by values this database or its outbox handed out; and the golden's extended file from
// the golden's own folder, never a namesake.
#include "provision/station_db.h"
#include "support/station_rig.h"
#include "text/text_codec.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <csignal>

namespace {
// The rows handed out of `code` in `db`.
int issuedCount(const QString &db, const QString &code)
{
    StationDb d;
    QString error;
    if (!d.open(db, error))
        return -1;
    return int(d.issuedValues(code, error).value_or(QSet<QString>{QStringLiteral("?"), QStringLiteral("??")}).size());
}
} // namespace

class TestStationIdentity : public QObject {
    Q_OBJECT
private slots:
    void swapOnAPortThatStays_data()
    {
        QTest::addColumn<QString>("identity");
        QTest::addColumn<QString>("swapIdentity");   // next: another unit; same: the unit back from rework
        QTest::addColumn<int>("pauseMs");            // silence between the two
        QTest::addColumn<QString>("unitId");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("reused");
        const QString serial = QStringLiteral("出厂序列号");
        QTest::newRow("another unit, no silence") << serial << QStringLiteral("next") << 0 << QStringLiteral("SN-unit0-2")
                                                  << QStringLiteral("20000002") << false;
        QTest::newRow("rework: the same unit reset") << serial << QStringLiteral("same") << 3000 << QStringLiteral("SN-unit0")
                                                     << QStringLiteral("20000001") << true;
        QTest::newRow("another unit, no identity") << QString() << QStringLiteral("next") << 0 << QString()
                                                   << QStringLiteral("20000002") << false;
    }

    // The same model answers the same version text: the unit is told by what it is.
    void swapOnAPortThatStays()
    {
        QFETCH(QString, identity);
        QFETCH(QString, swapIdentity);
        QFETCH(int, pauseMs);
        QFETCH(QString, unitId);
        QFETCH(QString, value);
        QFETCH(bool, reused);
        Rig rig;
        QVERIFY(rig.addUnit(QStringLiteral("unit0"), {QStringLiteral("--swap-pause"), QString::number(pauseMs),
                                                      QStringLiteral("--swap-same-version"), QStringLiteral("--swap-identity"),
                                                      swapIdentity}));
        StationConfig c = rig.config();
        c.identity = identity;
        c.watch = true;
        c.probeMs = 300;
        Station station(c);
        QSignalSpy finishedUnits(&station, &Station::unitFinished);
        QSignalSpy startedUnits(&station, &Station::unitStarted);
        QString error;
        QVERIFY2(station.start(error), qPrintable(error));
        QTRY_COMPARE_WITH_TIMEOUT(finishedUnits.size(), 1, 30000);
        const UnitRecord first = finishedUnits.at(0).at(0).value<UnitRecord>();
        QVERIFY2(first.result == UnitRecord::Passed, qPrintable(first.failure));
        QCOMPARE(first.unique.value(kDeviceId), QStringLiteral("20000001"));
        // Still there: probed, not provisioned again.
        QTest::qWait(1200);
        QCOMPARE(finishedUnits.size(), 1);
        QElapsedTimer swapped;
        swapped.start();
        QVERIFY(rig.sims.back()->signal(SIGUSR2));
        QTRY_COMPARE_WITH_TIMEOUT(startedUnits.size(), 2, 30000);
        QVERIFY2(swapped.elapsed() <= pauseMs + 5000, qPrintable(QString::number(swapped.elapsed())));
        QTRY_COMPARE_WITH_TIMEOUT(finishedUnits.size(), 2, 30000);
        const UnitRecord next = finishedUnits.at(1).at(0).value<UnitRecord>();
        QVERIFY2(next.result == UnitRecord::Passed, qPrintable(next.failure));
        QCOMPARE(next.version, first.version);
        QCOMPARE(next.unitId, unitId);
        QCOMPARE(next.unique.value(kDeviceId), value);
        QCOMPARE(next.reused, reused);
        station.stop();
        // A rework takes no new value.
        QCOMPARE(issuedCount(c.db, kDeviceId), reused ? 1 : 2);
    }

    void identityIsOneAndPresent_data()
    {
        QTest::addColumn<QStringList>("faults");   // of the second unit
        QTest::addColumn<QString>("code");
        QTest::newRow("one identity on two ports") << QStringList{QStringLiteral("--identity"), QStringLiteral("SN-unit0")}
                                                   << failure::kIdentityTwice;
        QTest::newRow("empty identity row") << QStringList{QStringLiteral("--omit"), QStringLiteral("0091")}
                                            << failure::kIdentityEmpty;
    }

    void identityIsOneAndPresent()
    {
        QFETCH(QStringList, faults);
        QFETCH(QString, code);
        Rig rig;
        QVERIFY(rig.addUnit(QStringLiteral("unit0")));
        StationConfig c = rig.config();
        c.identity = QStringLiteral("0091");
        c.watch = true;
        Station station(c);
        QSignalSpy finishedUnits(&station, &Station::unitFinished);
        QString error;
        QVERIFY2(station.start(error), qPrintable(error));
        QTRY_COMPARE_WITH_TIMEOUT(finishedUnits.size(), 1, 30000);
        QCOMPARE(finishedUnits.at(0).at(0).value<UnitRecord>().result, UnitRecord::Passed);
        // unit0 stays plugged in; unit1 comes.
        QVERIFY(rig.addUnit(QStringLiteral("unit1"), faults));
        QTRY_COMPARE_WITH_TIMEOUT(finishedUnits.size(), 2, 30000);
        const UnitRecord r = finishedUnits.at(1).at(0).value<UnitRecord>();
        QCOMPARE(QFileInfo(r.port).fileName(), QStringLiteral("unit1"));
        QCOMPARE(r.result, UnitRecord::Failed);
        QCOMPARE(r.failureCode, code);
        if (code == failure::kIdentityTwice)
            QVERIFY2(r.failureText().contains(QStringLiteral("两个端口")) && r.failureArgs.value(0) == QStringLiteral("SN-unit0"),
                     qPrintable(r.failureText()));
        // Failed before anything was taken or written.
        QVERIFY(r.unique.isEmpty() && r.params.isEmpty());
        station.stop();
        QCOMPARE(issuedCount(c.db, kDeviceId), 1);
    }

    // Two units answering with one identity at once: neither can be traced, both fail.
    void twinIdentitiesBothFail()
    {
        Rig rig;
        for (const char *name : {"unitA", "unitB"})
            QVERIFY(rig.addUnit(QString::fromLatin1(name), {QStringLiteral("--identity"), QStringLiteral("SN-TWIN"),
                                                            QStringLiteral("--delay"), QStringLiteral("20")}));
        StationConfig c = rig.config();
        c.identity = QStringLiteral("出厂序列号");
        const auto records = rig.run(c);
        QCOMPARE(records.size(), 2);
        for (const UnitRecord &r : records) {
            QCOMPARE(r.result, UnitRecord::Failed);
            QCOMPARE(r.failureCode, failure::kIdentityTwice);
        }
    }

    void identityMustBeTheUnitsOwn_data()
    {
        QTest::addColumn<QString>("identity");
        QTest::addColumn<QString>("expected");
        QTest::newRow("a row the golden writes") << QStringLiteral("设备名称") << QStringLiteral("is written by the golden profile");
        QTest::newRow("a row handed out") << QStringLiteral("设备ID") << QStringLiteral("cannot also be handed out");
        QTest::newRow("no such row") << QStringLiteral("序列号") << QStringLiteral("no parameter \"序列号\"");
    }

    void identityMustBeTheUnitsOwn()
    {
        QFETCH(QString, identity);
        QFETCH(QString, expected);
        Rig rig;
        StationConfig c = rig.config();
        c.identity = identity;
        Station station(c);
        QString error;
        QVERIFY(!station.start(error));
        QVERIFY2(error.contains(expected), qPrintable(error));
        QVERIFY(!QFileInfo::exists(c.db));
    }

    // A unit swapped for another while its run fails: the other is provisioned all the same.
    void unitSwappedDuringItsRunIsProvisioned()
    {
        Rig rig;
        QVERIFY(rig.addUnit(QStringLiteral("unit0"), {QStringLiteral("--delay"), QStringLiteral("60"), QStringLiteral("--swap-pause"),
                                                      QStringLiteral("300"), QStringLiteral("--swap-same-version")}));
        StationConfig c = rig.config();
        c.identity = QStringLiteral("出厂序列号");
        c.watch = true;
        c.probeMs = 300;
        Station station(c);
        QSignalSpy finishedUnits(&station, &Station::unitFinished);
        bool swapped = false;
        connect(&station, &Station::unitProgress, this, [&](const QString &, UnitStep step, const QString &, int n, int) {
            if (step == UnitStep::Write && n == 3 && !swapped)
                swapped = rig.sims.back()->signal(SIGUSR2);
        });
        QString error;
        QVERIFY2(station.start(error), qPrintable(error));
        QTRY_COMPARE_WITH_TIMEOUT(finishedUnits.size(), 2, 60000);
        QVERIFY(swapped);
        const UnitRecord failed = finishedUnits.at(0).at(0).value<UnitRecord>();
        QCOMPARE(failed.result, UnitRecord::Failed);
        QCOMPARE(failed.unitId, QStringLiteral("SN-unit0"));
        const UnitRecord next = finishedUnits.at(1).at(0).value<UnitRecord>();
        QVERIFY2(next.result == UnitRecord::Passed, qPrintable(next.failure));
        QCOMPARE(next.unitId, QStringLiteral("SN-unit0-2"));
        station.stop();
    }

    // A unit that passed while the database was away is done: its record in the outbox counts.
    void outboxRecordCountsAsDone_data()
    {
        QTest::addColumn<QString>("identity");
        QTest::newRow("identity") << QStringLiteral("出厂序列号");
        QTest::newRow("no identity") << QString();
    }

    void outboxRecordCountsAsDone()
    {
        QFETCH(QString, identity);
        Rig rig;
        QVERIFY(rig.addUnit(QStringLiteral("unit0")));
        StationConfig c = rig.config();
        c.identity = identity;
        c.db = rig.dir.filePath(QStringLiteral("away.sqlite"));
        const UnitRecord passed = rig.run(c).value(QStringLiteral("unit0"));
        QVERIFY2(passed.result == UnitRecord::Passed, qPrintable(passed.failure));
        // The station's own database never got it: it waits in the outbox, which the database
        // (locked by another writer) cannot take yet.
        c.db = rig.dir.filePath(QStringLiteral("records.sqlite"));
        {
            StationDb create;
            QString error;
            QVERIFY2(create.open(c.db, error), qPrintable(error));
        }
        QString error;
        QVERIFY2(Outbox(Outbox::PathFor(c.db)).add(passed, error), qPrintable(error));
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("writer"));
        other.setDatabaseName(c.db);
        QVERIFY(other.open());
        {
            QSqlQuery q(other);
            QVERIFY(q.exec(QStringLiteral("BEGIN IMMEDIATE")));
            c.watch = true;
            Station station(c);
            QSignalSpy finishedUnits(&station, &Station::unitFinished);
            QVERIFY2(station.start(error), qPrintable(error));
            QTRY_COMPARE_WITH_TIMEOUT(finishedUnits.size(), 1, 30000);
            const UnitRecord again = finishedUnits.at(0).at(0).value<UnitRecord>();
            QVERIFY2(again.result == UnitRecord::Skipped, qPrintable(again.failure + again.unique.value(kDeviceId)));
            QVERIFY(q.exec(QStringLiteral("ROLLBACK")));
            station.stop();
        }
        other.close();
        other = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("writer"));
        QCOMPARE(issuedCount(c.db, kDeviceId), 0);
    }

    void extendedFileBesideTheGolden_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("namesake in the current folder") << QStringLiteral("namesake");
        QTest::newRow("missing at start") << QStringLiteral("missing");
        QTest::newRow("gone during the shift") << QStringLiteral("gone");
    }

    void extendedFileBesideTheGolden()
    {
        QFETCH(QString, change);
        Rig rig;
        TempFileDir elsewhere;
        // A namesake with another 轮询周期 (0102) where the station was started from.
        QString ext = GbkDecode(rig.dir.read(QStringLiteral("demo_ext.txt")));
        QVERIFY(ext.contains(QStringLiteral("\"HEX:000A\"")));
        elsewhere.writeGbk(QStringLiteral("demo_ext.txt"), QString(ext).replace(QStringLiteral("\"HEX:000A\""), QStringLiteral("\"HEX:0063\"")));
        const QString home = QDir::currentPath();
        QVERIFY(QDir::setCurrent(elsewhere.path()));
        auto back = qScopeGuard([&] { QDir::setCurrent(home); });
        StationConfig c = rig.config();
        if (change == QLatin1String("namesake")) {
            QVERIFY(rig.addUnit(QStringLiteral("unit0")));
            const UnitRecord r = rig.run(c).value(QStringLiteral("unit0"));
            QVERIFY2(r.result == UnitRecord::Passed, qPrintable(r.failure));
            QString written;
            for (const WrittenParam &p : r.params)
                if (p.code == QStringLiteral("0102"))
                    written = p.written;
            QCOMPARE(written, QStringLiteral("10"));
            QVERIFY(!r.extHash.isEmpty());
            return;
        }
        if (change == QLatin1String("missing")) {
            QVERIFY(QFile::remove(rig.dir.filePath(QStringLiteral("demo_ext.txt"))));
            Station station(c);
            QString error;
            QVERIFY(!station.start(error));
            QVERIFY2(error.contains(rig.dir.filePath(QStringLiteral("demo_ext.txt"))), qPrintable(error));
            return;
        }
        c.watch = true;
        Station station(c);
        QSignalSpy finishedUnits(&station, &Station::unitFinished);
        QString error;
        QVERIFY2(station.start(error), qPrintable(error));
        QVERIFY(QFile::remove(rig.dir.filePath(QStringLiteral("demo_ext.txt"))));
        QVERIFY(rig.addUnit(QStringLiteral("unit0")));
        QTRY_COMPARE_WITH_TIMEOUT(finishedUnits.size(), 1, 30000);
        const UnitRecord r = finishedUnits.at(0).at(0).value<UnitRecord>();
        QCOMPARE(r.result, UnitRecord::Failed);
        QCOMPARE(r.failureCode, failure::kGoldenUnreadable);
        QVERIFY(r.params.isEmpty());
        station.stop();
    }

    // A counter that meets a value handed out by a units file passes over it.
    void counterPassesOverValuesHandedOut()
    {
        Rig rig;
        QVERIFY(rig.addUnit(QStringLiteral("unit0")));
        StationConfig c = rig.config();
        c.uniques.clear();
        c.unitsFile = rig.dir.writeUtf8(QStringLiteral("ids.csv"), QStringLiteral("设备ID\n20000001\n"));
        QCOMPARE(rig.run(c).value(QStringLiteral("unit0")).unique.value(kDeviceId), QStringLiteral("20000001"));
        c = rig.config();
        for (const char *expected : {"20000002", "20000003"}) {
            const UnitRecord r = rig.run(c).value(QStringLiteral("unit0"));
            QVERIFY2(r.result == UnitRecord::Passed, qPrintable(r.failure));
            QCOMPARE(r.unique.value(kDeviceId), QString::fromLatin1(expected));
        }
    }

    // A units-file row of which any value was handed out is skipped whole, whichever cell it is.
    void unitsRowSkippedWhole_data()
    {
        QTest::addColumn<QString>("taken");   // a one-column file that hands out one of row 1's values first
        QTest::newRow("设备ID") << QStringLiteral("设备ID\n30000001\n");
        QTest::newRow("设备名称") << QStringLiteral("设备名称\n泵站甲\n");
    }

    void unitsRowSkippedWhole()
    {
        QFETCH(QString, taken);
        Rig rig;
        QVERIFY(rig.addUnit(QStringLiteral("unit0")));
        StationConfig c = rig.config();
        c.uniques.clear();
        c.unitsFile = rig.dir.writeUtf8(QStringLiteral("taken.csv"), taken);
        QCOMPARE(rig.run(c).value(QStringLiteral("unit0")).result, UnitRecord::Passed);
        c.unitsFile = rig.dir.writeUtf8(QStringLiteral("rows.csv"), QStringLiteral("设备ID,设备名称\n30000001,泵站甲\n30000002,泵站乙\n"));
        const UnitRecord r = rig.run(c).value(QStringLiteral("unit0"));
        QVERIFY2(r.result == UnitRecord::Passed, qPrintable(r.failure));
        QCOMPARE(r.unique.value(kDeviceId), QStringLiteral("30000002"));
        QCOMPARE(r.unique.value(QStringLiteral("0003")), QStringLiteral("泵站乙"));
    }
};

QTEST_GUILESS_MAIN(TestStationIdentity)
#include "tst_station_identity.moc"
