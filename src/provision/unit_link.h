#pragma once
// Opens one unit's connection for a core session: a serial port (any path) or a TCP host.
#include <QString>
#include <optional>

class CoreSession;

struct LinkSettings {
    QString baud;      // empty: the profile's Baudrate, else 57600
    QString format;    // empty: the profile's ComOption, else 8N1
    int timeoutMs = 3000;
};

// "tcp:HOST[:PORT]" is a TCP host, anything else a serial device path.
bool IsTcpAddress(const QString &address);
QString TcpAddress(const QString &hostPort);

// nullopt when open; else why not.
std::optional<QString> OpenUnitLink(CoreSession &core, const QString &address, const LinkSettings &settings);
