// The icon built into the program: every size is there and decodes, so the window and the
// task bar never fall back to a blank square.
#include "widgets/app_icon.h"

#include <QImage>
#include <QtTest>

class TestAppIcon : public QObject {
    Q_OBJECT

private slots:
    void everySizeIsBuiltIn_data()
    {
        QTest::addColumn<int>("size");
        for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
            QTest::addRow("%d", size) << size;
    }

    void everySizeIsBuiltIn()
    {
        QFETCH(int, size);
        const QImage image(QStringLiteral(":/icons/dtu-config-%1.png").arg(size));
        QVERIFY2(!image.isNull(), "missing from the resources or not a PNG");
        QCOMPARE(image.size(), QSize(size, size));
        // Drawn, not empty: the centre of the housing is opaque.
        QCOMPARE(qAlpha(image.pixel(size / 2, size * 3 / 4)), 255);
    }

    void iconOffersItsSizes()
    {
        const QIcon icon = ApplicationIcon();
        QVERIFY(!icon.isNull());
        // Without an icon theme the built-in files serve each size exactly.
        if (QIcon::hasThemeIcon(QStringLiteral("dtu-config")))
            QSKIP("an installed theme icon is used here");
        const QList<QSize> sizes = icon.availableSizes();
        QVERIFY2(sizes.contains(QSize(16, 16)) && sizes.contains(QSize(256, 256)), qPrintable(QString::number(sizes.size())));
        QCOMPARE(icon.pixmap(QSize(48, 48)).size(), QSize(48, 48));
    }
};

QTEST_MAIN(TestAppIcon)
#include "tst_app_icon.moc"
