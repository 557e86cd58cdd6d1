// The timed-query panel's checks and the record it prepares.
#include "params/timed_query.h"

#include <QtTest>

class TestTimedQuery : public QObject {
    Q_OBJECT
private slots:
    void periodLimits_data()
    {
        QTest::addColumn<QString>("period");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("firstLine");
        QTest::newRow("6500 passes") << "6500" << "AT" << "设置定时查询参数  状态:启用,  查询周期6500秒";
        QTest::newRow("6501 refused") << "6501" << "AT" << "设置失败:定时查询周期不能大于6500秒!";
        QTest::newRow("zero refused") << "0" << "AT" << "设置失败:定时查询周期不为0!";
        QTest::newRow("blank refused") << "  " << "AT" << "设置失败:定时查询周期不能为空!";
        QTest::newRow("no command") << "10" << "  " << "设置失败:定时查询命令内容不能为空!";
    }
    void periodLimits()
    {
        QFETCH(QString, period);
        QFETCH(QString, command);
        QFETCH(QString, firstLine);
        const TimedQuerySettings s = CheckTimedQuery({true, period, command, false});
        QCOMPARE(s.lines.first(), firstLine);
        QCOMPARE(s.ok, s.lines.size() == 3);
    }

    void disabledChecksNothing()
    {
        const TimedQuerySettings s = CheckTimedQuery({false, QString(), QString(), false});
        QVERIFY(s.ok);
        QCOMPARE(s.lines.at(0), QStringLiteral("设置定时查询参数  状态:不启用,  查询周期0秒"));
        QCOMPARE(s.lines.at(1), QStringLiteral("定时查询命令内容:"));
        QCOMPARE(s.lines.at(2), QString());
        QCOMPARE(s.record.size(), 254);
        QCOMPARE(s.record.left(4), QByteArray("\x00\x00\x00\x00", 4));
        QCOMPARE(s.record.at(253), '\xFF');
    }

    void hexCommandRecord()
    {
        const TimedQuerySettings s = CheckTimedQuery({true, QStringLiteral("300"), QStringLiteral("4142434"), true});
        QVERIFY(s.ok);
        QCOMPARE(s.lines.at(1), QStringLiteral("定时查询命令内容:[HEX:4142434]ABC"));
        QCOMPARE(s.record.left(7), QByteArray("\x5A\x01\x2C\x03" "ABC", 7));
        QCOMPARE(s.record.size(), 254);
        QCOMPARE(s.record.mid(7), QByteArray(247, '\xFF'));
    }

    void longCommandIsNotShortened()
    {
        const QByteArray cmd(300, 'x');
        const QByteArray rec = BuildTimedQueryRecord(true, 1, cmd);
        QCOMPARE(rec.size(), 304);
        QCOMPARE(static_cast<uint8_t>(rec.at(3)), uint8_t(300 & 0xFF));
    }
};

QTEST_GUILESS_MAIN(TestTimedQuery)
#include "tst_timed_query.moc"
