#pragma once
// One engine over a fake channel with a small command script, shared by the exchange tests.
#include "link/data_link.h"
#include "link/receive_poll.h"
#include "protocol/exchange_engine.h"
#include "script/script_host.h"
#include "state/app_state.h"
#include "support/fake_channel.h"

#include <QStringList>

struct ExchangeRig {
    AppState state;
    ScriptHost script;
    DataLink link;
    FakeChannel fake;
    ReceivePoll poll{state, link};
    ExchangeEngine engine{state, link, script, &poll};
    QStringList log;

    ExchangeRig()
    {
        fake.open();
        link.setOverrideChannel(&fake);
        QObject::connect(&state, &AppState::logAppended, [this](const QString &l) { log << l; });
        script.evaluate(QStringLiteral(
            "var PREFIX = \"\";\n"
            "function PrevCmd() { return PREFIX; }\n"
            "var CMDS = { CMD_GETPARAM: \"E001\", CMD_RESET: \"E005\", LONG: \"E0012345\", THREE: \"E0A\",\n"
            "             ONE: \"E\", EMPTY: \"\" };\n"
            "function GetCmd(n) { if (n === \"BROKEN\") throw new Error(\"no such command\");\n"
            "                     return CMDS[n] === undefined ? \"\" : CMDS[n]; }\n"));
    }
};

inline QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}
