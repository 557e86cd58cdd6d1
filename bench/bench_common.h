#pragma once
// Shared pieces of the benchmark programs: argument reading, a core session on a serial
// device path, generated profiles, and the result line format. Header-only: every
// bench/*.cpp is its own program.
#include "link/serial_channel.h"
#include "link/serial_settings.h"
#include "session/core_session.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <vector>

namespace bench {

// "--name value" from the command line, or `fallback`.
inline QString arg(const QStringList &args, const QString &name, const QString &fallback = QString())
{
    const int i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : fallback;
}

inline int intArg(const QStringList &args, const QString &name, int fallback)
{
    bool ok = false;
    const int v = arg(args, name).toInt(&ok);
    return ok ? v : fallback;
}

[[noreturn]] inline void fail(const QString &why)
{
    std::fprintf(stderr, "bench: %s\n", why.toLocal8Bit().constData());
    std::fflush(stderr);
    std::_Exit(1);
}

inline void say(const QString &line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

// Evaluates the example script, as the window does at start.
inline void loadScript(CoreSession &s)
{
    QString fileError;
    const ScriptResult r = s.script.evaluateFile(QStringLiteral(DTU_SOURCE_DIR "/examples/script.js"), &fileError);
    if (!fileError.isEmpty() || !r.ok)
        fail(QStringLiteral("script.js: ") + fileError + r.error);
}

// Opens the simulated device's pseudo-terminal at 115200 8N1; the engine's quiet gap follows.
inline void openPort(CoreSession &s, const QString &path, int baud = 115200)
{
    SerialSettings settings;
    settings.portName = path;
    settings.baudRate = baud;
    ApplyFormatText(QStringLiteral("8N1"), settings);
    if (!s.link.serial().open(settings))
        fail(QStringLiteral("cannot open %1: %2").arg(path, s.link.serial().errorString()));
    s.engine.setLineRate(baud / 10);
}

// Parameter code of generated row `i`: clear of the control-mode words and the E0xx commands.
inline uint16_t rowCode(int i)
{
    return static_cast<uint16_t>(0x1000 + i);
}

// A main profile of `rows` two-byte rows, each converted by a script ONGET.
inline void writeProfile(const QString &path, int rows)
{
    nlohmann::ordered_json root;
    root["Title"] = "bench profile";
    root["Baudrate"] = "115200";
    root["ComOption"] = "8N1";
    nlohmann::ordered_json params = nlohmann::ordered_json::array();
    for (int i = 0; i < rows; ++i) {
        if (i % 50 == 0)
            params.push_back({{"CMDID", ""}, {"PNAME", "group " + std::to_string(i / 50)}, {"PVALUE", ""},
                              {"ONSET", ""}, {"ONGET", ""}, {"ONLIST", ""}, {"PNOTE", ""}});
        char code[8], value[8];
        std::snprintf(code, sizeof code, "%04X", rowCode(i));
        std::snprintf(value, sizeof value, "%04X", (i * 37) & 0xFFFF);
        params.push_back({{"CMDID", code},
                          {"PNAME", "value " + std::to_string(i)},
                          {"PVALUE", std::string("HEX:") + value},
                          {"ONSET", "SetU16()"},
                          {"ONGET", "GetU16()"},
                          {"ONLIST", "Length=5;Mask=\"0123456789\";"},
                          {"PNOTE", "generated row"}});
    }
    root["Params"] = params;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fail(QStringLiteral("cannot write ") + path);
    const std::string text = root.dump(2);
    f.write(text.data(), static_cast<qint64>(text.size()));
}

inline double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

inline QString verdict(bool met)
{
    return met ? QStringLiteral("MET") : QStringLiteral("MISSED");
}

} // namespace bench
