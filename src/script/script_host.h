#pragma once
// The one JavaScript engine of the program, as the program sees it: a persistent global scope,
// evaluation to text, errors returned as values. The engine runs in a process of its own, so
// no script, however written, can crash, hang or exhaust the program: a script past its time
// or memory limit, or one that crashes the engine, fails with a text saying so, and the next
// evaluation finds a fresh engine with what was defined before replayed into it.
#include "script/script_process.h"

#include <QHash>
#include <QString>
#include <QVector>

struct ScriptResult {
    bool ok = true;
    QString text;   // result converted to text; undefined and null give the empty text
    QString error;  // the error's message when !ok

    static ScriptResult failure(const QString &message) { return {false, QString(), message}; }
};

// Evaluations sent to the engine together, for speed: setting globals and evaluating, in order.
class ScriptBatch {
public:
    void setGlobalString(const QString &name, const QString &value)
    {
        m_ops.append({ScriptOp::SetGlobal, name, value});
    }
    void setHexInput(const QString &digits) { setGlobalString(QStringLiteral("hexinput"), digits); }
    // The index of this evaluation's result among the batch's results.
    int evaluate(const QString &program)
    {
        m_ops.append({ScriptOp::Evaluate, QString(), program});
        return m_evaluations++;
    }
    const QVector<ScriptOp> &ops() const { return m_ops; }
    int evaluations() const { return m_evaluations; }

private:
    QVector<ScriptOp> m_ops;
    int m_evaluations = 0;
};

class ScriptHost {
public:
    explicit ScriptHost(int watchdogMs = 3000);
    ScriptHost(const ScriptHost &) = delete;
    ScriptHost &operator=(const ScriptHost &) = delete;

    // Evaluates a program (statement or expression) in the persistent global scope.
    ScriptResult evaluate(const QString &program);
    // Runs a batch; one result per evaluation, in order.
    QVector<ScriptResult> run(const ScriptBatch &batch);

    // Reads the whole file as UTF-8 (GBK when it is not valid UTF-8) and evaluates it.
    // `fileError` is set to the reason when the file cannot be opened (without the path, which
    // the caller's message names); script errors go to the result.
    // A file past kMaxScriptFileBytes is refused unread (a pipe or /dev/zero included).
    ScriptResult evaluateFile(const QString &path, QString *fileError);
    static constexpr qint64 kMaxScriptFileBytes = 16LL * 1024 * 1024;

    // Sets a global to a string without going through script source, so any text arrives intact.
    void setGlobalString(const QString &name, const QString &value);
    void setHexInput(const QString &digits) { setGlobalString(QStringLiteral("hexinput"), digits); }
    void setAscInput(const QString &typed) { setGlobalString(QStringLiteral("ascinput"), typed); }

    // "PrevCmd();" and `GetCmd("NAME");`
    ScriptResult prevCmd() { return evaluate(QStringLiteral("PrevCmd();")); }
    ScriptResult getCmd(const QString &name);

    int watchdogMs() const { return m_watchdogMs; }
    void setWatchdogMs(int ms);
    // How far the engine's address space may grow beyond its start (0: no limit of our own).
    static constexpr qint64 kDefaultMemoryLimitBytes = 512LL * 1024 * 1024;
    qint64 memoryLimitBytes() const { return m_memoryLimitBytes; }
    void setMemoryLimitBytes(qint64 bytes);

    // The engine process's peak resident size so far, for measuring.
    qint64 enginePeakResidentBytes() const { return m_process.peakResidentBytes(); }

private:
    QVector<ScriptResult> runOps(const QVector<ScriptOp> &ops, bool fromFile);
    ScriptResult resultOf(const ScriptOutcome &o) const;
    void remember(const ScriptOp &op, bool fromFile);

    ScriptProcess m_process;
    int m_watchdogMs;
    qint64 m_memoryLimitBytes = kDefaultMemoryLimitBytes;
    QVector<ScriptOp> m_pending;  // globals set since the last evaluation
    QVector<ScriptOp> m_journal;  // what a fresh engine replays
    QHash<QString, QString> m_globals;
    qint64 m_journalChars = 0;
};

// Text as a JavaScript string literal (double-quoted, escaped), for building calls safely.
QString JsStringLiteral(const QString &text);
