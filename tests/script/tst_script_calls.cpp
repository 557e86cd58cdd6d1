// Repeated calls go through compiled functions: results, errors and the watchdog must be
// exactly those of evaluating the text each time.
#include "script/script_host.h"

#include <QElapsedTimer>
#include <QtTest>

class TestScriptCalls : public QObject {
    Q_OBJECT
private slots:
    void repeatedCallsGiveFreshResults()
    {
        ScriptHost s;
        QVERIFY(s.evaluate(QStringLiteral("function U(){ return String(parseInt(hexinput,16)); }")).ok);
        for (int i = 0; i < 50; ++i) {
            s.setHexInput(QString::number(i, 16));
            const ScriptResult r = s.evaluate(QStringLiteral("U()"));
            QVERIFY(r.ok);
            QCOMPARE(r.text, QString::number(i));
        }
        // A function redefined later is the one called.
        s.evaluate(QStringLiteral("function U(){ return 'new'; }"));
        QCOMPARE(s.evaluate(QStringLiteral("U()")).text, QStringLiteral("new"));
    }

    void errorsOfCallsAreReported()
    {
        ScriptHost s;
        s.evaluate(QStringLiteral("function Plain(){ throw 'plain'; } function Err(){ throw new RangeError('bad'); }"
                                  "function Nothing(){ } function Zero(){ return 0; }"));
        for (int round = 0; round < 2; ++round) {
            ScriptResult r = s.evaluate(QStringLiteral("Plain()"));
            QVERIFY(!r.ok);
            QCOMPARE(r.error, QStringLiteral("plain"));
            r = s.evaluate(QStringLiteral("Err()"));
            QVERIFY(!r.ok);
            QCOMPARE(r.error, QStringLiteral("RangeError: bad"));
            r = s.evaluate(QStringLiteral("Missing()"));
            QVERIFY(!r.ok);
            QVERIFY(r.error.contains(QStringLiteral("Missing")));
            QCOMPARE(s.evaluate(QStringLiteral("Nothing()")).text, QString());
            QCOMPARE(s.evaluate(QStringLiteral("Zero()")).text, QStringLiteral("0"));
        }
    }

    void runawayCallIsStoppedEveryTime()
    {
        ScriptHost s(200);
        s.evaluate(QStringLiteral("function Spin(){ for(;;){} }"));
        for (int round = 0; round < 2; ++round) {
            QElapsedTimer t;
            t.start();
            const ScriptResult r = s.evaluate(QStringLiteral("Spin()"));
            QVERIFY(!r.ok);
            QVERIFY(t.elapsed() < 2000);
        }
        QCOMPARE(s.evaluate(QStringLiteral("1+1")).text, QStringLiteral("2"));
    }

    void textsThatAreNotPlainCallsKeepEvalMeaning()
    {
        ScriptHost s;
        // A declaration still declares, a block is still a block, a statement list keeps its last value.
        QVERIFY(s.evaluate(QStringLiteral("function f(){ return 7; }")).ok);
        QCOMPARE(s.evaluate(QStringLiteral("f()")).text, QStringLiteral("7"));
        QCOMPARE(s.evaluate(QStringLiteral("{}")).text, QString());
        QCOMPARE(s.evaluate(QStringLiteral("f(); 3")).text, QStringLiteral("3"));
        // Unbalanced text is a syntax error, as it would be when evaluated as written.
        QVERIFY(!s.evaluate(QStringLiteral("f()) + (f()")).ok);
        QVERIFY(!s.evaluate(QStringLiteral("f(")).ok);
        // eval called at the top declares globals, as it does evaluated as written.
        QVERIFY(s.evaluate(QStringLiteral("eval('var fromEval = 2 + 3')")).ok);
        QCOMPARE(s.evaluate(QStringLiteral("fromEval")).text, QStringLiteral("5"));
        // A string argument holding parentheses and quotes is passed whole.
        s.evaluate(QStringLiteral("function id(x){ return x; }"));
        QCOMPARE(s.evaluate(QStringLiteral("id(\")'(\\\"\")")).text, QStringLiteral(")'(\""));
    }
};

QTEST_GUILESS_MAIN(TestScriptCalls)
#include "tst_script_calls.moc"
