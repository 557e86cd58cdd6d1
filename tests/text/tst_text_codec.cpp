// Reading a text file and writing it back gives the same bytes, whatever code page it is in.
#include "text/text_codec.h"

#include <QTest>

class TestTextCodec : public QObject {
    Q_OBJECT
private slots:
    void roundTripKeepsTheBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("encoding");
        QTest::newRow("utf-8 with mark") << QByteArray("\xEF\xBB\xBF" "\xE5\x8F\x82") << int(TextEncoding::Utf8Bom);
        // Found by fuzzing: the second mark is text, not a second file mark, and was lost.
        QTest::newRow("two marks") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF" "\xE5\x8F\x82") << int(TextEncoding::Utf8Bom);
        QTest::newRow("utf-8") << QByteArray("\xE5\x8F\x82\xE6\x95\xB0") << int(TextEncoding::Utf8);
        QTest::newRow("gbk") << QByteArray("\xB2\xCE\xCA\xFD") << int(TextEncoding::Gbk);
        QTest::newRow("ascii") << QByteArray("{\"a\":1}") << int(TextEncoding::Gbk);
    }
    void roundTripKeepsTheBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, encoding);
        const DecodedText d = DecodeText(bytes);
        QCOMPARE(int(d.encoding), encoding);
        QCOMPARE(EncodeText(d.text, d.encoding), bytes);
    }
    void cutCharacterAfterTheMarkIsReplaced()
    {
        // Found by fuzzing: an incomplete last character must show as U+FFFD, not vanish.
        QCOMPARE(DecodeText(QByteArray("\xEF\xBB\xBF" "a\xE5")).text, QStringLiteral("a\uFFFD"));
    }
    void secondMarkIsKeptAsText()
    {
        const DecodedText d = DecodeText(QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF" "a"));
        QCOMPARE(d.text, QString(QChar(0xFEFF)) + QLatin1Char('a'));
    }
    void leadingZeroWidthSpaceSurvivesTheDeviceCodePage()
    {
        // Found by fuzzing: U+FEFF typed or pasted first is text, not a mark to drop.
        const QString text = QString(QChar(0xFEFF)) + QStringLiteral("中a");
        const QByteArray bytes = GbkEncode(text);
        QCOMPARE(bytes, QByteArray("\x84\x31\x95\x33\xD6\xD0" "a"));
        QCOMPARE(GbkDecode(bytes), text);
        QCOMPARE(GbkDecode(GbkEncode(QString(QChar(0xFEFF)))), QString(QChar(0xFEFF)));
        // A file in the code page that starts with those bytes is written back the same.
        const DecodedText d = DecodeText(bytes);
        QCOMPARE(int(d.encoding), int(TextEncoding::Gbk));
        QCOMPARE(EncodeText(d.text, d.encoding), bytes);
    }
};

QTEST_MAIN(TestTextCodec)
#include "tst_text_codec.moc"
