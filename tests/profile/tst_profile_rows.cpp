// One entry becoming a row (value lists, script conversion, short values) and the lenient parser.
#include "params/param_table.h"
#include "profile/param_row_loader.h"
#include "profile/profile_session.h"
#include "script/script_host.h"

#include <QtTest>

namespace {
ParamRow makeRow(const QString &stored, const QString &onGet, const QString &onList = QString())
{
    ParamRow r;
    r.cmdId = QStringLiteral("0012");
    r.name = QStringLiteral("name");
    r.stored = stored;
    r.onGet = onGet;
    r.onList = onList;
    r.onSet = QStringLiteral("SetU8()");
    r.note = QStringLiteral("note");
    r.shown = QStringLiteral("stale");  // never taken over: the shown value is always computed
    return r;
}

const QString kAB = QStringLiteral(R"([["A","B"],["00","01"]])");
} // namespace

class TestProfileRows : public QObject {
    Q_OBJECT
private slots:
    void listLookup_data();
    void listLookup();
    void malformedListKeepsRow_data();
    void malformedListKeepsRow();
    void shortValueEvaluatesNothing_data();
    void shortValueEvaluatesNothing();
    void hexInputReachesScriptIntact();
    void scriptResultAndScriptError();
    void lenientJsonAccepts_data();
    void lenientJsonAccepts();
    void lenientJsonRejects();
};

void TestProfileRows::listLookup_data()
{
    QTest::addColumn<QString>("onList");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("second entry") << kAB << "HEX:01" << "B";
    QTest::newRow("first entry") << kAB << "HEX:00" << "A";
    QTest::newRow("not listed") << kAB << "HEX:02" << "";
    QTest::newRow("case differs") << QStringLiteral(R"([["x","y"],["0a","0b"]])") << "HEX:0A" << "";
    QTest::newRow("first match wins") << QStringLiteral(R"([["x","y"],["01","01"]])") << "HEX:01" << "x";
    QTest::newRow("non-ASCII names") << QString::fromUtf8(R"([["关","开"],["00","01"]])") << "HEX:01"
                                     << QString::fromUtf8("开");
}

void TestProfileRows::listLookup()
{
    QFETCH(QString, onList);
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    ScriptHost script;
    ParamTable table(false);
    // ONGET is not used for value lists: a failing one proves it is never evaluated.
    QCOMPARE(AddParamRow(script, table, makeRow(stored, QStringLiteral("throw 1"), onList)), QString());
    QCOMPARE(table.size(), 1);
    QCOMPARE(table.row(0).shown, shown);
    QCOMPARE(table.row(0).stored, stored);
    QCOMPARE(script.evaluate(QStringLiteral("hexinput")).text, stored.mid(4));
}

void TestProfileRows::malformedListKeepsRow_data()
{
    QTest::addColumn<QString>("onList");
    QTest::newRow("unequal lengths") << QStringLiteral(R"([["A"],["00","01"]])");
    QTest::newRow("one array") << QStringLiteral(R"([["A","B"]])");
    QTest::newRow("second not an array") << QStringLiteral(R"([["A"],"00"])");
    QTest::newRow("not JSON") << QStringLiteral(R"([["A"],["00")");
}

void TestProfileRows::malformedListKeepsRow()
{
    QFETCH(QString, onList);
    ScriptHost script;
    ParamTable table(false);
    const QString error = AddParamRow(script, table, makeRow(QStringLiteral("HEX:00"), QString(), onList));
    QVERIFY(!error.isEmpty());
    QCOMPARE(table.size(), 1);
    const ParamRow &r = table.row(0);
    QVERIFY(r.shown.isEmpty());
    QCOMPARE(r.cmdId, QStringLiteral("0012"));
    QCOMPARE(r.name, QStringLiteral("name"));
    QCOMPARE(r.onList, onList);
    QCOMPARE(r.onSet, QStringLiteral("SetU8()"));
    QCOMPARE(r.note, QStringLiteral("note"));
    QCOMPARE(table.readList(), QByteArray::fromHex("0012"));
}

void TestProfileRows::shortValueEvaluatesNothing_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("onList");
    QTest::newRow("empty") << "" << "";
    QTest::newRow("prefix alone") << "HEX:" << "";
    QTest::newRow("four characters, list") << "HEX1" << kAB;
}

void TestProfileRows::shortValueEvaluatesNothing()
{
    QFETCH(QString, stored);
    QFETCH(QString, onList);
    ScriptHost script;
    script.evaluate(QStringLiteral("var calls = 0; hexinput = 'sentinel';"));
    ParamTable table(false);
    QCOMPARE(AddParamRow(script, table, makeRow(stored, QStringLiteral("++calls"), onList)), QString());
    QVERIFY(table.row(0).shown.isEmpty());
    QCOMPARE(script.evaluate(QStringLiteral("calls")).text, QStringLiteral("0"));
    QCOMPARE(script.evaluate(QStringLiteral("hexinput")).text, QStringLiteral("sentinel"));
}

void TestProfileRows::hexInputReachesScriptIntact()
{
    ScriptHost script;
    script.evaluate(QStringLiteral("var injected = false;"));
    ParamTable table(false);
    // Would break out of a spliced string literal and run code.
    const QString hostile = QStringLiteral(R"J(41"; injected = true; "\)J");
    QCOMPARE(AddParamRow(script, table, makeRow("HEX:" + hostile, QStringLiteral("hexinput"))), QString());
    QCOMPARE(table.row(0).shown, hostile);
    QCOMPARE(script.evaluate(QStringLiteral("injected")).text, QStringLiteral("false"));
}

void TestProfileRows::scriptResultAndScriptError()
{
    ScriptHost script;
    ParamTable table(false);
    QCOMPARE(AddParamRow(script, table, makeRow(QStringLiteral("HEX:0A"), QStringLiteral("parseInt(hexinput, 16) * 2"))),
             QString());
    QCOMPARE(table.row(0).shown, QStringLiteral("20"));

    const QString error = AddParamRow(script, table, makeRow(QStringLiteral("HEX:0A"), QStringLiteral("missingFn()")));
    QVERIFY(error.contains(QStringLiteral("missingFn")));
    QCOMPARE(table.size(), 2);
    QVERIFY(table.row(1).shown.isEmpty());
}

void TestProfileRows::lenientJsonAccepts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");  // strict JSON of the same tree
    QTest::newRow("line comment") << "{\"a\": 1 // one\n}" << R"({"a":1})";
    QTest::newRow("block comment") << "{/* x, ] */\"a\": [1, 2]}" << R"({"a":[1,2]})";
    QTest::newRow("trailing commas") << "{\"a\": [1, 2, ], \"b\": {\"c\": 3,\n },\n}" << R"({"a":[1,2],"b":{"c":3}})";
    QTest::newRow("comma before comment") << "{\"a\": [1, // last\n]}" << R"({"a":[1]})";
    QTest::newRow("markers inside strings kept")
        << R"({"u": "http://x/*y*/", "t": "a,]", "q": "\",}"})" << R"({"u":"http://x/*y*/","t":"a,]","q":"\",}"})";
    QTest::newRow("byte-order mark") << QString(QChar(0xFEFF)) + "{\"a\": \"b\"}" << R"({"a":"b"})";
}

void TestProfileRows::lenientJsonAccepts()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QString error;
    const auto doc = ParseLenientJson(text, &error);
    QVERIFY2(doc.has_value(), qPrintable(error));
    QCOMPARE(QString::fromStdString(doc->dump()), expected);
}

void TestProfileRows::lenientJsonRejects()
{
    for (const QString &text : {QStringLiteral("{\"a\": }"), QStringLiteral("{\"a\": [1, 2}"), QStringLiteral(""),
                                QStringLiteral("{\"a\": 1} trailing")}) {
        QString error;
        QVERIFY2(!ParseLenientJson(text, &error).has_value(), qPrintable(text));
        QVERIFY(!error.isEmpty());
    }
}

QTEST_GUILESS_MAIN(TestProfileRows)
#include "tst_profile_rows.moc"
