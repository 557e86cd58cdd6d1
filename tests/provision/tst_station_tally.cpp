// The shift's counts: a unit tried again after a failure is no first attempt.
#include "provision/station_tally.h"

#include <QtTest>

class TestStationTally : public QObject {
    Q_OBJECT
private slots:
    void counts_data()
    {
        // Each attempt: result (P, F, S), the ID the unit held before, the ID it was given, and
        // optionally the unit's own identity.
        QTest::addColumn<QStringList>("attempts");
        QTest::addColumn<QList<int>>("passedFailedSkipped");
        QTest::addColumn<double>("yield");   // -1: none yet
        QTest::newRow("none") << QStringList{} << QList<int>{0, 0, 0} << -1.0;
        QTest::newRow("three of four") << QStringList{"P 1 11", "P 1 12", "F 1 13", "P 1 14"} << QList<int>{3, 1, 0} << 0.75;
        // The failed unit comes back holding the value it was given: a retry, outside the yield.
        QTest::newRow("retry passes") << QStringList{"P 1 11", "F 1 12", "P 12 13"} << QList<int>{2, 1, 0} << 0.5;
        QTest::newRow("skipped only") << QStringList{"S 11 -"} << QList<int>{0, 0, 1} << -1.0;
        QTest::newRow("another unit holding the same start value") << QStringList{"F 1 12", "P 1 13"} << QList<int>{1, 1, 0} << 0.5;
        // Known by identity: the unit back from rework holds nothing of its values, still a retry;
        // another unit that happens to hold them is a first attempt.
        QTest::newRow("retry by identity") << QStringList{"F 1 12 SN-A", "P 1 12 SN-A", "P 12 13 SN-B"} << QList<int>{2, 1, 0} << 0.5;
    }
    void counts()
    {
        QFETCH(QStringList, attempts);
        QFETCH(QList<int>, passedFailedSkipped);
        QFETCH(double, yield);
        StationTally t;
        for (const QString &a : attempts) {
            const QStringList f = a.split(QLatin1Char(' '));
            UnitRecord r;
            r.result = f[0] == QLatin1String("P") ? UnitRecord::Passed : f[0] == QLatin1String("F") ? UnitRecord::Failed : UnitRecord::Skipped;
            r.identity.insert(QStringLiteral("0002"), f[1]);
            if (f[2] != QLatin1String("-"))
                r.unique.insert(QStringLiteral("0002"), f[2]);
            r.unitId = f.value(3);
            t.add(r);
        }
        QCOMPARE((QList<int>{t.passed(), t.failed(), t.skipped()}), passedFailedSkipped);
        QCOMPARE(t.firstPassYield().value_or(-1.0), yield);
        QCOMPARE(t.perHour(30000), 0.0);
        QCOMPARE(t.perHour(3600000), double(t.passed()));
    }
};

QTEST_GUILESS_MAIN(TestStationTally)
#include "tst_station_tally.moc"
