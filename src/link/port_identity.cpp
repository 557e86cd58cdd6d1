#include "link/port_identity.h"

#include <QFileInfo>
#include <QSerialPortInfo>

namespace {
// Listings give /dev/ttyUSB0 while the user may have typed a link to it (/dev/serial/by-id/...).
bool samePath(const QString &a, const QString &b)
{
    if (a == b)
        return true;
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}
} // namespace

QString FindPortAgain(const PortIdentity &remembered, const QList<PortIdentity> &listed)
{
    const PortIdentity *atOldPath = nullptr;
    for (const PortIdentity &p : listed)
        if (samePath(p.path, remembered.path))
            atOldPath = &p;

    if (remembered.isTraceable()) {
        // The old path first, in case the adapter came back where it was.
        if (atOldPath && atOldPath->sameModel(remembered) && atOldPath->serialNumber == remembered.serialNumber)
            return atOldPath->path;
        for (const PortIdentity &p : listed)
            if (p.sameModel(remembered) && p.serialNumber == remembered.serialNumber)
                return p.path;
    }
    // By path only. Never open an adapter that is plainly another one under our old name.
    if (atOldPath && remembered.hasUsbIds) {
        if (!atOldPath->sameModel(remembered))
            return {};
        if (remembered.isTraceable() && atOldPath->serialNumber != remembered.serialNumber)
            return {};
    }
    return remembered.path;
}

QList<PortIdentity> ListedPorts()
{
    QList<PortIdentity> out;
    const auto infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos) {
        PortIdentity p;
        p.path = info.systemLocation();
        p.hasUsbIds = info.hasVendorIdentifier() && info.hasProductIdentifier();
        p.vendorId = info.vendorIdentifier();
        p.productId = info.productIdentifier();
        p.serialNumber = info.serialNumber().trimmed();
        out.append(p);
    }
    return out;
}

PortIdentity IdentityOf(const QString &path, const QList<PortIdentity> &listed)
{
    for (const PortIdentity &p : listed) {
        if (samePath(p.path, path)) {
            PortIdentity found = p;
            found.path = path;   // keep the name the user chose (it may be a stable link)
            return found;
        }
    }
    PortIdentity bare;
    bare.path = path;
    return bare;
}
