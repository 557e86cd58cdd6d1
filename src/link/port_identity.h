#pragma once
// Which device path belongs to the serial adapter we had open before it vanished.
// A USB adapter often comes back under another name (/dev/ttyUSB0 -> /dev/ttyUSB1), so it
// is recognised by what it is (vendor id, product id, serial number), not by where it sits.
#include <QList>
#include <QString>

struct PortIdentity {
    QString path;              // the device path the port is opened by
    bool hasUsbIds = false;    // vendor and product id known (a USB adapter)
    quint16 vendorId = 0;
    quint16 productId = 0;
    QString serialNumber;      // empty: the adapter has none (or the platform does not tell)

    // Unique enough to follow the adapter to a new name.
    bool isTraceable() const { return hasUsbIds && !serialNumber.isEmpty(); }
    bool sameModel(const PortIdentity &o) const
    {
        return hasUsbIds && o.hasUsbIds && vendorId == o.vendorId && productId == o.productId;
    }
};

// The path to try next for `remembered`, given the ports the platform lists now, or an
// empty text when no listed port is ours and our old path is taken by another adapter.
// - An adapter with vendor id, product id and serial number is found under any name; two
//   adapters of one model are told apart by their serial numbers.
// - Anything else (no serial number, not USB, a pseudo-terminal that is never listed) is
//   matched by its path only.
QString FindPortAgain(const PortIdentity &remembered, const QList<PortIdentity> &listed);

// What the platform lists now (QSerialPortInfo).
QList<PortIdentity> ListedPorts();
// The identity of `path` as listed now; path only when it is not listed.
PortIdentity IdentityOf(const QString &path, const QList<PortIdentity> &listed);
