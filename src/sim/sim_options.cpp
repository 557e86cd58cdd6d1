#include "sim/sim_options.h"
#include "text/hex.h"

#include <QCommandLineParser>

namespace {
bool toInt(const QString &text, int min, int max, int &out)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < min || v > max)
        return false;
    out = v;
    return true;
}

bool hexBytes(const QString &text, QByteArray &out)
{
    QString t = text;
    t.remove(QLatin1Char(' '));
    if (t.size() % 2 != 0 || !IsHexText(t))
        return false;
    out = HexTextToBytes(t);
    return true;
}
} // namespace

bool ParseCommandSet(const QString &text, CommandSet &out)
{
    out = CommandSet();
    if (text.trimmed().compare(QLatin1String("all"), Qt::CaseInsensitive) == 0) {
        out.all = true;
        return true;
    }
    const QStringList parts = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return false;
    for (const QString &raw : parts) {
        const QString p = raw.trimmed();
        if (p.size() != 4 || !IsHexText(p))
            return false;
        out.words.insert(static_cast<uint16_t>(HexToInt(p)));
    }
    return true;
}

bool ParseSimOptions(const QStringList &args, SimOptions &o, QString &error)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Simulated DTU on a pseudo-terminal and/or a loopback TCP port."));
    p.addHelpOption();
    const QCommandLineOption pty(QStringLiteral("pty"), QStringLiteral("Serve a pseudo-terminal."));
    const QCommandLineOption link(QStringLiteral("link"), QStringLiteral("Symlink to the pty slave."), QStringLiteral("PATH"));
    const QCommandLineOption tcp(QStringLiteral("tcp"), QStringLiteral("Listen on 127.0.0.1:PORT (0: any)."), QStringLiteral("PORT"));
    const QCommandLineOption profile(QStringLiteral("profile"), QStringLiteral("Start values from a profile."), QStringLiteral("FILE"));
    const QCommandLineOption mainSet(QStringLiteral("main-set"), QStringLiteral("Parameter set of the main table."), QStringLiteral("N"));
    const QCommandLineOption prefix(QStringLiteral("prefix"), QStringLiteral("Prefix bytes of requests."), QStringLiteral("HEX"));
    const QCommandLineOption log(QStringLiteral("log"), QStringLiteral("Append each received frame."), QStringLiteral("FILE"));
    const QCommandLineOption noise(QStringLiteral("noise"), QStringLiteral("Bytes before every reply."), QStringLiteral("HEX"));
    const QCommandLineOption split(QStringLiteral("split"), QStringLiteral("Send N bytes, wait MS, send the rest."), QStringLiteral("N:MS"));
    const QCommandLineOption badSum(QStringLiteral("bad-checksum"), QStringLiteral("Corrupt reply checksums."));
    const QCommandLineOption silent(QStringLiteral("silent"), QStringLiteral("Words that get no reply."), QStringLiteral("CMDS"));
    const QCommandLineOption garble(QStringLiteral("garble"), QStringLiteral("Words answered without header."), QStringLiteral("CMDS"));
    const QCommandLineOption refuse(QStringLiteral("refuse"), QStringLiteral("Words answered with a refusal."), QStringLiteral("CMDS"));
    const QCommandLineOption misstore(QStringLiteral("misstore"), QStringLiteral("Words whose written value is acknowledged but stored with its last byte changed."), QStringLiteral("CMDS"));
    const QCommandLineOption delay(QStringLiteral("delay"), QStringLiteral("Delay before every reply."), QStringLiteral("MS"));
    const QCommandLineOption hangup(QStringLiteral("hangup-after"), QStringLiteral("Hang up after N answered frames."), QStringLiteral("N"));
    const QCommandLineOption lineRate(QStringLiteral("line-rate"), QStringLiteral("Pace output at BPS bytes/s."), QStringLiteral("BPS"));
    const QCommandLineOption wrongCmd(QStringLiteral("wrong-cmd"), QStringLiteral("One-byte replies carry another word."));
    const QCommandLineOption state(QStringLiteral("state"), QStringLiteral("Device state."), QStringLiteral("N"));
    const QCommandLineOption csq(QStringLiteral("csq"), QStringLiteral("Signal strength."), QStringLiteral("N"));
    const QCommandLineOption stream(QStringLiteral("stream"), QStringLiteral("Transparent-mode stream rate."), QStringLiteral("BPS"));
    const QCommandLineOption streamBytes(QStringLiteral("stream-bytes"), QStringLiteral("Stream length."), QStringLiteral("N"));
    p.addOptions({pty, link, tcp, profile, mainSet, prefix, log, noise, split, badSum, silent, garble, refuse, misstore,
                  delay, hangup, lineRate, wrongCmd, state, csq, stream, streamBytes});
    const QCommandLineOption vanishAfter(QStringLiteral("vanish-after"),
                                         QStringLiteral("Vanish after N frames (answered first), then come back."),
                                         QStringLiteral("N"));
    const QCommandLineOption vanishPause(QStringLiteral("vanish-pause"),
                                         QStringLiteral("How long the device stays away (default 1000)."),
                                         QStringLiteral("MS"));
    p.addOptions({vanishAfter, vanishPause});
    const QCommandLineOption omit(QStringLiteral("omit"), QStringLiteral("Parameters left out of every parameter reply."),
                                  QStringLiteral("CODES"));
    const QCommandLineOption disturb(QStringLiteral("disturb"),
                                     QStringLiteral("Parameters whose stored value each accepted write of another changes (last byte plus one)."),
                                     QStringLiteral("CODES"));
    p.addOptions({omit, disturb});
    const QCommandLineOption swapAfter(QStringLiteral("swap-after"),
                                       QStringLiteral("Another unit takes the port after N frames (SIGUSR2: at once)."),
                                       QStringLiteral("N"));
    const QCommandLineOption swapPause(QStringLiteral("swap-pause"),
                                       QStringLiteral("How long nobody answers between two units (default 2000)."),
                                       QStringLiteral("MS"));
    p.addOptions({swapAfter, swapPause});
    const QCommandLineOption identity(QStringLiteral("identity"),
                                      QStringLiteral("The unit's factory serial number (parameter 0091), or \"auto\" for one made from "
                                                     "the link path or TCP port (default: the profile's value)."),
                                      QStringLiteral("TEXT"));
    const QCommandLineOption swapIdentity(QStringLiteral("swap-identity"),
                                          QStringLiteral("next (default): a swapped-in unit has a serial number of its own; "
                                                         "same: the same unit comes back reset, as from rework."),
                                          QStringLiteral("next|same"));
    const QCommandLineOption swapVersion(QStringLiteral("swap-same-version"),
                                         QStringLiteral("A swapped-in unit is of the same model: it answers the same version text."));
    p.addOptions({identity, swapIdentity, swapVersion});
    if (!p.parse(args)) {
        error = p.errorText();
        return false;
    }
    if (p.isSet(QStringLiteral("help")) || p.isSet(QStringLiteral("help-all"))) {
        o.helpText = p.helpText();
        return true;
    }
    if (!p.positionalArguments().isEmpty()) {
        error = QStringLiteral("unexpected argument: ") + p.positionalArguments().first();
        return false;
    }
    auto fail = [&error](const QString &what) {
        error = QStringLiteral("invalid value for --") + what;
        return false;
    };
    o.pty = p.isSet(pty);
    o.linkPath = p.value(link);
    if (p.isSet(tcp) && !toInt(p.value(tcp), 0, 65535, o.tcpPort))
        return fail(QStringLiteral("tcp"));
    if (!o.pty && o.tcpPort < 0) {
        error = QStringLiteral("nothing to serve: give --pty and/or --tcp PORT");
        return false;
    }
    if (!o.linkPath.isEmpty() && !o.pty)
        return fail(QStringLiteral("link (needs --pty)"));
    o.profilePath = p.value(profile);
    if (p.isSet(mainSet) && !toInt(p.value(mainSet), 0, 255, o.mainSet))
        return fail(QStringLiteral("main-set"));
    if (p.isSet(prefix) && !hexBytes(p.value(prefix), o.prefix))
        return fail(QStringLiteral("prefix"));
    o.logPath = p.value(log);
    if (p.isSet(noise) && !hexBytes(p.value(noise), o.noise))
        return fail(QStringLiteral("noise"));
    if (p.isSet(split)) {
        const QStringList parts = p.value(split).split(QLatin1Char(':'));
        if (parts.size() != 2 || !toInt(parts[0], 1, 65535, o.splitBytes) || !toInt(parts[1], 0, 600000, o.splitMs))
            return fail(QStringLiteral("split"));
    }
    o.badChecksum = p.isSet(badSum);
    if (p.isSet(silent) && !ParseCommandSet(p.value(silent), o.silent))
        return fail(QStringLiteral("silent"));
    if (p.isSet(garble) && !ParseCommandSet(p.value(garble), o.garble))
        return fail(QStringLiteral("garble"));
    if (p.isSet(refuse) && !ParseCommandSet(p.value(refuse), o.refuse))
        return fail(QStringLiteral("refuse"));
    if (p.isSet(misstore) && !ParseCommandSet(p.value(misstore), o.misstore))
        return fail(QStringLiteral("misstore"));
    if (p.isSet(omit) && !ParseCommandSet(p.value(omit), o.omit))
        return fail(QStringLiteral("omit"));
    if (p.isSet(disturb) && (!ParseCommandSet(p.value(disturb), o.disturb) || o.disturb.all))
        return fail(QStringLiteral("disturb"));
    if (p.isSet(swapAfter) && !toInt(p.value(swapAfter), 1, 1 << 30, o.swapAfter))
        return fail(QStringLiteral("swap-after"));
    if (p.isSet(swapPause) && !toInt(p.value(swapPause), 0, 600000, o.swapPauseMs))
        return fail(QStringLiteral("swap-pause"));
    o.identity = p.value(identity);
    if (p.isSet(identity) && (o.identity.isEmpty() || o.identity.toUtf8().size() > 20))
        return fail(QStringLiteral("identity (1 to 20 bytes)"));
    if (p.isSet(swapIdentity) && p.value(swapIdentity) != QLatin1String("next") && p.value(swapIdentity) != QLatin1String("same"))
        return fail(QStringLiteral("swap-identity (next or same)"));
    o.swapSameIdentity = p.value(swapIdentity) == QLatin1String("same");
    o.swapSameVersion = p.isSet(swapVersion);
    if (p.isSet(delay) && !toInt(p.value(delay), 0, 600000, o.delayMs))
        return fail(QStringLiteral("delay"));
    if (p.isSet(hangup) && !toInt(p.value(hangup), 1, 1 << 30, o.hangupAfter))
        return fail(QStringLiteral("hangup-after"));
    if (p.isSet(lineRate) && !toInt(p.value(lineRate), 1, 100000000, o.lineRate))
        return fail(QStringLiteral("line-rate"));
    o.wrongCmd = p.isSet(wrongCmd);
    if (p.isSet(state) && !toInt(p.value(state), 0, 255, o.state))
        return fail(QStringLiteral("state"));
    if (p.isSet(csq) && !toInt(p.value(csq), 0, 255, o.csq))
        return fail(QStringLiteral("csq"));
    if (p.isSet(stream) && !toInt(p.value(stream), 1, 100000000, o.streamRate))
        return fail(QStringLiteral("stream"));
    if (p.isSet(streamBytes)) {
        bool ok = false;
        o.streamBytes = p.value(streamBytes).toLongLong(&ok);
        if (!ok || o.streamBytes < 0)
            return fail(QStringLiteral("stream-bytes"));
    }
    if (p.isSet(vanishAfter) && !toInt(p.value(vanishAfter), 1, 1 << 30, o.vanishAfter))
        return fail(QStringLiteral("vanish-after"));
    if (p.isSet(vanishPause) && !toInt(p.value(vanishPause), 0, 600000, o.vanishPauseMs))
        return fail(QStringLiteral("vanish-pause"));
    return true;
}
