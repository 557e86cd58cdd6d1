// Baud-rate and data-format texts as the serial settings group and the profile give them.
#include "link/serial_settings.h"

#include <QtTest>

class TestSerialSettings : public QObject {
    Q_OBJECT
private slots:
    void baudFromText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("rate");
        QTest::newRow("list item") << "57600" << 57600;
        QTest::newRow("lowest") << "300" << 300;
        QTest::newRow("highest") << "921600" << 921600;
        QTest::newRow("profile-only 33600") << "33600" << 33600;
        QTest::newRow("profile-only 76800") << "76800" << 76800;
        QTest::newRow("unknown 56000") << "56000" << 9600;
        QTest::newRow("blank padded") << " 57600" << 9600;
        QTest::newRow("empty") << "" << 9600;
    }
    void baudFromText()
    {
        QFETCH(QString, text);
        QFETCH(int, rate);
        QCOMPARE(BaudFromText(text), rate);
    }

    void formatSetsEachField()
    {
        SerialSettings s;
        QVERIFY(ApplyFormatText(QStringLiteral("7E2"), s));
        QCOMPARE(s.dataBits, QSerialPort::Data7);
        QCOMPARE(s.parity, QSerialPort::EvenParity);
        QCOMPARE(s.stopBits, QSerialPort::TwoStop);
        QVERIFY(ApplyFormatText(QStringLiteral("8O1"), s));
        QCOMPARE(s.dataBits, QSerialPort::Data8);
        QCOMPARE(s.parity, QSerialPort::OddParity);
        QCOMPARE(s.stopBits, QSerialPort::OneStop);
    }

    void unknownCharacterKeepsPreviousField()
    {
        SerialSettings s;
        QVERIFY(ApplyFormatText(QStringLiteral("7E2"), s));
        QVERIFY(ApplyFormatText(QStringLiteral("8M1"), s));
        QCOMPARE(s.dataBits, QSerialPort::Data8);
        QCOMPARE(s.parity, QSerialPort::EvenParity);  // 'M' is no parity letter we know
        QCOMPARE(s.stopBits, QSerialPort::OneStop);
    }

    void shortTextKeepsMissingFields()
    {
        SerialSettings s;
        QVERIFY(ApplyFormatText(QStringLiteral("7O2"), s));
        QVERIFY(ApplyFormatText(QStringLiteral("8"), s));
        QCOMPARE(s.dataBits, QSerialPort::Data8);
        QCOMPARE(s.parity, QSerialPort::OddParity);
        QCOMPARE(s.stopBits, QSerialPort::TwoStop);
    }

    void emptyTextRefused()
    {
        SerialSettings s;
        s.parity = QSerialPort::EvenParity;
        QVERIFY(!ApplyFormatText(QString(), s));
        QCOMPARE(s.parity, QSerialPort::EvenParity);
    }
};

QTEST_GUILESS_MAIN(TestSerialSettings)
#include "tst_serial_settings.moc"
