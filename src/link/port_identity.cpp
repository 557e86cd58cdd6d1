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

int countCarrying(const PortIdentity &id, const QList<PortIdentity> &listed)
{
    int n = 0;
    for (const PortIdentity &p : listed)
        if (p.sameAdapter(id))
            ++n;
    return n;
}
} // namespace

QString FindPortAgain(const PortIdentity &remembered, const QList<PortIdentity> &listed)
{
    const PortIdentity *atOldPath = nullptr;
    for (const PortIdentity &p : listed)
        if (samePath(p.path, remembered.path))
            atOldPath = &p;

    // Two adapters that both carry our identity: either may be ours, so neither is followed.
    if (remembered.isTraceable() && countCarrying(remembered, listed) == 1) {
        // The old path first, in case the adapter came back where it was.
        if (atOldPath && atOldPath->sameAdapter(remembered))
            return remembered.path;
        for (const PortIdentity &p : listed)
            if (p.sameAdapter(remembered))
                return p.path;
    }
    // By path only. Never open an adapter that is plainly another one under our old name.
    if (atOldPath && remembered.hasUsbIds) {
        if (!atOldPath->sameModel(remembered))
            return {};
        if (remembered.hasUsbIds && !remembered.serialNumber.isEmpty() && atOldPath->serialNumber != remembered.serialNumber)
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
            found.ambiguous = countCarrying(found, listed) > 1;
            return found;
        }
    }
    PortIdentity bare;
    bare.path = path;
    return bare;
}

bool IdentityListedElsewhere(const PortIdentity &id, const QList<PortIdentity> &listed)
{
    for (const PortIdentity &p : listed)
        if (p.sameAdapter(id) && !samePath(p.path, id.path))
            return true;
    return false;
}
