#pragma once
// The JavaScript engine itself, as it runs inside the script host process: a persistent global
// scope, evaluation to text, errors (thrown Error objects and thrown plain values alike) as
// values, and a watchdog that interrupts an evaluation running past its time limit.
#include "script/script_wire.h"

#include <QHash>
#include <QJSValue>
#include <QString>
#include <memory>

class QJSEngine;
class ScriptWatchdog;

class ScriptRunner {
public:
    ScriptRunner();
    ~ScriptRunner();
    ScriptRunner(const ScriptRunner &) = delete;
    ScriptRunner &operator=(const ScriptRunner &) = delete;

    struct Result {
        script_wire::Outcome outcome = script_wire::Outcome::Ok;
        QString text;  // the value as text, or the error's message
    };
    Result evaluate(const QString &program);
    void setGlobalString(const QString &name, const QString &value);
    void setTimeLimitMs(int ms) { m_timeLimitMs = ms; }

private:
    // The value as text the way String(v) gives it; a conversion that throws is a failure.
    Result text(const QJSValue &v);

    std::unique_ptr<QJSEngine> m_engine;
    QJSValue m_toText;
    std::unique_ptr<ScriptWatchdog> m_watchdog;
    int m_timeLimitMs = 3000;
    QHash<QString, QJSValue> m_calls;
};
