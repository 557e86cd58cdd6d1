// dashboard: the supervisor's read-only web view of the station records.
#include "cli/cli_output.h"
#include "cli/exit_codes.h"
#include "cli/station_cli.h"
#include "dashboard/dashboard_auth.h"
#include "dashboard/dashboard_server.h"
#include "provision/db_watch.h"
#include "provision/station_db.h"

#include "platform/console.h"

#include <CLI/CLI.hpp>
#include <QCoreApplication>
#include <cstring>
#include <iostream>

namespace {
QString q(const std::string &s) { return QString::fromStdString(s); }

// "ADDR:PORT", "[v6]:PORT", ":PORT" or "PORT"; port 0 takes a free one.
bool parseListen(const QString &text, QHostAddress &address, quint16 &port, QString &error)
{
    QString host = QStringLiteral("127.0.0.1");
    QString portText = text;
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (text.startsWith(QLatin1Char('[')) || (colon >= 0 && text.count(QLatin1Char(':')) == 1)) {
        host = text.left(colon);
        portText = text.mid(colon + 1);
        if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
            host = host.mid(1, host.size() - 2);
        if (host.isEmpty())
            host = QStringLiteral("0.0.0.0");
    }
    bool ok = false;
    const uint p = portText.toUInt(&ok);
    if (!ok || p > 65535 || !address.setAddress(host)) {
        error = QStringLiteral("--listen takes ADDRESS:PORT such as 127.0.0.1:8080 or [::1]:8080, not \"%1\"").arg(text);
        return false;
    }
    port = quint16(p);
    return true;
}
} // namespace

bool IsDashboardCommand(int argc, char **argv) { return argc > 1 && std::strcmp(argv[1], "dashboard") == 0; }

int RunDashboardCli(int argc, char **argv)
{
    CLI::App app{"Serve the station records as a read-only web dashboard for the floor's supervisor."};
    app.name("dtucfg dashboard");
    std::string db = "provision.sqlite", listen = "127.0.0.1:8080", tokenFile, newToken;
    app.add_option("--db", db, "SQLite file or postgresql://[user@][host][:port]/DBNAME[?host=/socket/folder] (read only)")
        ->capture_default_str();
    app.add_option("--listen", listen, "ADDRESS:PORT to serve on; anything but loopback needs --token-file")
        ->capture_default_str();
    app.add_option("--token-file", tokenFile, "file holding the token every request must carry");
    app.add_option("--new-token", newToken, "write a new random token to this file (mode 0600) and exit");
    app.footer("Pages: / (floor), /failures, /units, /unit; JSON under /api/. Ctrl-C stops the server.");
    try {
        app.parse(argc - 1, argv + 1);
    } catch (const CLI::CallForHelp &) {
        std::cout << app.help();
        return exOk;
    } catch (const CLI::ParseError &e) {
        return CliOutput(false).finish(exUsage, q(e.what()) + QStringLiteral(" (try dtucfg dashboard --help)"));
    }
    QString error;
    if (!newToken.empty()) {
        if (!dashauth::WriteNewToken(q(newToken), error))
            return CliOutput(false).finish(exOther, error);
        CliOutput::note(QStringLiteral("a new token is in %1").arg(q(newToken)));
        return exOk;
    }
    DashboardOptions options;
    options.db = q(db);
    if (!parseListen(q(listen), options.address, options.port, error))
        return CliOutput(false).finish(exUsage, error);
    if (!tokenFile.empty() && !dashauth::ReadToken(q(tokenFile), options.token, error))
        return CliOutput(false).finish(exUsage, error);
    if (!options.address.isLoopback() && options.token.isEmpty())
        return CliOutput(false).finish(exUsage, QStringLiteral("listening on %1 reaches beyond this machine: give --token-file "
                                                               "(dtucfg dashboard --new-token FILE makes one)")
                                                    .arg(options.address.toString()));
    DashboardServer server(options);
    if (!server.start(error))
        return CliOutput(false).finish(exOther, error);
    // Ctrl-C and systemd's stop end the event loop; a read in progress is cut short.
    StopRequests stop([] { QCoreApplication::quit(); }, dbwatch::RequestAbort);
    const QString shown = options.address.protocol() == QAbstractSocket::IPv6Protocol
                              ? QStringLiteral("[%1]").arg(options.address.toString())
                              : options.address.toString();
    CliOutput::note(QStringLiteral("dashboard of %1 on http://%2:%3/").arg(StationDb::Shown(options.db), shown).arg(server.port()));
    return QCoreApplication::exec() == 0 ? exOk : exOther;
}
