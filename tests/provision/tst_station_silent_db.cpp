// A PostgreSQL server that stops answering without closing (stopped, its host hung): the unit
// waiting on it fails within a bound with the reason and its record goes to the outbox, and
// Ctrl-C ends dtucfg within two seconds whatever it waits on.
#include "support/pg_cluster.h"
#include "support/station_rig.h"

#include <QElapsedTimer>
#include <QProcess>

#include <csignal>

class TestStationSilentDb : public QObject {
    Q_OBJECT

    std::unique_ptr<PgCluster> pg;

private slots:
    void init()
    {
        if (PgCluster::binDir().isEmpty())
            QSKIP("the PostgreSQL server is not installed (scripts/setup-deps.sh installs it)");
        pg = std::make_unique<PgCluster>();
        QVERIFY2(pg->start(), qPrintable(pg->errorText()));
    }
    void cleanup()
    {
        if (pg)
            pg->freeze(false);
        pg.reset();
    }

    void unitFailsAndItsRecordWaits()
    {
        Rig rig;
        QVERIFY(rig.addUnit(QStringLiteral("unit0"), {QStringLiteral("--delay"), QStringLiteral("200")}));
        const QString home = QDir::currentPath();
        QVERIFY(QDir::setCurrent(rig.dir.path()));   // the outbox of a server is made in the current folder
        auto back = qScopeGuard([&] { QDir::setCurrent(home); });
        StationConfig c = rig.config();
        c.db = pg->url();
        Station station(c);
        QSignalSpy done(&station, &Station::finished);
        QString error;
        QVERIFY2(station.start(error), qPrintable(error));
        QVERIFY(pg->freeze(true));
        QElapsedTimer waited;
        waited.start();
        QVERIFY(done.wait(60000));
        QVERIFY2(waited.elapsed() < 20000, qPrintable(QString::number(waited.elapsed())));
        QCOMPARE(station.records().size(), 1);
        const UnitRecord r = station.records().first();
        QCOMPARE(r.failureCode, failure::kDbNotAnswering);
        QVERIFY(r.unique.isEmpty() && r.params.isEmpty());
        QString outboxError;
        const QList<UnitRecord> waiting = Outbox(Outbox::PathFor(c.db)).pending(outboxError);
        QCOMPARE(waiting.size(), 1);
        QCOMPARE(waiting.first().uid, r.uid);
    }

    void ctrlCEndsDtucfgWithinTwoSeconds()
    {
        Rig rig;
        QVERIFY(rig.addUnit(QStringLiteral("unit0"), {QStringLiteral("--delay"), QStringLiteral("300")}));
        QProcess dtucfg;
        dtucfg.setWorkingDirectory(rig.dir.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DTUCFG_PLAIN"), QStringLiteral("1"));
        dtucfg.setProcessEnvironment(env);
        dtucfg.setProcessChannelMode(QProcess::MergedChannels);
        dtucfg.start(qEnvironmentVariable("DTU_BIN_DIR") + QStringLiteral("/dtucfg"),
                     {QStringLiteral("provision"), QStringLiteral("--golden"), QStringLiteral("demo_profile.txt"),
                      QStringLiteral("--ports"), rig.dir.filePath(QStringLiteral("unit*")), QStringLiteral("--unique"),
                      QStringLiteral("设备ID={seq:20000001}"), QStringLiteral("--watch"), QStringLiteral("--db"), pg->url()});
        QVERIFY(dtucfg.waitForStarted(10000));
        QByteArray err;
        QTRY_VERIFY_WITH_TIMEOUT((err += dtucfg.readAllStandardOutput()).contains("watching"), 30000);
        QVERIFY(pg->freeze(true));
        // The unit is read, then waits for its values from the server that does not answer.
        QTRY_VERIFY_WITH_TIMEOUT((err += dtucfg.readAllStandardOutput()).contains("values"), 30000);
        QTest::qWait(1500);
        QElapsedTimer stopping;
        stopping.start();
        QVERIFY(::kill(pid_t(dtucfg.processId()), SIGINT) == 0);
        QVERIFY(dtucfg.waitForFinished(10000));
        QVERIFY2(stopping.elapsed() <= 2000, qPrintable(QString::number(stopping.elapsed())));
        err += dtucfg.readAllStandardOutput();
        QVERIFY2(err.contains("FAIL"), err.constData());
    }
};

QTEST_GUILESS_MAIN(TestStationSilentDb)
#include "tst_station_silent_db.moc"
