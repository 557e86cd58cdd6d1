// ports: the serial ports the system lists (pseudo-terminals are not among them).
#include "cli/cli_session.h"
#include "cli/commands.h"

#include <QJsonArray>
#include <QSerialPortInfo>

int RunPorts(CliSession &s, QString & /*error*/)
{
    QJsonArray ports;
    QList<QStringList> rows;
    for (const QSerialPortInfo &p : QSerialPortInfo::availablePorts()) {
        ports.append(QJsonObject{{QStringLiteral("name"), p.portName()},
                                 {QStringLiteral("path"), p.systemLocation()},
                                 {QStringLiteral("description"), p.description()}});
        rows.append({p.systemLocation(), p.description()});
    }
    s.out().set(QStringLiteral("ports"), ports);
    for (const QString &line : FormatTable(rows))
        s.out().line(line);
    if (rows.isEmpty())
        CliOutput::note(QStringLiteral("no serial ports found"));
    return exOk;
}
