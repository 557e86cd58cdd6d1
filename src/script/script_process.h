#pragma once
// The script host process seen from the program: a copy of the program in its script host
// mode, bounded by the operating system (address space) and watched from here (time, resident
// memory). A host that ends for any reason fails the evaluation it was running and is started
// again for the next one.
#include "platform/child_process.h"
#include "script/script_wire.h"

#include <QString>
#include <QVector>

struct ScriptOp {
    enum Kind { SetGlobal, Evaluate } kind = Evaluate;
    QString name;  // the global, for SetGlobal
    QString text;  // the value, or the program to evaluate
};

struct ScriptOutcome {
    script_wire::Outcome outcome = script_wire::Outcome::Ok;
    QString text;
};

class ScriptProcess {
public:
    ScriptProcess() = default;
    ScriptProcess(const ScriptProcess &) = delete;
    ScriptProcess &operator=(const ScriptProcess &) = delete;

    void setLimits(int timeMs, qint64 memoryBytes);

    // Runs `ops` in order and gives one outcome per evaluation. A host started afresh first runs
    // `setup` (what the scripts loaded before defined), whose outcomes are not reported.
    // When no host can be started, `startError` is set and the outcomes stop short.
    QVector<ScriptOutcome> run(const QVector<ScriptOp> &ops, const QVector<ScriptOp> &setup, QString *startError);

    // The host's peak resident size so far (0 when none runs), for measuring.
    qint64 peakResidentBytes() const;

private:
    bool startHost(QString *error);
    bool start(const QVector<ScriptOp> &setup, QString *error);
    // Sends ops[from...] and gathers their outcomes into `out`. False when the host ended
    // first, with why in `ended`.
    bool exchange(const QVector<ScriptOp> &ops, int from, QVector<ScriptOutcome> *out, script_wire::Outcome *ended);

    ChildProcess m_child;
    int m_timeMs = 3000;
    qint64 m_memoryBytes = 512LL * 1024 * 1024;
    qint64 m_startResident = 0;
    qint64 m_resultChars = 0;  // of the results this run kept
    int m_timeouts = 0;        // evaluations of this run that ran out of time
};
