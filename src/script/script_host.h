#pragma once
// The one JavaScript engine of the program: a persistent global scope, evaluation to text,
// errors (thrown Error objects and thrown plain values alike) returned as values, and a
// watchdog that interrupts a script running longer than the limit or growing the process by
// more than its memory limit.
#include <QHash>
#include <QJSValue>
#include <QString>
#include <memory>

class QJSEngine;
class ScriptWatchdog;
class ScriptMemoryGuard;

struct ScriptResult {
    bool ok = true;
    QString text;   // result converted to text; undefined and null give the empty text
    QString error;  // the error's message when !ok

    static ScriptResult failure(const QString &message) { return {false, QString(), message}; }
};

class ScriptHost {
public:
    explicit ScriptHost(int watchdogMs = 3000);
    ~ScriptHost();
    ScriptHost(const ScriptHost &) = delete;
    ScriptHost &operator=(const ScriptHost &) = delete;

    // Evaluates a program (statement or expression) in the persistent global scope.
    ScriptResult evaluate(const QString &program);

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
    void setWatchdogMs(int ms) { m_watchdogMs = ms; }
    // How much the process may grow during one evaluation before it is stopped (0: no limit).
    static constexpr qint64 kDefaultMemoryLimitBytes = 256LL * 1024 * 1024;
    qint64 memoryLimitBytes() const { return m_memoryLimitBytes; }
    void setMemoryLimitBytes(qint64 bytes) { m_memoryLimitBytes = bytes; }

private:
    // Starts one evaluation's time and memory budget.
    void arm();
    // Disarms the watchdog; the failure to return when it stopped the evaluation.
    const ScriptResult *checkInterrupted();

    std::unique_ptr<QJSEngine> m_engine;
    std::unique_ptr<ScriptWatchdog> m_watchdog;
    std::unique_ptr<ScriptMemoryGuard> m_guard;
    int m_watchdogMs;
    qint64 m_memoryLimitBytes = kDefaultMemoryLimitBytes;
    QHash<QString, QJSValue> m_calls;
    ScriptResult m_interruptResult;
};

// Text as a JavaScript string literal (double-quoted, escaped), for building calls safely.
QString JsStringLiteral(const QString &text);
