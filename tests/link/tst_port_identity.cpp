// Finding a vanished serial adapter again among the ports the platform lists now.
#include "link/port_identity.h"

#include <QtTest>

namespace {
PortIdentity usb(const QString &path, quint16 vid, quint16 pid, const QString &serial)
{
    PortIdentity p;
    p.path = path;
    p.hasUsbIds = true;
    p.vendorId = vid;
    p.productId = pid;
    p.serialNumber = serial;
    return p;
}
} // namespace

class TestPortIdentity : public QObject {
    Q_OBJECT
private slots:
    void sameAdapterUnderANewName()
    {
        const PortIdentity was = usb("/dev/ttyUSB0", 0x0403, 0x6001, "A9XK12");
        // Gone entirely: the old path is still worth a try (nothing else claims it).
        QCOMPARE(FindPortAgain(was, {}).path, QStringLiteral("/dev/ttyUSB0"));
        // Back as ttyUSB1.
        QCOMPARE(FindPortAgain(was, {usb("/dev/ttyUSB1", 0x0403, 0x6001, "A9XK12")}).path, QStringLiteral("/dev/ttyUSB1"));
        // Back where it was, next to another adapter.
        QCOMPARE(FindPortAgain(was, {usb("/dev/ttyUSB1", 0x10C4, 0xEA60, "0001"), usb("/dev/ttyUSB0", 0x0403, 0x6001, "A9XK12")}).path,
                 QStringLiteral("/dev/ttyUSB0"));
    }

    void twoAdaptersOfOneModelToldApartBySerialNumber()
    {
        const PortIdentity was = usb("/dev/ttyUSB0", 0x0403, 0x6001, "BENCH-2");
        const QList<PortIdentity> now = {usb("/dev/ttyUSB0", 0x0403, 0x6001, "BENCH-1"),
                                         usb("/dev/ttyUSB1", 0x0403, 0x6001, "BENCH-2")};
        QCOMPARE(FindPortAgain(was, now).path, QStringLiteral("/dev/ttyUSB1"));
        // Only the other unit is plugged in, under our old name: it is not ours.
        QCOMPARE(FindPortAgain(was, {usb("/dev/ttyUSB0", 0x0403, 0x6001, "BENCH-1")}).path, QString());
        // Another model under our old name is not ours either.
        QCOMPARE(FindPortAgain(was, {usb("/dev/ttyUSB0", 0x1A86, 0x7523, "BENCH-2")}).path, QString());
    }

    void anAdapterNothingTellsApart_data()
    {
        QTest::addColumn<QList<PortIdentity>>("atOpen");
        QTest::addColumn<QList<PortIdentity>>("now");
        QTest::addColumn<QString>("tried");
        QTest::addColumn<bool>("cannotConfirm");
        const PortIdentity a = usb("/dev/ttyUSB0", 0x1A86, 0x7523, QString());
        const PortIdentity b = usb("/dev/ttyUSB1", 0x1A86, 0x7523, QString());
        const PortIdentity bAtOurs = usb("/dev/ttyUSB0", 0x1A86, 0x7523, QString());
        const PortIdentity a1 = usb("/dev/ttyUSB0", 0x1A86, 0x7523, "0001");
        const PortIdentity b1 = usb("/dev/ttyUSB1", 0x1A86, 0x7523, "0001");
        QTest::newRow("alone: back under its old name") << QList{a} << QList{a} << QStringLiteral("/dev/ttyUSB0") << false;
        QTest::newRow("alone: not back yet") << QList{a} << QList<PortIdentity>{} << QStringLiteral("/dev/ttyUSB0") << false;
        QTest::newRow("alone: one of its kind under another name") << QList{a} << QList{b} << QString() << true;
        QTest::newRow("alone: another model under its name") << QList{a} << QList{usb("/dev/ttyUSB0", 0x0403, 0x6001, "X")} << QString() << false;
        QTest::newRow("two at the open: the other stays") << QList{a, b} << QList{b} << QString() << true;
        QTest::newRow("two at the open: one under our name") << QList{a, b} << QList{bAtOurs} << QString() << true;
        QTest::newRow("shared serial: back under its old name") << QList{a1, b1} << QList{a1, b1} << QString() << true;
        QTest::newRow("not USB: by path") << QList<PortIdentity>{} << QList{a} << QStringLiteral("/dev/ttyUSB0") << false;
    }
    void anAdapterNothingTellsApart()
    {
        QFETCH(QList<PortIdentity>, atOpen);
        QFETCH(QList<PortIdentity>, now);
        QFETCH(QString, tried);
        QFETCH(bool, cannotConfirm);
        const PortSearch found = FindPortAgain(IdentityOf("/dev/ttyUSB0", atOpen), now);
        QCOMPARE(found.path, tried);
        QCOMPARE(found.cannotConfirm, cannotConfirm);
    }

    void anIdentityListedElsewhereAtTheLossIsShared()
    {
        const PortIdentity alone = IdentityOf("/dev/ttyUSB0", {usb("/dev/ttyUSB0", 0x1A86, 0x7523, "0001")});
        QVERIFY(alone.isTraceable());
        QVERIFY(IdentityListedElsewhere(alone, {usb("/dev/ttyUSB1", 0x1A86, 0x7523, "0001")}));
        QVERIFY(!IdentityListedElsewhere(alone, {usb("/dev/ttyUSB0", 0x1A86, 0x7523, "0001")}));
        QVERIFY(IdentityListedElsewhere(IdentityOf("/dev/ttyUSB0", {usb("/dev/ttyUSB0", 0x1A86, 0x7523, "")}),
                                        {usb("/dev/ttyUSB1", 0x1A86, 0x7523, "")}));
    }

    void identityOfAPathKeepsTheUsersName()
    {
        const QList<PortIdentity> now = {usb("/dev/ttyUSB3", 0x0403, 0x6001, "Q")};
        const PortIdentity id = IdentityOf("/dev/ttyUSB3", now);
        QVERIFY(id.isTraceable());
        QCOMPARE(id.serialNumber, QStringLiteral("Q"));
        const PortIdentity none = IdentityOf("/dev/pts/7", now);
        QVERIFY(!none.hasUsbIds);
        QCOMPARE(none.path, QStringLiteral("/dev/pts/7"));
    }
};

QTEST_GUILESS_MAIN(TestPortIdentity)
#include "tst_port_identity.moc"
