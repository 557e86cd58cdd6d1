#include "text/hex.h"

#include <QtTest>

class TestHex : public QObject {
    Q_OBJECT
private slots:
    void hexToInt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("lower ff") << "ff" << 255;
        QTest::newRow("upper FF") << "FF" << 255;
        QTest::newRow("blank counts as zero") << "A " << 160;
        QTest::newRow("leading blank") << " A" << 10;
        QTest::newRow("mixed case word") << "e0aB" << 0xE0AB;
        QTest::newRow("single digit") << "7" << 7;
        QTest::newRow("zeroes") << "0000" << 0;
        QTest::newRow("eight digits") << "7FFFFFFF" << 0x7FFFFFFF;
    }
    void hexToInt()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(HexToInt(text), value);
    }

    void byteToHexCoversEveryByte()
    {
        QCOMPARE(ByteToHex(0x00), QStringLiteral("00"));
        QCOMPARE(ByteToHex(0x0A), QStringLiteral("0A"));
        QCOMPARE(ByteToHex(0xFF), QStringLiteral("FF"));
        // Every byte survives the round trip through its two digits.
        for (int b = 0; b < 256; ++b) {
            const QString digits = ByteToHex(static_cast<uint8_t>(b));
            QCOMPARE(digits.size(), 2);
            QCOMPARE(digits, digits.toUpper());
            QCOMPARE(HexToInt(digits), b);
        }
    }

    void strToHexText()
    {
        QCOMPARE(StrToHexText(QByteArray()), QString());
        QCOMPARE(StrToHexText(QByteArray::fromHex("0AFF")), QStringLiteral("0AFF"));
        QCOMPARE(StrToHexText(QByteArray("AB")), QStringLiteral("4142"));
        // Bytes of 0x80 and above are not sign-extended, 00 does not end the text.
        QCOMPARE(StrToHexText(QByteArray::fromHex("80007F")), QStringLiteral("80007F"));
    }

    void hexDump()
    {
        QCOMPARE(HexDump(QByteArray()), QString());
        QCOMPARE(HexDump(QByteArray(1, '\0')), QStringLiteral("00 "));
        QCOMPARE(HexDump(QByteArray("AB")), QStringLiteral("41 42 "));
        QCOMPARE(HexDump(QByteArray::fromHex("AA5500FF")), QStringLiteral("AA 55 00 FF "));
    }

    void wordToBytes()
    {
        QCOMPARE(WordToBytes(0xE00E), QByteArray::fromHex("E00E"));
        QCOMPARE(WordToBytes(0x0001), QByteArray::fromHex("0001"));
        QCOMPARE(WordToBytes(0x0000), QByteArray(2, '\0'));
        QCOMPARE(WordToBytes(0xFFFF), QByteArray::fromHex("FFFF"));
    }

    void hexTextToBytes()
    {
        QCOMPARE(HexTextToBytes(QString()), QByteArray());
        QCOMPARE(HexTextToBytes(QStringLiteral("0102")), QByteArray::fromHex("0102"));
        QCOMPARE(HexTextToBytes(QStringLiteral("010")), QByteArray::fromHex("01"));
        QCOMPARE(HexTextToBytes(QStringLiteral("f")), QByteArray());
        QCOMPARE(HexTextToBytes(QStringLiteral("aBcD")), QByteArray::fromHex("ABCD"));
        // A blank inside a pair counts as 0, like every other caller of HexToInt.
        QCOMPARE(HexTextToBytes(QStringLiteral("A 1F")), QByteArray::fromHex("A01F"));
        // Round trip with StrToHexText for every byte value.
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(static_cast<char>(b));
        QCOMPARE(HexTextToBytes(StrToHexText(all)), all);
    }

    void isHexText()
    {
        QVERIFY(IsHexText(QString()));
        QVERIFY(IsHexText(QStringLiteral("09afAF")));
        QVERIFY(!IsHexText(QStringLiteral("0G")));
        QVERIFY(!IsHexText(QStringLiteral("01 02")));
    }
};

QTEST_APPLESS_MAIN(TestHex)
#include "tst_hex.moc"
