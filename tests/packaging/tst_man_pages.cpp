// The manual pages the package installs describe the options the programs really take:
// every long option a program's help shows is in its page, and the page names no option the
// program does not show. The help itself goes to stdout with status 0, as help2man and users
// expect.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

namespace {
struct Run {
    int code = -1;
    QString out;
    QString err;
};

Run runProgram(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(qEnvironmentVariable("DTU_BIN_DIR") + QLatin1Char('/') + program, args);
    Run r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("did not finish: ") + p.errorString();
        return r;
    }
    if (p.exitStatus() == QProcess::NormalExit)
        r.code = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// "--name" in plain text; in troff source the hyphens are written "\-".
QSet<QString> optionsIn(const QString &text, bool troff)
{
    static const QRegularExpression plain(QStringLiteral(R"(--([a-z][a-z0-9]*(?:-[a-z0-9]+)*))"));
    static const QRegularExpression escaped(QStringLiteral(R"(\\-\\-([a-z][a-z0-9]*(?:\\-[a-z0-9]+)*))"));
    QSet<QString> names;
    auto it = (troff ? escaped : plain).globalMatch(text);
    while (it.hasNext())
        names.insert(it.next().captured(1).replace(QStringLiteral("\\-"), QStringLiteral("-")));
    return names;
}

QString sorted(const QSet<QString> &set)
{
    QStringList list(set.begin(), set.end());
    list.sort();
    return list.join(QLatin1Char(' '));
}
} // namespace

class TestManPages : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(!qEnvironmentVariableIsEmpty("DTU_BIN_DIR"), "DTU_BIN_DIR is not set"); }

    void helpGoesToStdout_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("flag");
        for (const char *program : {"dtucfg", "dtusim", "dtu-config"})
            for (const char *flag : {"-h", "--help"})
                QTest::addRow("%s %s", program, flag) << QString::fromLatin1(program) << QString::fromLatin1(flag);
    }

    void helpGoesToStdout()
    {
        QFETCH(QString, program);
        QFETCH(QString, flag);
        const Run r = runProgram(program, {flag});
        QVERIFY2(r.code == 0, qPrintable(QStringLiteral("status %1: %2").arg(r.code).arg(r.err)));
        QVERIFY2(r.out.contains(QLatin1String("--profile")), qPrintable(r.out));
    }

    void pageMatchesHelp_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("dtucfg") << QStringLiteral("dtucfg");
        QTest::newRow("dtusim") << QStringLiteral("dtusim");
        QTest::newRow("dtu-config") << QStringLiteral("dtu-config");
    }

    void pageMatchesHelp()
    {
        QFETCH(QString, program);
        const Run r = runProgram(program, {QStringLiteral("--help")});
        QCOMPARE(r.code, 0);
        QSet<QString> shown = optionsIn(r.out, false);
        QVERIFY2(shown.size() >= 3, qPrintable(r.out));

        QFile page(QStringLiteral(DTU_SOURCE_DIR "/packaging/man/%1.1").arg(program));
        QVERIFY2(page.open(QIODevice::ReadOnly), qPrintable(page.fileName()));
        const QString source = QString::fromUtf8(page.readAll());
        const QSet<QString> documented = optionsIn(source, true);

        const QSet<QString> undocumented = QSet<QString>(shown).subtract(documented);
        QVERIFY2(undocumented.isEmpty(), qPrintable(QStringLiteral("not in the page: ") + sorted(undocumented)));
        shown.insert(QStringLiteral("help"));   // every program takes it, whether its text says so or not
        const QSet<QString> unknown = QSet<QString>(documented).subtract(shown);
        QVERIFY2(unknown.isEmpty(), qPrintable(QStringLiteral("not in --help: ") + sorted(unknown)));

        // The page's header names the package it belongs to.
        QVERIFY(source.startsWith(QStringLiteral(".TH ")));
        QVERIFY(source.contains(QStringLiteral("\"dtu-config ")));
    }
};

QTEST_GUILESS_MAIN(TestManPages)
#include "tst_man_pages.moc"
