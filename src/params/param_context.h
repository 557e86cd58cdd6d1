#pragma once
// A device context with the two parameter tables: what the parameter operations work with.
#include "protocol/device_context.h"
#include "state/app_state.h"

class ParamTable;

struct ParamContext : DeviceContext {
    ParamTable &mainTable;
    ParamTable &extTable;

    // The active table: main when ParamChannel == MainParamChannel, extended when ParamChannel == 0
    // (the second test wins); nullptr when neither holds.
    ParamTable *activeTable() const
    {
        ParamTable *t = nullptr;
        if (state.ParamChannel == state.MainParamChannel)
            t = &mainTable;
        if (state.ParamChannel == 0)
            t = &extTable;
        return t;
    }
};
