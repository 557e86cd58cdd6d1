// A profile script that allocates without end is stopped by its memory limit, long before its
// time limit, with a text saying so; the engine and everything defined before it keep working.
#include "script/script_host.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

namespace {
qint64 residentMb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    return statm.readAll().split(' ').value(1).toLongLong() * 4096 / (1024 * 1024);
}
} // namespace

class TestScriptLimits : public QObject {
    Q_OBJECT
private slots:
    void endlessAllocationIsStoppedByTheMemoryLimit()
    {
        ScriptHost host(60000);
        host.setMemoryLimitBytes(64LL * 1024 * 1024);
        host.evaluate(QStringLiteral("function kept() { return 'kept'; }"));
        const qint64 before = residentMb();
        QElapsedTimer t;
        t.start();
        const ScriptResult r = host.evaluate(QStringLiteral(
            "(function () { var a = []; for (;;) a.push(new Array(10000).fill(a.length)); })()"));
        QVERIFY(!r.ok);
        QCOMPARE(r.error, QStringLiteral("脚本占用内存超过 64 MB，已被中止"));
        // Well before the time limit, and the process did not run away meanwhile.
        QVERIFY2(t.elapsed() < 30000, qPrintable(QString::number(t.elapsed())));
        QVERIFY2(residentMb() - before < 1024, qPrintable(QString::number(residentMb() - before)));
        QCOMPARE(host.evaluate(QStringLiteral("kept()")).text, QStringLiteral("kept"));
        QCOMPARE(host.evaluate(QStringLiteral("GetX = function () { return 6 * 7; }; GetX()")).text, QStringLiteral("42"));
        // A cached call that allocates is stopped the same way.
        host.evaluate(QStringLiteral("function Hog() { var s = []; for (;;) s.push('x'.repeat(100000) + s.length); }"));
        QVERIFY(host.evaluate(QStringLiteral("Hog()")).error.contains(QStringLiteral("内存")));
        QCOMPARE(host.evaluate(QStringLiteral("GetX()")).text, QStringLiteral("42"));
    }

    void endlessLoopWithoutAllocationIsStoppedByTime()
    {
        ScriptHost host(300);
        const ScriptResult r = host.evaluate(QStringLiteral("var n = 0; for (;;) ++n;"));
        QVERIFY(!r.ok);
        QCOMPARE(r.error, QStringLiteral("脚本运行超过 300 毫秒，已被中止"));
    }

    void ordinaryWorkIsNotCutShort()
    {
        ScriptHost host(10000);
        host.setMemoryLimitBytes(64LL * 1024 * 1024);
        // Tens of milliseconds of real work with modest garbage: well under the limit.
        const ScriptResult r = host.evaluate(QStringLiteral(
            "var t = 0; for (var i = 0; i < 200000; ++i) { var s = String(i) + 'x'; t += s.length; } t"));
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.text, QStringLiteral("1288890"));
    }
};

QTEST_GUILESS_MAIN(TestScriptLimits)
#include "tst_script_limits.moc"
