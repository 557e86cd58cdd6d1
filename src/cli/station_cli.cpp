#include "cli/station_cli.h"

#include "cli/cli_output.h"
#include "cli/exit_codes.h"
#include "provision/port_scan.h"
#include "provision/recipe.h"
#include "text/language.h"

#include <cstdio>

#include <CLI/CLI.hpp>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <cstring>
#include <iostream>

namespace {
const char kDefaultDb[] = "provision.sqlite";

QString q(const std::string &s) { return QString::fromStdString(s); }

QStringList qList(const std::vector<std::string> &v)
{
    QStringList out;
    for (const std::string &s : v)
        out << q(s);
    return out;
}
} // namespace

int StationCommandAt(int argc, char **argv)
{
    // The options of every other subcommand that take a value, as they may come first.
    static const char *const withValue[] = {"--port", "--baud",    "--format",    "--tcp", "--timeout-ms", "--profile",
                                            "--script", "--out",   "--hex",       "--lang", "--wait-port", "--log", "--db"};
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] != '-')
            return std::strcmp(argv[i], "provision") == 0 || std::strcmp(argv[i], "report") == 0 ? i : -1;
        for (const char *o : withValue)
            if (std::strcmp(argv[i], o) == 0)
                ++i;
    }
    return -1;
}

bool IsStationCommand(int argc, char **argv) { return StationCommandAt(argc, argv) > 0; }

std::optional<QDateTime> ParseSince(const QString &text, const QDateTime &now)
{
    static const QRegularExpression ageRe(QStringLiteral("^([0-9]{1,6})([smhd])$"));
    const auto m = ageRe.match(text.trimmed());
    if (m.hasMatch()) {
        const qint64 n = m.captured(1).toLongLong();
        const qint64 unit = QStringLiteral("smhd").indexOf(m.captured(2)) == 0   ? 1
                            : QStringLiteral("smhd").indexOf(m.captured(2)) == 1 ? 60
                            : QStringLiteral("smhd").indexOf(m.captured(2)) == 2 ? 3600
                                                                                 : 86400;
        return now.addSecs(-n * unit);
    }
    QDateTime t = QDateTime::fromString(text.trimmed(), Qt::ISODateWithMs);
    if (!t.isValid())
        t = QDateTime::fromString(text.trimmed(), Qt::ISODate);
    if (!t.isValid()) {
        const QDate d = QDate::fromString(text.trimmed(), Qt::ISODate);
        if (d.isValid())
            t = d.startOfDay();
    }
    if (!t.isValid())
        return std::nullopt;
    return t;
}

int RunStationCli(int argc, char **argv)
{
    // `dtucfg --script s.js provision …`: the options given first belong to the subcommand.
    const int at = StationCommandAt(argc, argv);
    std::vector<char *> ordered{argv[0], argv[at]};
    for (int i = 1; i < argc; ++i)
        if (i != at)
            ordered.push_back(argv[i]);
    argv = ordered.data();
    const bool optionsFirst = at > 1;
    const bool provision = std::strcmp(argv[1], "provision") == 0;
    CLI::App app{provision ? "Provision every unit on the given ports at once, verify each, record every unit."
                           : "List or export the production records."};
    app.name(std::string("dtucfg ") + argv[1]);
    std::string db = kDefaultDb;
    bool json = false;
    app.add_option("--db", db, "SQLite file (created when missing) or postgresql://[user@][host][:port]/DBNAME[?host=/socket/folder]")
        ->capture_default_str();
    app.add_flag("--json", json, provision ? "one JSON object per unit on stdout" : "the records as a JSON array");
    std::string lang;
    app.add_option("--lang", lang, "zh|en: language of the device result texts (default: the window's setting)");

    ProvisionArgs p;
    std::string golden, script = "script.js", tcpHosts, units, baud, format, recipe, stationName, identity, printer;
    int target = 0;
    std::vector<std::string> ports, uniques;
    int timeoutMs = 3000;
    ReportArgs r;
    std::string since, csv;
    if (provision) {
        app.add_option("--recipe", recipe, "station recipe (JSON): what these options say, paths relative to it; "
                                           "options given beside it override it");
        app.add_option("--golden", golden, "the profile whose values every unit gets (required without --recipe)");
        app.add_option("--station", stationName, "the station's name in the records (default: the host's name)");
        app.add_option("--target", target, "station mode: stop once this many units passed (0: never)")
            ->check(CLI::NonNegativeNumber);
        app.add_option("--ports", ports, "device paths and shell-style patterns (quoted), comma or blank separated")
            ->delimiter(',');
        app.add_option("--tcp-hosts", tcpHosts, "file of units reached over TCP, one host[:port] a line");
        app.add_option("--identity", identity, "the parameter (name or code) each unit carries from its own factory, "
                                               "such as a serial number: how a unit is known again");
        app.add_option("--unique", uniques, "NAME=TEMPLATE: a value per unit, {seq:START} is the next free counter value");
        app.add_option("--units", units, "CSV file: first line the parameter names, then one line of values per unit");
        app.add_option("--printer", printer, "labels of passed units: pdf:FOLDER for a PDF file each, or a system printer's name");
        app.add_flag("--only-changed", p.station.plan.onlyChanged, "write only what differs from what the unit holds");
        app.add_flag("--watch", p.station.watch, "station mode: keep watching the ports, provision each unit that appears");
        app.add_flag("--again", p.station.again, "station mode: also provision a unit that was already done");
        app.add_option("--script", script, "command and conversion script")->capture_default_str();
        app.add_option("--baud", baud, "baud rate (default: the golden profile's)");
        app.add_option("--format", format, "data format such as 8N1 (default: the golden profile's)");
        app.add_option("--timeout-ms", timeoutMs, "TCP connection wait")->capture_default_str()->check(CLI::NonNegativeNumber);
        app.footer("Exit status: 0 when every unit passed, 1 when a unit failed, 2 usage, 7 set-up (profile, script, database).\n"
                   "Ctrl-C in station mode finishes the units in progress, then exits.");
    } else {
        app.add_option("--since", since, "only records from then on: 2026-05-01, 2026-05-01T08:00, or an age (90m, 8h, 2d)");
        app.add_option("--csv", csv, "export the records to this CSV file");
    }
    try {
        app.parse(argc - 1, argv + 1);
    } catch (const CLI::CallForHelp &) {
        std::cout << app.help();
        return exOk;
    } catch (const CLI::ParseError &e) {
        CliOutput out(false);
        QString text = q(e.what()) + QStringLiteral(" (try dtucfg %1 --help)").arg(QString::fromLatin1(argv[1]));
        if (optionsFirst)
            text += QStringLiteral("; dtucfg %1 takes only its own options, before or after it: %2")
                        .arg(QString::fromLatin1(argv[1]),
                             provision ? QStringLiteral("dtucfg provision --golden FILE --ports PATTERNS [--script FILE] …")
                                       : QStringLiteral("dtucfg report [--db FILE|URL] [--since WHEN] [--csv FILE | --json]"));
        return out.finish(exUsage, text);
    }
    auto usage = [](const QString &text) { return CliOutput(false).finish(exUsage, text); };
    UiLanguage language = UiLanguage::Chinese;
    QString languageError;
    if (!StartLanguage(q(lang), language, languageError))
        return usage(languageError);
    if (!ApplyLanguage(language))
        return CliOutput(false).finish(exOther, QStringLiteral("the English texts are missing from this build"));

    if (!provision) {
        r.db = q(db);
        r.json = json;
        r.csv = q(csv);
        if (!since.empty()) {
            const auto t = ParseSince(q(since), QDateTime::currentDateTime());
            if (!t)
                return usage(QStringLiteral("--since \"%1\" is neither a date, a date and time, nor an age like 8h").arg(q(since)));
            r.since = *t;
        }
        if (r.json && !r.csv.isEmpty())
            return usage(QStringLiteral("give either --csv FILE or --json, not both"));
        return RunReport(r);
    }

    StationConfig &c = p.station;
    p.json = json;
    // Without a recipe every option counts; with one, only those given replace its settings.
    auto given = [&](const char *name) { return recipe.empty() || app.count(name) > 0; };
    if (!recipe.empty()) {
        QString error;
        const auto read = ReadRecipe(q(recipe), error);
        if (!read)
            return CliOutput(false).finish(exOther, error);
        const bool onlyChanged = c.plan.onlyChanged;
        if (!ApplyRecipe(*read, QFileInfo(q(recipe)).absolutePath(), c, error))
            return CliOutput(false).finish(exOther, error);
        c.plan.onlyChanged = c.plan.onlyChanged || onlyChanged;
        // Labels as the window prints them: a line PC running the station headless gets them too.
        p.printer = read->printer.trimmed();
        p.printerBase = QFileInfo(q(recipe)).absolutePath();
    }
    if (given("--db"))
        c.db = q(db);
    if (given("--golden"))
        c.plan.goldenPath = q(golden);
    if (given("--script"))
        c.plan.scriptPath = q(script);
    if (given("--station"))
        c.name = q(stationName);
    if (given("--target"))
        c.target = target;
    c.plan.link.baud = q(baud);
    c.plan.link.format = q(format);
    c.plan.link.timeoutMs = timeoutMs;
    if (given("--ports")) {
        c.ports.clear();
        for (const QString &port : qList(ports))
            for (const QString &part : port.split(QLatin1Char(' '), Qt::SkipEmptyParts))
                c.ports << part;
    }
    if (given("--units"))
        c.unitsFile = q(units);
    if (given("--printer")) {
        p.printer = q(printer).trimmed();
        p.printerBase = QDir::currentPath();
    }
    if (given("--identity"))
        c.identity = q(identity);
    if (given("--unique")) {
        c.uniques.clear();
        for (const QString &u : qList(uniques)) {
            QString error;
            const auto spec = ParseUniqueSpec(u, error);
            if (!spec)
                return usage(error);
            c.uniques << *spec;
        }
    }
    if (given("--tcp-hosts")) {
        c.tcpHosts.clear();
        if (!tcpHosts.empty()) {
            QString error;
            const auto hosts = ReadTcpHosts(q(tcpHosts), error);
            if (!hosts)
                return usage(error);
            c.tcpHosts = *hosts;
        }
    }
    if (c.plan.goldenPath.isEmpty())
        return usage(QStringLiteral("no golden profile: give --golden FILE or \"golden\" in the recipe"));
    if (c.ports.isEmpty() && c.tcpHosts.isEmpty())
        return usage(QStringLiteral("no units: give --ports and/or --tcp-hosts FILE"));
    if (c.watch && c.ports.isEmpty())
        return usage(QStringLiteral("--watch needs --ports to watch"));
    if (c.again && !c.watch)
        return usage(QStringLiteral("--again belongs to --watch"));
    return RunProvision(p);
}
