#pragma once
// The timed-query panel: checking its entries, the record it prepares, and reading the
// related device parameters 0049..004F.
#include "params/param_context.h"
#include "params/op_sink.h"

#include <QByteArray>
#include <QString>
#include <QStringList>


struct TimedQueryInput {
    bool enabled = false;   // "启用定时查询"
    QString periodText;     // the period box
    QString commandText;    // the query command box
    bool hexMode = false;   // "HEX模式"
};

struct TimedQuerySettings {
    bool ok = false;
    QStringList lines;      // appended to the information box in order (a failure gives one line)
    QByteArray record;      // the 254-byte timed-query record when ok
};

// applyTimedQuery without the widgets.
TimedQuerySettings CheckTimedQuery(const TimedQueryInput &in);
// State byte (5A/00), period (2 bytes), command length (low 8 bits), command, FF padding to 254.
QByteArray BuildTimedQueryRecord(bool enabled, int period, const QByteArray &command);

// readTimedQuery: reads 0049..004F into the active table. Returns true on success.
bool ReadTimedQueryParams(ParamContext context, OpSink &sink);
