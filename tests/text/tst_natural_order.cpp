// Port names in the order a bench counts them, the same in every locale.
#include "text/natural_order.h"

#include <QTest>
#include <algorithm>

class TestNaturalOrder : public QObject {
    Q_OBJECT
private slots:
    void sortsAsCounted_data()
    {
        QTest::addColumn<QStringList>("input");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("usb ports") << QStringList{"ttyUSB10", "ttyUSB2", "ttyUSB1", "ttyUSB0", "ttyUSB11"}
                                   << QStringList{"ttyUSB0", "ttyUSB1", "ttyUSB2", "ttyUSB10", "ttyUSB11"};
        QTest::newRow("paths and hosts") << QStringList{"/dev/ttyUSB10", "/dev/ttyACM3", "/dev/ttyUSB9", "10.0.0.12:8888", "10.0.0.2:8888"}
                                         << QStringList{"/dev/ttyACM3", "/dev/ttyUSB9", "/dev/ttyUSB10", "10.0.0.2:8888", "10.0.0.12:8888"};
        QTest::newRow("leading zeros, prefixes") << QStringList{"u010", "u9", "u", "u09x", "u09"}
                                                 << QStringList{"u", "u09", "u9", "u09x", "u010"};
        QTest::newRow("numbers longer than any integer")
            << QStringList{"p123456789012345678901", "p99999999999999999999"}
            << QStringList{"p99999999999999999999", "p123456789012345678901"};
    }
    void sortsAsCounted()
    {
        QFETCH(QStringList, input);
        QFETCH(QStringList, sorted);
        std::sort(input.begin(), input.end(), NaturalLess);
        QCOMPARE(input, sorted);
        // A strict order: never both ways, never an element before itself.
        for (const QString &a : sorted) {
            QVERIFY(!NaturalLess(a, a));
            for (const QString &b : sorted)
                QVERIFY(!(NaturalLess(a, b) && NaturalLess(b, a)));
        }
    }
};

QTEST_GUILESS_MAIN(TestNaturalOrder)
#include "tst_natural_order.moc"
