// Reading profile members leniently: numbers out of range, nesting depth, lenient syntax.
#include "text/json_text.h"

#include <QtTest>
#include <climits>

using nlohmann::ordered_json;

class TestJsonText : public QObject {
    Q_OBJECT
private slots:
    void memberIntHoldsWithinIntRange_data();
    void memberIntHoldsWithinIntRange();
    void nestingDepthCountsOutsideStrings();
};

void TestJsonText::memberIntHoldsWithinIntRange_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<int>("expected");
    QTest::newRow("plain") << QString(R"({"n": 7})") << 7;
    QTest::newRow("float truncated") << QString(R"({"n": -2.9})") << -2;
    QTest::newRow("huge float") << QString(R"({"n": 1e99})") << INT_MAX;
    QTest::newRow("huge negative float") << QString(R"({"n": -1e20})") << INT_MIN;
    QTest::newRow("float just past int") << QString(R"({"n": 2147483648.5})") << INT_MAX;
    QTest::newRow("big integer") << QString(R"({"n": 4294967297})") << INT_MAX;
    QTest::newRow("big negative integer") << QString(R"({"n": -4294967297})") << INT_MIN;
    QTest::newRow("largest unsigned") << QString(R"({"n": 18446744073709551615})") << INT_MAX;
    QTest::newRow("numeric text") << QString(R"({"n": " 12 "})") << 12;
    QTest::newRow("text out of range") << QString(R"({"n": "99999999999"})") << 0;
    QTest::newRow("array") << QString(R"({"n": [1]})") << 0;
}
void TestJsonText::memberIntHoldsWithinIntRange()
{
    QFETCH(QString, json);
    QFETCH(int, expected);
    const auto root = ParseLenientJson(json, nullptr);
    QVERIFY(root.has_value());
    QCOMPARE(JsonMemberInt(*root, "n"), expected);
}

void TestJsonText::nestingDepthCountsOutsideStrings()
{
    QCOMPARE(JsonNestingDepth(QStringLiteral(R"({"a":[1,{"b":"[[[{"}]})")), 3);
    QCOMPARE(JsonNestingDepth(QStringLiteral(R"(["\"[", []])")), 2);
    QCOMPARE(JsonNestingDepth(QString()), 0);
    QString error;
    const QString atLimit = QString(kMaxJsonDepth, '[') + QString(kMaxJsonDepth, ']');
    QVERIFY(ParseLenientJson(atLimit, &error).has_value());
    const QString past = QLatin1Char('[') + atLimit + QLatin1Char(']');
    QVERIFY(!ParseLenientJson(past, &error).has_value());
    QCOMPARE(error, QStringLiteral("嵌套超过 512 层"));
}

QTEST_GUILESS_MAIN(TestJsonText)
#include "tst_json_text.moc"
