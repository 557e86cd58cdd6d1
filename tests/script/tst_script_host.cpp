#include "script/script_host.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestScriptHost : public QObject {
    Q_OBJECT
private slots:
    void globalsAndFunctionsPersist()
    {
        ScriptHost host;
        QVERIFY(host.evaluate(QStringLiteral("var PREFIX = \"\"; function GetCmd(n) { return n == \"CMD_RESET\" ? \"E005\" : \"\"; }"
                                             "function PrevCmd() { return PREFIX; }")).ok);
        QCOMPARE(host.getCmd(QStringLiteral("CMD_RESET")).text, QStringLiteral("E005"));
        QCOMPARE(host.getCmd(QStringLiteral("CMD_NONE")).text, QString());
        QCOMPARE(host.prevCmd().text, QString());
        QVERIFY(host.evaluate(QStringLiteral("PREFIX=\"0102\";")).ok);
        QCOMPARE(host.prevCmd().text, QStringLiteral("0102"));
        // A counter kept across evaluations.
        host.evaluate(QStringLiteral("var n = 0;"));
        host.evaluate(QStringLiteral("n++;"));
        host.evaluate(QStringLiteral("n++;"));
        QCOMPARE(host.evaluate(QStringLiteral("n")).text, QStringLiteral("2"));
    }

    void resultToText_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("text");
        QTest::newRow("undefined") << "undefined" << "";
        QTest::newRow("statement") << "var x = 5;" << "";
        QTest::newRow("null") << "null" << "";
        QTest::newRow("integer") << "10" << "10";
        QTest::newRow("fraction") << "1/4" << "0.25";
        QTest::newRow("negative") << "-3" << "-3";
        QTest::newRow("string") << "'abc'" << "abc";
        QTest::newRow("empty string") << "''" << "";
        QTest::newRow("boolean") << "1 < 2" << "true";
        QTest::newRow("chinese") << "'睡眠状态'" << "睡眠状态";
        QTest::newRow("object as json") << "JSON.stringify({TYPE:'HEX'})" << "{\"TYPE\":\"HEX\"}";
    }
    void resultToText()
    {
        QFETCH(QString, program);
        QFETCH(QString, text);
        ScriptHost host;
        const ScriptResult r = host.evaluate(program);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.text, text);
    }

    void errorsAreValues()
    {
        ScriptHost host;
        ScriptResult r = host.evaluate(QStringLiteral("throw new Error('bad value');"));
        QVERIFY(!r.ok);
        QVERIFY2(r.error.contains(QStringLiteral("bad value")), qPrintable(r.error));
        QVERIFY(r.text.isEmpty());

        r = host.evaluate(QStringLiteral("throw \"x\";"));
        QVERIFY(!r.ok);
        QVERIFY(!r.error.isEmpty());

        r = host.evaluate(QStringLiteral("var = ;"));
        QVERIFY(!r.ok);
        QVERIFY(!r.error.isEmpty());

        r = host.evaluate(QStringLiteral("NoSuchFunction();"));
        QVERIFY(!r.ok);
        QVERIFY2(r.error.contains(QStringLiteral("NoSuchFunction")), qPrintable(r.error));

        // The engine carries on after errors.
        QCOMPARE(host.evaluate(QStringLiteral("6*7")).text, QStringLiteral("42"));
        // An error caught inside the script is no error of the evaluation.
        r = host.evaluate(QStringLiteral("try { throw 1; } catch (e) { 'caught' }"));
        QVERIFY(r.ok);
        QCOMPARE(r.text, QStringLiteral("caught"));
    }

    void watchdogStopsRunawayScript()
    {
        ScriptHost host(300);
        QElapsedTimer t;
        t.start();
        const ScriptResult r = host.evaluate(QStringLiteral("while(true){}"));
        QVERIFY(!r.ok);
        QVERIFY(!r.error.isEmpty());
        QVERIFY2(t.elapsed() < 1500, qPrintable(QString::number(t.elapsed())));
        // The engine works again, and a quick script is not cut short afterwards.
        QCOMPARE(host.evaluate(QStringLiteral("1+1")).text, QStringLiteral("2"));
        QVERIFY(host.evaluate(QStringLiteral("var s = 0; for (var i = 0; i < 1000; ++i) s += i; s")).ok);
        // A function defined before the runaway still exists.
        host.evaluate(QStringLiteral("function f() { return 'kept'; }"));
        QVERIFY(!host.evaluate(QStringLiteral("for(;;){}")).ok);
        QCOMPARE(host.evaluate(QStringLiteral("f()")).text, QStringLiteral("kept"));
    }

    void inputsArriveIntact_data()
    {
        QTest::addColumn<QString>("input");
        QTest::newRow("plain") << "abc";
        QTest::newRow("quote") << "say \"hi\"";
        QTest::newRow("backslash") << "C:\\dir\\";
        QTest::newRow("injection") << "\";x=1;\"";
        QTest::newRow("newlines") << "a\nb\r\nc";
        QTest::newRow("separators") << QString(QChar(0x2028)) + QChar(0x2029);
        QTest::newRow("chinese") << "中文'";
        QTest::newRow("empty") << "";
    }
    void inputsArriveIntact()
    {
        QFETCH(QString, input);
        ScriptHost host;
        host.evaluate(QStringLiteral("var x = 0;"));
        host.setAscInput(input);
        QCOMPARE(host.evaluate(QStringLiteral("ascinput")).text, input);
        QCOMPARE(host.evaluate(QStringLiteral("ascinput.length")).text, QString::number(input.size()));
        QCOMPARE(host.evaluate(QStringLiteral("x")).text, QStringLiteral("0"));
        host.setHexInput(input);
        QCOMPARE(host.evaluate(QStringLiteral("hexinput")).text, input);
        // The literal helper yields source that reads back as the same text.
        QCOMPARE(host.evaluate(JsStringLiteral(input)).text, input);
    }

    void noFileOrNetworkAccess()
    {
        ScriptHost host;
        for (const char *name : {"require", "XMLHttpRequest", "fetch", "process", "console", "print", "Qt"})
            QCOMPARE(host.evaluate(QStringLiteral("typeof %1").arg(QLatin1String(name))).text, QStringLiteral("undefined"));
    }

    void evaluateFile()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        ScriptHost host;

        QString fileError;
        ScriptResult r = host.evaluateFile(dir.filePath(QStringLiteral("missing.js")), &fileError);
        QVERIFY(!r.ok);
        QVERIFY(!fileError.isEmpty());
        // The reason alone: the caller's message names the file, so it must not come twice.
        QVERIFY2(!fileError.contains(QStringLiteral("missing.js")), qPrintable(fileError));
        QVERIFY2(!fileError.contains(QStringLiteral("无法打开")), qPrintable(fileError));

        // "中文" in GBK, as the example script.js is stored.
        const QString gbkPath = dir.filePath(QStringLiteral("gbk.js"));
        QFile gbk(gbkPath);
        QVERIFY(gbk.open(QIODevice::WriteOnly));
        gbk.write("var s = \"" "\xD6\xD0\xCE\xC4" "\";\nfunction Name() { return s; }\n");
        gbk.close();
        fileError.clear();
        r = host.evaluateFile(gbkPath, &fileError);
        QVERIFY2(r.ok, qPrintable(r.error));
        QVERIFY(fileError.isEmpty());
        QCOMPARE(host.evaluate(QStringLiteral("Name()")).text, QStringLiteral("中文"));

        const QString utf8Path = dir.filePath(QStringLiteral("utf8.js"));
        QFile utf8(utf8Path);
        QVERIFY(utf8.open(QIODevice::WriteOnly));
        utf8.write(QStringLiteral("var u = '状态';").toUtf8());
        utf8.close();
        QVERIFY(host.evaluateFile(utf8Path, &fileError).ok);
        QCOMPARE(host.evaluate(QStringLiteral("u")).text, QStringLiteral("状态"));

        // A script error in a readable file is a script error, not a file error.
        const QString badPath = dir.filePath(QStringLiteral("bad.js"));
        QFile bad(badPath);
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("function (");
        bad.close();
        fileError.clear();
        r = host.evaluateFile(badPath, &fileError);
        QVERIFY(!r.ok);
        QVERIFY(fileError.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestScriptHost)
#include "tst_script_host.moc"
