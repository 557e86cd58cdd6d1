#pragma once
// The pieces a profile load works on, without channels or windows.
#include "params/param_table.h"
#include "profile/button_table.h"
#include "profile/profile_session.h"
#include "script/script_host.h"
#include "state/app_state.h"

struct ProfileRig {
    AppState state;
    ScriptHost script;
    ParamTable mainTable{false};
    ParamTable extTable{true};
    ButtonTable buttons;
    ProfileSession profile{state, script, mainTable, extTable, buttons};

    // Column texts of the main table, for compact comparisons.
    QStringList mainCodes() const
    {
        QStringList out;
        for (const ParamRow &r : mainTable.rows())
            out << r.cmdId;
        return out;
    }
};
