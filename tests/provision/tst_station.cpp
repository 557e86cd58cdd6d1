// Production runs against simulated units, each a dtusim on its own pseudo-terminal: many units
// at once with unique values, faulty units failing alone, read-back verification, station mode.
#include "support/station_rig.h"
#include "text/text_codec.h"

#include <csignal>

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
        QCOMPARE(silent.failureCode, failure::kNoAnswer);

        const UnitRecord misstore = records.value(QStringLiteral("unitMisstore"));
        QCOMPARE(misstore.result, UnitRecord::Failed);
        QCOMPARE(misstore.failureCode, failure::kReadBackDiffers);
        QCOMPARE(misstore.failureArgs, (QStringList{QStringLiteral("wrote"), QStringLiteral("心跳间隔(秒)"), QStringLiteral("0004"),
                                                   QStringLiteral("60"), QStringLiteral("61")}));

        const UnitRecord refuse = records.value(QStringLiteral("unitRefuse"));
        QCOMPARE(refuse.result, UnitRecord::Failed);
        QCOMPARE(refuse.failureCode, failure::kWriteRefused);
        QCOMPARE(refuse.failureArgs.mid(0, 2), (QStringList{QStringLiteral("设备名称"), QStringLiteral("0003")}));
        QVERIFY2(refuse.failureArgs.value(3).endsWith(QStringLiteral("[参数设置失败]")), qPrintable(refuse.failure));

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
        QCOMPARE(r.failureCode, failure::kValueRefused);
        QVERIFY2(r.failureArgs.value(0).startsWith(QStringLiteral("设备ID (0002) does not accept")), qPrintable(r.failure));
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
                n += r.result == UnitRecord::Failed && r.failureCode == failure::kNoValuesLeft && r.params.isEmpty();
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

    // On a hub the port stays when the unit behind it is swapped: units are noticed by their
    // answers, and a port nobody answers on waits without a record.
    void unitsSwappedOnAPortThatStays()
    {
        Rig rig;
        QVERIFY(rig.addUnit(QStringLiteral("unit0"), {QStringLiteral("--swap-pause"), QStringLiteral("2500")}));
        QVERIFY(rig.addUnit(QStringLiteral("unitEmpty"), {QStringLiteral("--silent"), QStringLiteral("all")}));
        StationConfig c = rig.config();
        c.watch = true;
        c.probeMs = 300;
        Station station(c);
        QSignalSpy finishedUnits(&station, &Station::unitFinished);
        QSignalSpy waiting(&station, &Station::portWaiting);
        QString error;
        QVERIFY2(station.start(error), qPrintable(error));
        QTRY_COMPARE_WITH_TIMEOUT(finishedUnits.size(), 1, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(waiting.size(), 1, 30000);
        QCOMPARE(QFileInfo(waiting.at(0).at(0).toString()).fileName(), QStringLiteral("unitEmpty"));
        // Still plugged in and answering: probed, not provisioned again.
        QTest::qWait(1500);
        QCOMPARE(finishedUnits.size(), 1);
        for (int swap = 2; swap <= 3; ++swap) {
            QVERIFY(rig.sims.front()->signal(SIGUSR2));
            QTRY_COMPARE_WITH_TIMEOUT(finishedUnits.size(), swap, 30000);
            const UnitRecord fresh = finishedUnits.at(swap - 1).at(0).value<UnitRecord>();
            QVERIFY2(fresh.result == UnitRecord::Passed, qPrintable(fresh.failure));
            QCOMPARE(fresh.version, QStringLiteral("DTUSIM-V1.0.3-UNIT%1").arg(swap));
            QCOMPARE(fresh.unique.value(kDeviceId), QString::number(20000000 + swap));
            QTest::qWait(1500);
            QCOMPARE(finishedUnits.size(), swap);
        }
        station.stop();
        for (const UnitRecord &r : station.records())
            QVERIFY2(QFileInfo(r.port).fileName() == QStringLiteral("unit0"), qPrintable(r.port));
    }
};

QTEST_GUILESS_MAIN(TestStation)
#include "tst_station.moc"
