#pragma once
// What the platform would list as serial ports: each present device under its real path
// (never the link the user typed), with a USB identity the test gives it. Installed as the
// reconnector's port lister, it lets a test unplug and replug "adapters" made of simulator ptys.
#include "link/port_identity.h"

#include <QFileInfo>
#include <QList>
#include <QPair>
#include <QString>

struct FakePortListing {
    QList<QPair<QString, QString>> ports;  // link path -> adapter serial number

    QList<PortIdentity> operator()() const
    {
        QList<PortIdentity> out;
        for (const auto &port : ports) {
            const QString real = QFileInfo(port.first).canonicalFilePath();
            if (real.isEmpty())
                continue;
            PortIdentity p;
            p.path = real;
            p.hasUsbIds = true;
            p.vendorId = 0x1A86;
            p.productId = 0x7523;
            p.serialNumber = port.second;
            out << p;
        }
        return out;
    }
};
