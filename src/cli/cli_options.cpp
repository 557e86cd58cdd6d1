#include "cli/cli_options.h"

#include "cli/exit_codes.h"

#include <QCommandLineParser>

namespace {
// Subcommand → how many positional arguments it takes (min, max; -1: any number).
struct Arity {
    const char *name;
    int min;
    int max;
};
const Arity kCommands[] = {
    {"ports", 0, 0},   {"read", 0, 0},    {"get", 1, 1},     {"set", 1, -1},   {"apply", 1, 1},
    {"dump", 0, 0},    {"status", 0, 0},  {"signal", 0, 0},  {"version", 0, 0}, {"clock", 0, 0},
    {"reset", 0, 0},   {"defaults", 0, 0}, {"mode", 1, 1},   {"send", 0, 1},   {"at", 1, 1},
    {"button", 1, 1},  {"diff", 1, 1},    {"lint", 1, 1},
};
} // namespace

QString CliHelpText()
{
    return QStringLiteral(
               "Usage: dtucfg [options] COMMAND [arguments]\n"
               "\n"
               "Connection:\n"
               "  --port PATH           serial port (any device path, pseudo-terminals too)\n"
               "  --baud N              baud rate (default: the profile's, else 57600)\n"
               "  --format 8N1          data bits, parity N/E/O, stop bits (default: the profile's, else 8N1)\n"
               "  --tcp HOST[:PORT]     the device's TCP maintenance port (default port 8888)\n"
               "  --timeout-ms N        wait for the connection, and for the answer of send/at (default 3000)\n"
               "  --wait-port SECONDS   wait up to SECONDS for the port (or the TCP peer) to appear\n"
               "Files:\n"
               "  --profile FILE        device profile (GBK or UTF-8)\n"
               "  --script FILE         command and conversion script (default ./script.js)\n"
               "Output:\n"
               "  --json                one JSON document on stdout\n"
               "  --trace               every frame in hex on stderr\n"
               "  --log FILE            append the session log (log lines, every frame both ways) to FILE\n"
               "  --strict-timing       wait the full silence after every reply\n"
               "  --lang zh|en          language of the device result texts (default: the window's setting)\n"
               "\n"
               "Commands:\n"
               "  ports                 list the serial ports\n"
               "  read [--ext]          read every parameter of the main (or extended) table\n"
               "  get NAME|CODE         read, then show one parameter\n"
               "  set NAME|CODE=VALUE…  convert each value as the table editor does and write it\n"
               "  apply PROFILE [--ext] write every coded parameter of PROFILE\n"
               "  dump --out FILE       read the device and save the profile with its values as FILE\n"
               "  status | signal | version\n"
               "  clock [--set]         read the device clock, or set it to this computer's time\n"
               "  reset | defaults      reset the device / restore its factory defaults (no prompt)\n"
               "  mode N                switch the work mode (0, 1 or 2; serial port only)\n"
               "  send TEXT | send --hex HEX   send raw bytes, show what comes back\n"
               "  at LINE               send LINE and a carriage return, show the answer\n"
               "  button NAME           run a command button of the profile\n"
               "  diff PROFILE [--ext]  list the parameters whose value on the device differs from PROFILE (exit 1 when any)\n"
               "  lint PROFILE          check PROFILE without a device, one line per problem (exit 1 when any);\n"
               "                        --units FILE also checks a station's units file against it\n"
               "\n"
               "Production (own options, see dtucfg provision|report|dashboard --help):\n"
               "  dtucfg provision --golden PROFILE --ports PATTERNS [--identity NAME] [--unique NAME={seq:N}] [--watch] [--db FILE|URL]\n"
               "                   [--printer pdf:FOLDER|PRINTER]\n"
               "  dtucfg report [--db FILE|URL] [--since WHEN] [--csv FILE | --json]\n"
               "  dtucfg dashboard [--db FILE|URL] [--listen ADDR:PORT] [--token-file FILE] | --new-token FILE\n"
               "\n") +
           ExitCodesHelp();
}

bool ParseCliOptions(const QStringList &arguments, CliOptions &o, QString &error)
{
    QCommandLineParser p;
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("PATH"));
    const QCommandLineOption baud(QStringLiteral("baud"), QString(), QStringLiteral("N"));
    const QCommandLineOption format(QStringLiteral("format"), QString(), QStringLiteral("FMT"));
    const QCommandLineOption tcp(QStringLiteral("tcp"), QString(), QStringLiteral("HOST"));
    const QCommandLineOption timeout(QStringLiteral("timeout-ms"), QString(), QStringLiteral("MS"));
    const QCommandLineOption profile(QStringLiteral("profile"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption script(QStringLiteral("script"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption trace(QStringLiteral("trace"), QString());
    const QCommandLineOption json(QStringLiteral("json"), QString());
    const QCommandLineOption strict(QStringLiteral("strict-timing"), QString());
    const QCommandLineOption ext(QStringLiteral("ext"), QString());
    const QCommandLineOption out(QStringLiteral("out"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption hex(QStringLiteral("hex"), QString(), QStringLiteral("HEX"));
    const QCommandLineOption set(QStringLiteral("set"), QString());
    const QCommandLineOption lang(QStringLiteral("lang"), QString(), QStringLiteral("LANG"));
    p.addOptions({help, port, baud, format, tcp, timeout, profile, script, trace, json, strict, ext, out, hex, set, lang});
    const QCommandLineOption waitPort(QStringLiteral("wait-port"), QString(), QStringLiteral("SECONDS"));
    const QCommandLineOption log(QStringLiteral("log"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption units(QStringLiteral("units"), QString(), QStringLiteral("FILE"));
    p.addOptions({waitPort, log, units});
    if (!p.parse(arguments)) {
        error = p.errorText();
        return false;
    }
    o.help = p.isSet(help);
    if (o.help)
        return true;
    o.port = p.value(port);
    o.baud = p.value(baud);
    o.format = p.value(format);
    o.tcp = p.value(tcp);
    o.profile = p.value(profile);
    if (p.isSet(script))
        o.script = p.value(script);
    o.trace = p.isSet(trace);
    o.json = p.isSet(json);
    o.strictTiming = p.isSet(strict);
    o.ext = p.isSet(ext);
    o.out = p.value(out);
    o.units = p.value(units);
    o.hexGiven = p.isSet(hex);
    o.hex = p.value(hex);
    o.setClock = p.isSet(set);
    o.lang = p.value(lang);
    if (p.isSet(timeout)) {
        bool ok = false;
        o.timeoutMs = p.value(timeout).toInt(&ok);
        if (!ok || o.timeoutMs < 0) {
            error = QStringLiteral("--timeout-ms needs a number of milliseconds, not \"%1\"").arg(p.value(timeout));
            return false;
        }
    }
    if (p.isSet(waitPort)) {
        bool ok = false;
        o.waitPortS = p.value(waitPort).toInt(&ok);
        if (!ok || o.waitPortS < 0 || o.waitPortS > 24 * 3600) {
            error = QStringLiteral("--wait-port needs a number of seconds, not \"%1\"").arg(p.value(waitPort));
            return false;
        }
    }
    o.logFile = p.value(log);
    if (!o.port.isEmpty() && !o.tcp.isEmpty()) {
        error = QStringLiteral("give either --port or --tcp, not both");
        return false;
    }

    QStringList pos = p.positionalArguments();
    if (pos.isEmpty()) {
        error = QStringLiteral("no command given (try --help)");
        return false;
    }
    o.command = pos.takeFirst();
    o.args = pos;
    const Arity *arity = nullptr;
    for (const Arity &a : kCommands)
        if (o.command == QLatin1String(a.name))
            arity = &a;
    if (!arity) {
        error = QStringLiteral("unknown command \"%1\" (try --help)").arg(o.command);
        return false;
    }
    if (o.args.size() < arity->min || (arity->max >= 0 && o.args.size() > arity->max)) {
        error = QStringLiteral("wrong number of arguments for \"%1\" (try --help)").arg(o.command);
        return false;
    }
    if (o.command == QLatin1String("send") && o.hexGiven == !o.args.isEmpty()) {
        error = QStringLiteral("send needs either TEXT or --hex HEX");
        return false;
    }
    if (o.command == QLatin1String("dump") && o.out.isEmpty()) {
        error = QStringLiteral("dump needs --out FILE");
        return false;
    }
    return true;
}
