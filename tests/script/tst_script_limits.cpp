// A profile script that allocates without end is stopped by its memory limit, long before its
// time limit, with a text saying so; the engine and everything defined before it keep working.
#include "script/script_host.h"
#include "support/process_memory.h"

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
    // Built-ins that allocate a gigabyte in one step are refused before they allocate, with the
    // memory text, also when the script catches the error; the process never nears 512 MB.
    void oneStepAllocationsEndWithinTheLimit_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("ArrayBuffer") << "new ArrayBuffer(1500 * 1024 * 1024).byteLength";
        QTest::newRow("ArrayBuffer called via constructor") << "new (new ArrayBuffer(8).constructor)(1500 * 1024 * 1024)";
        QTest::newRow("typed array") << "new Float64Array(200 * 1024 * 1024).length";
        QTest::newRow("typed array from array-like") << "Uint32Array.from({length: 400 * 1024 * 1024}).length";
        QTest::newRow("repeat") << "'x'.repeat(1 << 29).length";
        QTest::newRow("padStart") << "'x'.padStart(1 << 29, 'y').length";
        QTest::newRow("padEnd") << "'x'.padEnd(1 << 29).length";
        QTest::newRow("Array fill") << "new Array(1 << 28).fill(0).length";
        QTest::newRow("Array.from") << "Array.from({length: 1 << 28}).length";
        QTest::newRow("join") << "new Array(1 << 29).join('x').length";
        QTest::newRow("caught and carried on") << "try { 'x'.repeat(1 << 29); } catch (e) {} for (;;) {}";
        QTest::newRow("inside a called function") << "function Big() { return 'ab'.repeat(1 << 28); } Big().length";
    }
    void oneStepAllocationsEndWithinTheLimit()
    {
        QFETCH(QString, program);
        ScriptHost host(20000);
        QVERIFY(ResetPeakResident());
        QElapsedTimer t;
        t.start();
        const ScriptResult r = host.evaluate(program);
        QVERIFY2(!r.ok, qPrintable(r.text));
        QCOMPARE(r.error, QStringLiteral("脚本占用内存超过 256 MB，已被中止"));
        QVERIFY2(t.elapsed() < 10000, qPrintable(QString::number(t.elapsed())));
        QVERIFY2(PeakResidentMb() < 512, qPrintable(QString::number(PeakResidentMb())));
        // The engine goes on, and the guarded built-ins still do their ordinary work.
        const struct {
            const char *program, *result;
        } ordinary[] = {
            {"'ab'.repeat(3) + 'x'.padStart(3, '-') + 'y'.padEnd(2, '.')", "ababab--xy."},
            {"[1, 2, 3].join('-') + new Array(3).fill(7).join()", "1-2-37,7,7"},
            {"var b = new Uint8Array(new ArrayBuffer(4)); b[1] = 300; [b.length, b[1], b instanceof Uint8Array].join()",
             "4,44,true"},
            {"[ArrayBuffer.isView(new Uint8Array(2)), Uint8Array.from([5, 6])[1], Array.from('ab').length].join()",
             "true,6,2"},
            {"[new Float32Array(2).byteLength, new Uint16Array([1, 2, 3]).length, new ArrayBuffer(8).byteLength].join()",
             "8,3,8"},
            {"class Frame extends Uint8Array {} var f = new Frame(3); [f.length, f instanceof Frame].join()", "3,true"},
        };
        for (const auto &o : ordinary) {
            const ScriptResult r = host.evaluate(QString::fromUtf8(o.program));
            QVERIFY2(r.ok, qPrintable(QStringLiteral("%1: %2").arg(QString::fromUtf8(o.program), r.error)));
            QCOMPARE(r.text, QString::fromUtf8(o.result));
        }
        // A script cannot put the unguarded built-in back.
        host.evaluate(QStringLiteral("try { String.prototype.repeat = function () { return 'x'; }; } catch (e) {}"));
        QVERIFY(!host.evaluate(QStringLiteral("'x'.repeat(1 << 29).length")).ok);
    }

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
