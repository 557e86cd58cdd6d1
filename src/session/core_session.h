#pragma once
// Everything one running tool needs, widget-free: state, script, channels, receive poll,
// exchange engine, both parameter tables, the command list and the loaded profile, the
// reconnection of both channels and the session log.
// The window and the CLI each own one.
#include "link/data_link.h"
#include "link/receive_poll.h"
#include "link/serial_channel.h"
#include "link/serial_reconnector.h"
#include "link/tcp_channel.h"
#include "link/tcp_reconnector.h"
#include "log/session_log.h"
#include "params/param_context.h"
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
          profile(state, script, mainTable, extTable, buttons),
          serialReconnect(link.serial(), this),
          tcpReconnect(link.tcp(), this),
          log(this)
    {
        // Closing the window ends a long serial write too, as it ends every reply wait.
        connect(&state, &AppState::closeRequested, &link.serial(), &SerialChannel::abortWrite);
        // The poll reports a lost port once, whether it noticed the failure or the port did.
        connect(&poll, &ReceivePoll::serialLost, &serialReconnect, &SerialReconnector::onLost);
        // A port back after an outage is a fresh open: the unit may have restarted, so no
        // parameter set counts as selected any more.
        connect(&serialReconnect, &SerialReconnector::reconnected, &state,
                [this] { state.ParamChannel = state.ExtTabVisible ? -1 : state.MainParamChannel; });
        // Both directions of the wire, whatever the privilege level: what went out, each
        // reply a wait gathered, and each chunk the poll took between exchanges.
        connect(&link, &DataLink::sent, &log, &SessionLog::sent);
        connect(&engine, &ExchangeEngine::replyReceived, &log, &SessionLog::received);
        connect(&poll, &ReceivePoll::chunkReceived, &log, &SessionLog::received);
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
    SerialReconnector serialReconnect;
    TcpReconnector tcpReconnect;
    SessionLog log;

    // The views the operations below take; the conversions let a session be passed where one is expected.
    DeviceContext device() { return {state, script, link, engine}; }
    ParamContext params() { return {{state, script, link, engine}, mainTable, extTable}; }
    operator DeviceContext() { return device(); }
    operator ParamContext() { return params(); }

    ParamTable *activeTable() { return params().activeTable(); }

    // Both reconnections on or off ("自动重连").
    void setAutoReconnect(bool on)
    {
        serialReconnect.setEnabled(on);
        tcpReconnect.setEnabled(on);
    }
};
