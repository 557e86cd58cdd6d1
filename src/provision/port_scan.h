#pragma once
// The ports a station works on: device paths and shell-style patterns (/dev/ttyUSB*), and a file of
// TCP hosts.
#include <QString>
#include <QStringList>
#include <optional>

// The paths that exist now and match `patterns` (a plain path is kept only when it exists unless
// `keepMissing`), sorted, without repeats. A pattern matches character devices and links to them
// only, case-sensitively.
QStringList ExpandPorts(const QStringList &patterns, bool keepMissing);
bool IsPortPattern(const QString &text);

// One host[:port] a line; blank lines and lines starting with # are ignored.
std::optional<QStringList> ReadTcpHosts(const QString &path, QString &error);
