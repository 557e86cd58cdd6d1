// Scripts written to take the program down: each one ends in a failure with a text saying why
// (or, if valid, in its right value), within its limits, while the program itself stays small
// and the engine goes on with what was defined before.
#include "script/script_host.h"
#include "support/process_memory.h"
#include "support/temp_file_dir.h"

#include <QElapsedTimer>
#include <QtTest>

#include <poll.h>
#include <unistd.h>

namespace {
const QString kMemory = QStringLiteral("脚本占用内存超过 512 MB，已被中止");
const QString kTime = QStringLiteral("脚本运行超过 1000 毫秒，已被中止");
const QString kCrash = QStringLiteral("脚本运行时崩溃，已被中止");
// Time enough that only memory can stop the memory rows, even on a busy machine.
constexpr int kLong = 60000;

QString bigArrayLiteral()
{
    QString s = QStringLiteral("[");
    for (int i = 0; i < 1000000; ++i)
        s += QStringLiteral("1,");
    return s + QStringLiteral("0]");
}
} // namespace

class TestScriptIsolation : public QObject {
    Q_OBJECT
private slots:
    void hostileScriptsFailAlone_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<bool>("asFile");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("expected");  // the value, or the failure texts allowed
        QTest::addColumn<int>("limitMs");
        const QString literal = bigArrayLiteral();
        const QStringList deep{kCrash, kMemory};  // the engine's native stack, or its heap, gives out first
        QTest::newRow("script.js: array literal of 1e6 numbers") << literal << true << false << deep << kLong;
        QTest::newRow("JSON.parse of the array") << QStringLiteral("JSON.parse('%1').length").arg(literal) << false << false << deep << kLong;
        QTest::newRow("eval of the array") << QStringLiteral("eval('%1').length").arg(literal) << false << false << deep << kLong;
        const auto memory = [](const char *name, const char *program) {
            QTest::newRow(name) << QString::fromUtf8(program) << false << false << QStringList{kMemory} << kLong;
        };
        memory("replace with $'", "'x'.repeat(4e4).replace(/(?:)/g, \"$'\").length");
        memory("split with a capture group", "'x'.repeat(4e4).split(/(?=([^]*))/).length");
        memory("stringify of one string 24 times", "var s = 'x'.repeat(1 << 26); JSON.stringify(Array(24).fill(s)).length");
        memory("concat of spreadable typed arrays",
               "var t = new Uint8Array(1 << 24); t[Symbol.isConcatSpreadable] = true; [].concat(t, t, t, t, t, t, t, t).length");
        memory("Object.keys of a long string", "Object.keys('x'.repeat(3e7)).length");
        memory("Object.entries of a typed array", "Object.entries(new Uint8Array(2e7)).length");
        memory("String.raw", "String.raw({raw: {length: 6e7}}).length");
        memory("escape", "escape('\\u4e00'.repeat(6e7)).length");
        memory("encodeURIComponent", "encodeURIComponent('\\u4e00'.repeat(4e7)).length");
        QTest::newRow("toLocaleString on a fake length")
            << QStringLiteral("Array.prototype.toLocaleString.call({length: 1e9}).length") << false << false
            << QStringList{kTime} << 1000;
        // A result that cannot become text is a failure, not a value made of the error.
        const auto refused = [](const char *name, const char *program, const char *error) {
            QTest::newRow(name) << QString::fromUtf8(program) << false << false << QStringList{QString::fromUtf8(error)} << 3000;
        };
        refused("result whose toString throws", "({toString() { throw new Error('no text'); }})", "Error: no text");
        refused("cyclic result whose toString is JSON",
                "var a = {}; a.self = a; a.toString = function () { return JSON.stringify(this); }; a",
                "TypeError: Cannot convert circular structure to JSON");
        const auto valid = [](const char *name, const char *program, const char *value) {
            QTest::newRow(name) << QString::fromUtf8(program) << false << true << QStringList{QString::fromUtf8(value)} << 3000;
        };
        valid("typed array from a set", "new Uint8Array(new Set([1,2,3])).length", "3");
        valid("typed array from a generator", "new Uint16Array((function* () { yield 7; yield 8; })()).join()", "7,8");
        valid("typed array from map keys", "new Int8Array(new Map([[4, 'a'], [5, 'b']]).keys()).join()", "4,5");
    }
    void hostileScriptsFailAlone()
    {
        QFETCH(QString, program);
        QFETCH(bool, asFile);
        QFETCH(bool, ok);
        QFETCH(QStringList, expected);
        QFETCH(int, limitMs);
        ScriptHost host(limitMs);
        QVERIFY(host.evaluate(QStringLiteral("function Kept() { return 'kept'; } var count = 41;")).ok);
        host.setHexInput(QStringLiteral("0A0B"));
        QVERIFY(ResetPeakResident());
        TempFileDir dir;
        QElapsedTimer t;
        t.start();
        const ScriptResult r = asFile ? host.evaluateFile(dir.writeUtf8(QStringLiteral("script.js"), program), nullptr)
                                      : host.evaluate(program);
        const qint64 took = t.elapsed();
        QCOMPARE(r.ok, ok);
        QVERIFY2(expected.contains(ok ? r.text : r.error), qPrintable(r.text + r.error));
        // Within the time limit, its grace and a restart; the program itself never grew.
        QVERIFY2(took < std::min(limitMs + 5000, 30000), qPrintable(QString::number(took)));
        QVERIFY2(PeakResidentMb() < MemoryBoundMb(150), qPrintable(QString::number(PeakResidentMb())));
        // What was defined and set before is there, in the same engine or a fresh one.
        QCOMPARE(host.evaluate(QStringLiteral("Kept() + (++count) + hexinput")).text, QStringLiteral("kept420A0B"));
    }

    // Results are bounded one by one and together: a conversion that returns a huge text for
    // every row of a large profile does not fill the program's memory.
    void largeResultsOfABatchKeepTheProgramSmall_data()
    {
        QTest::addColumn<int>("chars");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("firstOk");
        QTest::newRow("each past the limit") << 4 * 1024 * 1024 - 16 << 60 << false;
        QTest::newRow("each within it, together past it") << 250000 << 600 << true;
    }
    void largeResultsOfABatchKeepTheProgramSmall()
    {
        QFETCH(int, chars);
        QFETCH(int, rows);
        QFETCH(bool, firstOk);
        ScriptHost host(kLong);
        QVERIFY(host.evaluate(QStringLiteral("function Big() { return 'A'.repeat(%1); }").arg(chars)).ok);
        ScriptBatch batch;
        for (int i = 0; i < rows; ++i)
            batch.evaluate(QStringLiteral("Big()"));
        QVERIFY(ResetPeakResident());
        const QVector<ScriptResult> r = host.run(batch);
        QVERIFY2(PeakResidentMb() < MemoryBoundMb(150), qPrintable(QString::number(PeakResidentMb())));
        QCOMPARE(r.size(), rows);
        QCOMPARE(r.first().ok, firstOk);
        QVERIFY(!r.last().ok);
        QVERIFY2(r.last().error.startsWith(QStringLiteral("脚本结果")), qPrintable(r.last().error));
        QCOMPARE(host.evaluate(QStringLiteral("Big().length")).text, QString::number(chars));
    }

    // A conversion that never ends, used by every row of a large profile, does not hold the
    // program for the time limit once per row: after two, the rest are not run.
    void aBatchGivesUpAfterTwoTimeouts()
    {
        ScriptHost host(300);
        QVERIFY(host.evaluate(QStringLiteral("function Kept() { return 'kept'; } function Stuck() { for (;;) {} }")).ok);
        ScriptBatch batch;
        for (int i = 0; i < 40; ++i)
            batch.evaluate(QStringLiteral("Stuck()"));
        QElapsedTimer t;
        t.start();
        const QVector<ScriptResult> r = host.run(batch);
        QVERIFY2(t.elapsed() < TimeBoundMs(4000), qPrintable(QString::number(t.elapsed())));
        QCOMPARE(r.size(), 40);
        QCOMPARE(r[1].error, QStringLiteral("脚本运行超过 300 毫秒，已被中止"));
        QVERIFY2(r.last().error.contains(QStringLiteral("其余脚本未运行")), qPrintable(r.last().error));
        QCOMPARE(host.evaluate(QStringLiteral("Kept()")).text, QStringLiteral("kept"));
    }

    // The engine's process holds none of the program's files: a serial port or a pipe closed by
    // the program is closed, and its other end sees it hang up.
    void engineHoldsNoneOfTheProgramsFiles()
    {
        int fds[2];
        QCOMPARE(::pipe(fds), 0);  // not close-on-exec, as a serial port may not be
        ScriptHost host;
        QVERIFY(host.evaluate(QStringLiteral("1")).ok);
        ::close(fds[1]);
        pollfd p{fds[0], POLLIN, 0};
        QCOMPARE(::poll(&p, 1, 2000), 1);
        QVERIFY(p.revents & POLLHUP);
        ::close(fds[0]);
    }

    // A batch whose host ends in the middle goes on in a fresh host, after the evaluation that
    // ended it, with what was defined and set before.
    void batchGoesOnAfterAFailure()
    {
        ScriptHost host(kLong);
        host.evaluate(QStringLiteral("function Twice() { return hexinput + hexinput; }"));
        ScriptBatch batch;
        batch.setHexInput(QStringLiteral("01"));
        const int first = batch.evaluate(QStringLiteral("Twice()"));
        batch.setHexInput(QStringLiteral("02"));
        const int crash = batch.evaluate(QStringLiteral("JSON.stringify(Array(24).fill('x'.repeat(1 << 26))).length"));
        const int after = batch.evaluate(QStringLiteral("Twice()"));
        const QVector<ScriptResult> r = host.run(batch);
        QCOMPARE(r.size(), 3);
        QCOMPARE(r[first].text, QStringLiteral("0101"));
        QCOMPARE(r[crash].error, kMemory);
        QCOMPARE(r[after].text, QStringLiteral("0202"));
    }
};

QTEST_GUILESS_MAIN(TestScriptIsolation)
#include "tst_script_isolation.moc"
