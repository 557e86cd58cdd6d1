// dtucfg's --lang: device result texts in English, its own messages unchanged, and the
// window's stored choice followed when no --lang is given.
#include "cli_rig.h"

#include <QSettings>

class TestCliLanguage : public QObject {
    Q_OBJECT

    std::unique_ptr<CliRig> rig;
    TempFileDir config;

    void storeWindowLanguage(const QString &code)
    {
        QSettings s(config.filePath(QStringLiteral("dtu-config/dtu-config.conf")), QSettings::IniFormat);
        s.setValue(QStringLiteral("ui/language"), code);
        s.sync();
    }

private slots:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit()); }
    void init()
    {
        rig = std::make_unique<CliRig>();
        QVERIFY2(rig->startSim({QStringLiteral("--state"), QStringLiteral("5")}), qPrintable(rig->sim.errorText()));
    }
    void cleanup() { rig.reset(); }

    void englishResultTexts()
    {
        const CliResult state = rig->run({QStringLiteral("--lang"), QStringLiteral("en"), QStringLiteral("--json"), QStringLiteral("status")});
        CLI_EXPECT(state, 0);
        QCOMPARE(state.json().value(QStringLiteral("lines")).toArray().at(0).toString(),
                 QStringLiteral("DTU state=5, online, logged in to the data center"));

        const CliResult reset = rig->run({QStringLiteral("--lang"), QStringLiteral("en"), QStringLiteral("--json"), QStringLiteral("reset")});
        CLI_EXPECT(reset, 0);
        QCOMPARE(reset.json().value(QStringLiteral("result")).toString(), QStringLiteral("[Device reset succeeded]"));

        const CliResult bad = rig->run({QStringLiteral("--lang"), QStringLiteral("fr"), QStringLiteral("status")});
        CLI_EXPECT(bad, 2);
        QVERIFY2(bad.err.contains(QStringLiteral("--lang")), qPrintable(bad.err));

        // The station's subcommands take it as well, before their name or after it.
        const QString db = rig->dir.filePath(QStringLiteral("records.sqlite"));
        const CliResult report = rig->runRaw({QStringLiteral("--lang"), QStringLiteral("en"), QStringLiteral("report"),
                                             QStringLiteral("--db"), db});
        // Accepted: what stops it is the missing database, not the option.
        QVERIFY2(report.err.contains(QStringLiteral("no records database")), qPrintable(report.err));
        const CliResult badReport = rig->runRaw({QStringLiteral("report"), QStringLiteral("--lang"), QStringLiteral("fr"),
                                                QStringLiteral("--db"), db});
        CLI_EXPECT(badReport, 2);
        QVERIFY2(badReport.err.contains(QStringLiteral("--lang")), qPrintable(badReport.err));
    }

    void storedChoiceUnlessCommandLine()
    {
        storeWindowLanguage(QStringLiteral("en"));
        const CliResult stored = rig->run({QStringLiteral("--json"), QStringLiteral("reset")});
        CLI_EXPECT(stored, 0);
        QCOMPARE(stored.json().value(QStringLiteral("result")).toString(), QStringLiteral("[Device reset succeeded]"));

        const CliResult chinese = rig->run({QStringLiteral("--lang"), QStringLiteral("zh"), QStringLiteral("--json"), QStringLiteral("reset")});
        CLI_EXPECT(chinese, 0);
        QCOMPARE(chinese.json().value(QStringLiteral("result")).toString(), QStringLiteral("[复位设备成功]"));
        storeWindowLanguage(QStringLiteral("zh"));
    }
};

QTEST_GUILESS_MAIN(TestCliLanguage)
#include "tst_cli_language.moc"
