#pragma once
// Bounds on what one script evaluation may allocate. The engine has no heap limit of its own,
// and the watchdog's periodic reading comes too late for a built-in that allocates a gigabyte
// in one step, so those built-ins are wrapped inside the sandbox to ask before they allocate.
#include <QObject>
#include <atomic>

class QJSEngine;

// Resident memory of the process, from the kernel's own count; 0 when it cannot be read.
// Cheap enough to call at the start of every evaluation.
qint64 ResidentBytes();

class ScriptMemoryGuard : public QObject {
    Q_OBJECT
public:
    explicit ScriptMemoryGuard(QJSEngine &engine);

    // Starts one evaluation's budget: growth is counted from now.
    void begin(qint64 limitBytes);
    qint64 baseline() const { return m_baseline; }
    // True when a guarded built-in was refused since begin(); the engine was interrupted then.
    bool tripped() const { return m_tripped; }

    // Called by the wrapped built-ins with the bytes they are about to allocate.
    Q_INVOKABLE bool allows(double bytes);

private:
    QJSEngine &m_engine;
    qint64 m_limit = 0;
    qint64 m_baseline = 0;
    bool m_tripped = false;
};
