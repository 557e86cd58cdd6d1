// Built-in conversions, value lists and the in-place editor's set-up and conversions.
#include "params/param_editor_logic.h"
#include "params/param_row.h"
#include "params/value_conversions.h"
#include "script/script_host.h"

#include <QtTest>

class TestParamEditor : public QObject {
    Q_OBJECT

    static ParamRow row(const QString &code, const QString &stored, const QString &onList, const QString &onGet,
                        const QString &onSet)
    {
        ParamRow r;
        r.cmdId = code;
        r.name = QStringLiteral("名称");
        r.stored = stored;
        r.onList = onList;
        r.onGet = onGet;
        r.onSet = onSet;
        return r;
    }

private slots:
    void builtInConversions()
    {
        QCOMPARE(conv::GetFloat(QStringLiteral("0000803F")), QStringLiteral("1.000"));
        QCOMPARE(conv::GetFloat(QStringLiteral("00002040")), QStringLiteral("2.500"));
        // Fewer than four bytes are padded with zeros; more are ignored.
        QCOMPARE(conv::GetFloat(QStringLiteral("")), QStringLiteral("0.000"));
        QCOMPARE(conv::GetFloat(QStringLiteral("0000803FFF")), QStringLiteral("1.000"));
        QCOMPARE(conv::SetFloat(QStringLiteral("2.5")).value(), QStringLiteral("00002040"));
        QCOMPARE(conv::SetFloat(QStringLiteral("-1")).value(), QStringLiteral("000080BF"));
        QVERIFY(!conv::SetFloat(QStringLiteral("abc")).has_value());
        QCOMPARE(conv::GetStr(QStringLiteral("4142")), QStringLiteral("AB"));
        QCOMPARE(conv::GetStr(QStringLiteral("41424")), QStringLiteral("AB"));
        QCOMPARE(conv::SetStr(QStringLiteral("AB")), QStringLiteral("4142"));
        // Chinese text goes through the device code page both ways.
        QCOMPARE(conv::SetStr(QStringLiteral("中")), QStringLiteral("D6D0"));
        QCOMPARE(conv::GetStr(QStringLiteral("D6D0")), QStringLiteral("中"));
        QCOMPARE(conv::ReplaceNan(QStringLiteral("NaN")), QStringLiteral("00"));
        QCOMPARE(conv::ReplaceNan(QStringLiteral("01nan02NAN")), QStringLiteral("01000200"));
    }

    // Values whose every byte is non-zero and distinct, so that a byte put in the wrong place
    // shows. The bytes are the IEEE single-precision little-endian forms, worked out by hand
    // (and checked with Python's struct.pack('<f', v)), not by the code under test.
    void floatBytesEveryByteMatters_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("digits");
        QTest::addColumn<QString>("shown");
        QTest::newRow("12345.678") << "12345.678" << "B6E64046" << "12345.678";
        QTest::newRow("-98765.4321") << "-98765.4321" << "B7E6C0C7" << "-98765.430";
        QTest::newRow("0.1") << "0.1" << "CDCCCC3D" << "0.100";
        QTest::newRow("-0.000123") << "-0.000123" << "90F900B9" << "-0.000";
        QTest::newRow("3.4e38") << "3.4e38" << "9EC97F7F" << "339999995214436424907732413799364296704.000";
        QTest::newRow("smallest normal") << "1.17549435e-38" << "00008000" << "0.000";
    }
    void floatBytesEveryByteMatters()
    {
        QFETCH(QString, typed);
        QFETCH(QString, digits);
        QFETCH(QString, shown);
        QCOMPARE(conv::SetFloat(typed).value(), digits);
        QCOMPARE(conv::GetFloat(digits), shown);
        // What is shown converts back to the same bytes where three decimals keep them all.
        if (!shown.endsWith(QLatin1String("0.000")))
            QCOMPARE(conv::SetFloat(shown).value(), digits);
    }

    void valueLists()
    {
        QString err;
        const auto list = conv::ParseValueList(QStringLiteral(R"([["A","B"],["00","01"]])"), &err);
        QVERIFY(list.has_value());
        QCOMPARE(conv::MatchStored(*list, QStringLiteral("HEX:01")), 1);
        QCOMPARE(conv::MatchStored(*list, QStringLiteral("HEX:02")), -1);
        // Letter case matters: a lower-case list value never matches an upper-case stored value.
        const auto lower = conv::ParseValueList(QStringLiteral(R"([["x"],["0a"]])"), &err);
        QCOMPARE(conv::MatchStored(*lower, QStringLiteral("HEX:0A")), -1);
        QVERIFY(!conv::ParseValueList(QStringLiteral(R"([["A","B"],["00"]])"), &err).has_value());
        QVERIFY(!err.isEmpty());
        QVERIFY(!conv::ParseValueList(QStringLiteral("[[oops"), &err).has_value());
    }

    void listFormEditor()
    {
        ScriptHost script;
        script.evaluate(QStringLiteral("function Name(){ return 'n:' + hexinput; }"));
        const ParamRow r = row(QStringLiteral("0001"), QStringLiteral("HEX:01"),
                               QStringLiteral(R"([["关","开"],["00","01"]])"), QStringLiteral("Name()"), QString());
        const EditorSetup s = SetupParamEditor(script, r, 0);
        QCOMPARE(s.kind, EditorSetup::List);
        QCOMPARE(s.items, QStringList({QStringLiteral("关"), QStringLiteral("开")}));
        QCOMPARE(s.selectedIndex, 1);
        QCOMPARE(s.comboText, QStringLiteral("n:01"));
        const auto choice = ConvertListChoice(r, QStringLiteral("关"), nullptr);
        QVERIFY(choice.has_value());
        QCOMPARE(choice->stored, QStringLiteral("HEX:00"));
        QCOMPARE(choice->shown, QStringLiteral("关"));
        QVERIFY(!ConvertListChoice(r, QStringLiteral("半"), nullptr).has_value());
    }

    void malformedListFallsBackToText()
    {
        ScriptHost script;
        const ParamRow r = row(QStringLiteral("0001"), QStringLiteral("HEX:01"), QStringLiteral("[[broken"),
                               QString(), QString());
        const EditorSetup s = SetupParamEditor(script, r, 0);
        QCOMPARE(s.kind, EditorSetup::Text);
        QCOMPARE(s.messages.size(), 1);
        QCOMPARE(s.maxLength, 0);
        QVERIFY(s.allowedChars.isEmpty());
    }

    void textFormLimits()
    {
        ScriptHost script;
        script.evaluate(QStringLiteral("function U16(){ return String(parseInt(hexinput,16)); }"));
        ParamRow r = row(QStringLiteral("0002"), QStringLiteral("HEX:1F90"),
                         QStringLiteral("Length=8;Mask=\"0123456789\";"), QStringLiteral("U16()"), QString());
        EditorSetup s = SetupParamEditor(script, r, 0);
        QCOMPARE(s.kind, EditorSetup::Text);
        QCOMPARE(s.maxLength, 8);
        QCOMPARE(s.allowedChars, QStringLiteral("0123456789"));
        QCOMPARE(s.editText, QStringLiteral("8080"));
        QVERIFY(CharAllowed(QLatin1Char('5'), s.allowedChars));
        QVERIFY(!CharAllowed(QLatin1Char('a'), s.allowedChars));
        QVERIFY(CharAllowed(QChar(8), s.allowedChars));
        QVERIFY(!CharAllowed(QChar(13), s.allowedChars));

        r.onList.clear();
        s = SetupParamEditor(script, r, 0);
        QCOMPARE(s.maxLength, 199);
        QVERIFY(CharAllowed(QLatin1Char('x'), s.allowedChars));

        // A stored value with no digits shows nothing and evaluates nothing.
        r.stored = QStringLiteral("HEX:");
        r.onGet = QStringLiteral("throw 'must not run'");
        s = SetupParamEditor(script, r, 0);
        QVERIFY(s.editText.isEmpty());
        QVERIFY(s.messages.isEmpty());
    }

    void builtInEditorConversions()
    {
        ScriptHost script;
        const ParamRow f = row(QStringLiteral("0003"), QStringLiteral("HEX:0000803F"), QString(),
                               QStringLiteral("GetFloat()"), QStringLiteral("SetFloat()"));
        QCOMPARE(SetupParamEditor(script, f, 0).editText, QStringLiteral("1.000"));
        auto v = ConvertTypedText(script, f, QStringLiteral("2.5"));
        QCOMPARE(v->stored, QStringLiteral("HEX:00002040"));
        QCOMPARE(v->shown, QStringLiteral("2.5"));
        QVERIFY(!ConvertTypedText(script, f, QStringLiteral("x")).has_value());

        const ParamRow t = row(QStringLiteral("0004"), QStringLiteral("HEX:4142"), QString(),
                               QStringLiteral("GetStr()"), QStringLiteral("SetStr()"));
        QCOMPARE(SetupParamEditor(script, t, 0).editText, QStringLiteral("AB"));
        QCOMPARE(ConvertTypedText(script, t, QStringLiteral("AB"))->stored, QStringLiteral("HEX:4142"));
    }

    void scriptedOnSet()
    {
        ScriptHost script;
        script.evaluate(QStringLiteral("function Echo(){ return ascinput.length.toString(16) ; }"
                                       "function Nan(){ return 'NaN'; }"
                                       "function Bad(){ throw new Error('no'); }"));
        ParamRow r = row(QStringLiteral("0005"), QStringLiteral("HEX:00"), QString(), QString(),
                         QStringLiteral("Echo()"));
        // A typed double quote no longer breaks the conversion: the text reaches the script whole.
        const QString typed = QStringLiteral("a\"b\";x=1;\"");
        auto v = ConvertTypedText(script, r, typed);
        QVERIFY(v.has_value());
        QCOMPARE(v->stored, QStringLiteral("HEX:") + QString::number(typed.size(), 16));
        QCOMPARE(v->shown, typed);
        r.onSet = QStringLiteral("Nan()");
        QCOMPARE(ConvertTypedText(script, r, QStringLiteral("1"))->stored, QStringLiteral("HEX:00"));
        r.onSet = QStringLiteral("Bad()");
        QVERIFY(!ConvertTypedText(script, r, QStringLiteral("1")).has_value());
    }

    void headingsAndProtectedRow()
    {
        ScriptHost script;
        const ParamRow heading = row(QString(), QString(), QString(), QString(), QString());
        EditorSetup s = SetupParamEditor(script, heading, 2);
        QCOMPARE(s.kind, EditorSetup::None);
        QVERIFY(s.readOnly);
        const ParamRow prot = row(QStringLiteral("0091"), QStringLiteral("HEX:01"), QString(), QStringLiteral("'v'"),
                                  QString());
        for (int level : {0, 1}) {
            s = SetupParamEditor(script, prot, level);
            QCOMPARE(s.kind, EditorSetup::None);
            QVERIFY(s.readOnly);
        }
        s = SetupParamEditor(script, prot, 2);
        QCOMPARE(s.kind, EditorSetup::Text);
        QVERIFY(!s.readOnly);
        QCOMPARE(s.editText, QStringLiteral("v"));
    }
};

QTEST_GUILESS_MAIN(TestParamEditor)
#include "tst_param_editor.moc"
