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
        QTest::addColumn<bool>("refused");
        const auto row = [](const char *name, const char *program, bool refused = true) {
            QTest::newRow(name) << QString::fromUtf8(program) << refused;
        };
        row("ArrayBuffer", "new ArrayBuffer(1500 * 1024 * 1024).byteLength");
        row("ArrayBuffer called via constructor", "new (new ArrayBuffer(8).constructor)(1500 * 1024 * 1024)");
        row("typed array", "new Float64Array(200 * 1024 * 1024).length");
        row("typed array from array-like", "Uint32Array.from({length: 400 * 1024 * 1024}).length");
        row("repeat", "'x'.repeat(1 << 29).length");
        row("padStart", "'x'.padStart(1 << 29, 'y').length");
        row("padEnd", "'x'.padEnd(1 << 29).length");
        row("Array fill", "new Array(1 << 28).fill(0).length");
        row("Array.from", "Array.from({length: 1 << 28}).length");
        row("join", "new Array(1 << 29).join('x').length");
        row("caught and carried on", "try { 'x'.repeat(1 << 29); } catch (e) {} for (;;) {}");
        // A size that answers small to the first reading and large to the next: read once, it is small.
        row("ArrayBuffer valueOf", "var k = 0; new ArrayBuffer({valueOf() { return k++ ? 1500 * 1024 * 1024 : 1; }}).byteLength", false);
        row("typed array length getter",
            "var k = 0; new Uint8Array({get length() { return k++ ? 1500 * 1024 * 1024 : 1; }}).length", false);
        row("repeat valueOf", "var k = 0; 'x'.repeat({valueOf() { return k++ ? (1 << 29) : 1; }})", false);
        row("padEnd valueOf", "var k = 0; 'x'.padEnd({valueOf() { return k++ ? (1 << 29) : 1; }})", false);
        // Built-ins whose one step makes a result many times their input.
        row("split", "var s = 'x'.repeat(1 << 26); s.split('').length");
        row("stringify", "var s = 'y'.repeat(500000), a = []; for (var i = 0; i < 1200; i++) a.push(s); JSON.stringify(a).length");
        row("string concat",
            "var s = 'y'.repeat(500000), a = []; for (var i = 0; i < 1200; i++) a.push(s); ''.concat.apply('', a).length");
        row("array concat", "var a = []; for (var i = 0; i < 1e6; i++) a.push(i); var g = []; "
                            "for (var j = 0; j < 80; j++) g.push(a); Array.prototype.concat.apply([], g).length");
        row("replace", "'x'.repeat(1200).replace(/x/g, 'y'.repeat(500000)).length");
        row("join of long texts", "var s = 'y'.repeat(500000), a = []; for (var i = 0; i < 1200; i++) a.push(s); a.join('').length");
        row("inside a called function", "function Big() { return 'ab'.repeat(1 << 28); } Big().length");
    }
    void oneStepAllocationsEndWithinTheLimit()
    {
        QFETCH(QString, program);
        QFETCH(bool, refused);
        ScriptHost host(20000);
        QVERIFY(ResetPeakResident());
        QElapsedTimer t;
        t.start();
        const ScriptResult r = host.evaluate(program);
        QCOMPARE(!r.ok, refused);
        if (refused)
            QCOMPARE(r.error, QStringLiteral("脚本占用内存超过 512 MB，已被中止"));
        QVERIFY2(t.elapsed() < TimeBoundMs(10000), qPrintable(QString::number(t.elapsed())));
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
        // A script that replaces built-ins lifts no limit.
        host.evaluate(QStringLiteral("try { String.prototype.repeat = function () { return 'x'; }; } catch (e) {}"));
        QVERIFY(!host.evaluate(QStringLiteral("'x'.padEnd(1 << 29).length")).ok);
    }

    // A script file is read with a bound: /dev/zero or a pipe is refused, not read without end.
    void scriptFileOverTheLimitIsRefusedUnread()
    {
        ScriptHost host;
        QVERIFY(ResetPeakResident());
        QString fileError;
        const ScriptResult r = host.evaluateFile(QStringLiteral("/dev/zero"), &fileError);
        QVERIFY(!r.ok);
        QCOMPARE(fileError, QStringLiteral("文件过大，脚本不能超过 16 MB"));
        QVERIFY2(PeakResidentMb() < MemoryBoundMb(200), qPrintable(QString::number(PeakResidentMb())));
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
