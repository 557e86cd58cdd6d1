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
        if (p.sameIdentity(id))
            ++n;
    return n;
}
} // namespace

PortSearch FindPortAgain(const PortIdentity &remembered, const QList<PortIdentity> &listed)
{
    const PortIdentity *atOldPath = nullptr;
    for (const PortIdentity &p : listed)
        if (samePath(p.path, remembered.path))
            atOldPath = &p;
    if (!remembered.hasUsbIds)
        return {remembered.path};

    const int carrying = countCarrying(remembered, listed);
    if (remembered.isTraceable() && carrying == 1) {
        // The old path first, in case the adapter came back where it was.
        if (atOldPath && atOldPath->sameIdentity(remembered))
            return {remembered.path};
        for (const PortIdentity &p : listed)
            if (p.sameIdentity(remembered))
                return {p.path};
    }
    // Two listed with our identity, or another was when we opened or lost ours: whichever we
    // opened might be another unit's, and only the user can tell.
    if (carrying > 1 || remembered.ambiguous)
        return {{}, true};
    if (carrying == 1) {
        // The one adapter of its kind back where ours was is taken for ours; one under
        // another name may as well be a unit plugged in meanwhile.
        if (atOldPath && atOldPath->sameIdentity(remembered))
            return {remembered.path};
        return {{}, true};
    }
    // Ours is not listed: never open an adapter that is plainly another one under our old name.
    if (atOldPath)
        return {};
    return {remembered.path};
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
            found.listedAs = p.path;
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
        // Ours may still be listed a moment after it failed, when its link is already gone.
        if (p.sameIdentity(id) && !samePath(p.path, id.path) && p.path != id.listedAs)
            return true;
    return false;
}
