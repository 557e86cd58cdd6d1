#pragma once
// Which device path belongs to the serial adapter we had open before it vanished.
// A USB adapter often comes back under another name (/dev/ttyUSB0 -> /dev/ttyUSB1), so it
// is recognised by what it is (vendor id, product id, serial number), not by where it sits.
#include <QList>
#include <QString>

struct PortIdentity {
    QString path;              // the device path the port is opened by
    QString listedAs;          // the path the platform listed it under at the open (a link resolved)
    bool hasUsbIds = false;    // vendor and product id known (a USB adapter)
    quint16 vendorId = 0;
    quint16 productId = 0;
    QString serialNumber;      // empty: the adapter has none (or the platform does not tell)
    // Another listed adapter carries the same ids and serial number, or, having none, the same
    // ids (cheap adapters share "0001" or say nothing): the identity tells the two apart no
    // better than a model does.
    bool ambiguous = false;

    // Unique enough to follow the adapter to a new name.
    bool isTraceable() const { return hasUsbIds && !serialNumber.isEmpty() && !ambiguous; }
    bool sameModel(const PortIdentity &o) const
    {
        return hasUsbIds && o.hasUsbIds && vendorId == o.vendorId && productId == o.productId;
    }
    // As much as the platform tells of `o` fits this identity (equal ids and serial, or both none).
    bool sameIdentity(const PortIdentity &o) const { return sameModel(o) && serialNumber == o.serialNumber; }
};

// Where to look for `remembered` next, given the ports the platform lists now.
struct PortSearch {
    QString path;               // the path to try now; empty: nothing to try this time
    bool cannotConfirm = false; // no listed adapter can be known to be ours: the user decides
};
// - An adapter with vendor id, product id and serial number is found under any name; two
//   adapters of one model are told apart by their serial numbers.
// - A USB adapter whose identity tells it from no other (no serial number, or one another
//   adapter shared) is followed only while it is the one listed with that identity and comes
//   back under its old path; another listed with it, now or at the open, leaves the choice to
//   the user (cannotConfirm).
// - Anything else (not USB, a pseudo-terminal that is never listed) is matched by its path.
// - Found where it was, the adapter keeps the name it was opened by (a /dev/serial/by-id/ link
//   stays that link).
// The path is empty too when our old path is taken by an adapter that is plainly another.
PortSearch FindPortAgain(const PortIdentity &remembered, const QList<PortIdentity> &listed);

// What the platform lists now (QSerialPortInfo).
QList<PortIdentity> ListedPorts();
// The identity of `path` as listed now; path only when it is not listed. Ambiguous when
// another listed port carries the same identity.
PortIdentity IdentityOf(const QString &path, const QList<PortIdentity> &listed);
// True when a listed port other than `id.path` carries `id`'s identity.
bool IdentityListedElsewhere(const PortIdentity &id, const QList<PortIdentity> &listed);
