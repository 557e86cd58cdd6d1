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
    // Another listed adapter carries the same ids and serial number (cheap adapters share
    // "0001"): the identity tells the two apart no better than a model does.
    bool ambiguous = false;

    // Unique enough to follow the adapter to a new name.
    bool isTraceable() const { return hasUsbIds && !serialNumber.isEmpty() && !ambiguous; }
    bool sameModel(const PortIdentity &o) const
    {
        return hasUsbIds && o.hasUsbIds && vendorId == o.vendorId && productId == o.productId;
    }
    bool sameAdapter(const PortIdentity &o) const
    {
        return sameModel(o) && !serialNumber.isEmpty() && serialNumber == o.serialNumber;
    }
};

// The path to try next for `remembered`, given the ports the platform lists now, or an
// empty text when no listed port is ours and our old path is taken by another adapter.
// - An adapter with vendor id, product id and serial number is found under any name; two
//   adapters of one model are told apart by their serial numbers.
// - Anything else (no serial number, not USB, a pseudo-terminal that is never listed, an
//   identity that more than one listed adapter carries) is matched by its path only.
// - Found where it was, the adapter keeps the name it was opened by (a /dev/serial/by-id/ link
//   stays that link).
QString FindPortAgain(const PortIdentity &remembered, const QList<PortIdentity> &listed);

// What the platform lists now (QSerialPortInfo).
QList<PortIdentity> ListedPorts();
// The identity of `path` as listed now; path only when it is not listed. Ambiguous when
// another listed port carries the same identity.
PortIdentity IdentityOf(const QString &path, const QList<PortIdentity> &listed);
// True when a listed port other than `id.path` carries `id`'s identity.
bool IdentityListedElsewhere(const PortIdentity &id, const QList<PortIdentity> &listed);
