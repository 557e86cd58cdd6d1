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
PortIdentity bare(const QString &path)
{
    PortIdentity p;
    p.path = path;
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
        QCOMPARE(FindPortAgain(was, {}), QStringLiteral("/dev/ttyUSB0"));
        // Back as ttyUSB1.
        QCOMPARE(FindPortAgain(was, {usb("/dev/ttyUSB1", 0x0403, 0x6001, "A9XK12")}), QStringLiteral("/dev/ttyUSB1"));
        // Back where it was, next to another adapter.
        QCOMPARE(FindPortAgain(was, {usb("/dev/ttyUSB1", 0x10C4, 0xEA60, "0001"), usb("/dev/ttyUSB0", 0x0403, 0x6001, "A9XK12")}),
                 QStringLiteral("/dev/ttyUSB0"));
    }

    void twoAdaptersOfOneModelToldApartBySerialNumber()
    {
        const PortIdentity was = usb("/dev/ttyUSB0", 0x0403, 0x6001, "BENCH-2");
        const QList<PortIdentity> now = {usb("/dev/ttyUSB0", 0x0403, 0x6001, "BENCH-1"),
                                         usb("/dev/ttyUSB1", 0x0403, 0x6001, "BENCH-2")};
        QCOMPARE(FindPortAgain(was, now), QStringLiteral("/dev/ttyUSB1"));
        // Only the other unit is plugged in, under our old name: it is not ours.
        QCOMPARE(FindPortAgain(was, {usb("/dev/ttyUSB0", 0x0403, 0x6001, "BENCH-1")}), QString());
        // Another model under our old name is not ours either.
        QCOMPARE(FindPortAgain(was, {usb("/dev/ttyUSB0", 0x1A86, 0x7523, "BENCH-2")}), QString());
    }

    void adapterWithoutSerialNumberByPathOnly()
    {
        const PortIdentity was = usb("/dev/ttyUSB0", 0x1A86, 0x7523, QString());
        // The same model under another name may be a different unit: not followed.
        QCOMPARE(FindPortAgain(was, {usb("/dev/ttyUSB1", 0x1A86, 0x7523, QString())}), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(FindPortAgain(was, {usb("/dev/ttyUSB0", 0x1A86, 0x7523, QString())}), QStringLiteral("/dev/ttyUSB0"));
        // A different model at the old path is refused.
        QCOMPARE(FindPortAgain(was, {usb("/dev/ttyUSB0", 0x0403, 0x6001, "X")}), QString());
    }

    void unlistedPortsByPath()
    {
        // Pseudo-terminals and links are never listed: their path is all there is.
        const PortIdentity was = bare("/tmp/dtu-link");
        QCOMPARE(FindPortAgain(was, {usb("/dev/ttyUSB0", 0x0403, 0x6001, "A")}), QStringLiteral("/tmp/dtu-link"));
        QCOMPARE(FindPortAgain(was, {}), QStringLiteral("/tmp/dtu-link"));
    }

    void anIdentityTwoAdaptersShareIsFollowedByPathOnly()
    {
        // Two cheap adapters, both "0001": unit A was on ttyUSB0, unit B is on ttyUSB1.
        const QList<PortIdentity> both = {usb("/dev/ttyUSB0", 0x1A86, 0x7523, "0001"), usb("/dev/ttyUSB1", 0x1A86, 0x7523, "0001")};
        const PortIdentity a = IdentityOf("/dev/ttyUSB0", both);
        QVERIFY(a.ambiguous);
        QVERIFY(!a.isTraceable());
        // A is unplugged: B carries the same identity but is not followed.
        QCOMPARE(FindPortAgain(a, {both[1]}), QStringLiteral("/dev/ttyUSB0"));
        // Even had A looked unique at the open, two carriers now mean neither is followed.
        const PortIdentity alone = IdentityOf("/dev/ttyUSB0", {both[0]});
        QVERIFY(alone.isTraceable());
        QCOMPARE(FindPortAgain(alone, {usb("/dev/ttyUSB2", 0x1A86, 0x7523, "0001"), both[1]}), QStringLiteral("/dev/ttyUSB0"));
        // One listed elsewhere while ours is gone: the loss marks the identity as shared.
        QVERIFY(IdentityListedElsewhere(alone, {both[1]}));
        QVERIFY(!IdentityListedElsewhere(alone, {both[0]}));
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
