#pragma once
// Everything one running tool needs, widget-free: state, script, channels, receive poll,
// exchange engine, both parameter tables, the command list and the loaded profile.
// The window and the CLI each own one.
#include "link/data_link.h"
#include "params/param_context.h"
#include "link/receive_poll.h"
#include "link/serial_channel.h"
#include "params/param_table.h"
#include "profile/button_table.h"
#include "profile/profile_session.h"
#include "protocol/exchange_engine.h"
#include "script/script_host.h"
#include "state/app_state.h"

#include <QObject>

class CoreSession : public QObject {
    Q_OBJECT
public:
    explicit CoreSession(QObject *parent = nullptr)
        : QObject(parent),
          state(this),
          link(this),
          poll(state, link, this),
          engine(state, link, script, &poll, this),
          mainTable(false, this),
          extTable(true, this),
          buttons(this),
          profile(state, script, mainTable, extTable, buttons)
    {
        // Closing the window ends a long serial write too, as it ends every reply wait.
        connect(&state, &AppState::closeRequested, &link.serial(), &SerialChannel::abortWrite);
    }

    AppState state;
    ScriptHost script;
    DataLink link;
    ReceivePoll poll;
    ExchangeEngine engine;
    ParamTable mainTable;
    ParamTable extTable;
    ButtonTable buttons;
    ProfileSession profile;

    // The views the operations below take; the conversions let a session be passed where one is expected.
    DeviceContext device() { return {state, script, link, engine}; }
    ParamContext params() { return {{state, script, link, engine}, mainTable, extTable}; }
    operator DeviceContext() { return device(); }
    operator ParamContext() { return params(); }

    ParamTable *activeTable() { return params().activeTable(); }
};
