#include "script/script_runner.h"

#include <QJSEngine>
#include <QRegularExpression>
#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using script_wire::Outcome;

// Interrupts the engine from its own thread when an evaluation overruns its deadline. A
// built-in stuck in native code never sees the interruption: the program ends the whole host
// process for that.
class ScriptWatchdog {
public:
    explicit ScriptWatchdog(QJSEngine *engine) : m_engine(engine), m_thread([this] { run(); }) {}
    ~ScriptWatchdog()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_quit = true;
        }
        m_cv.notify_all();
        m_thread.join();
    }

    void arm(int ms)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        m_armed = true;
        m_fired = false;
        m_cv.notify_all();
    }
    // Whether the watchdog interrupted the evaluation that just ended.
    bool disarm()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_armed = false;
        return m_fired;
    }

private:
    void run()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_quit) {
            if (!m_armed) {
                m_cv.wait(lock);
                continue;
            }
            if (m_cv.wait_until(lock, m_deadline) == std::cv_status::timeout && m_armed && !m_quit) {
                m_engine->setInterrupted(true);
                m_fired = true;
                m_armed = false;
            }
        }
    }

    QJSEngine *m_engine;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_quit = false;
    bool m_armed = false;
    bool m_fired = false;
    std::chrono::steady_clock::time_point m_deadline;
    std::thread m_thread;
};

namespace {
// A call such as GetU16() or Fmt(hexinput, 2): text whose value a compiled function gives
// exactly as evaluating the text would. Anything else is evaluated as written.
bool isCachableCall(const QString &p)
{
    static const QRegularExpression call(QStringLiteral(R"(^\s*[A-Za-z_$][\w$.]*\s*\([^;{}]*\)\s*$)"));
    static const QRegularExpression keyword(QStringLiteral(
        R"(^\s*(if|while|for|switch|with|function|class|return|throw|typeof|void|delete|new|await|yield|let|var|const|catch|do|else|try)\b)"));
    // Inside a function these mean something else: eval would declare its variables there.
    static const QRegularExpression scoped(QStringLiteral(R"(\b(eval|arguments)\b|new\s*\.\s*target)"));
    if (p.size() > 512 || !call.match(p).hasMatch() || keyword.match(p).hasMatch() || scoped.match(p).hasMatch())
        return false;
    // Parentheses balanced outside string literals, never closing one that was not opened.
    int depth = 0;
    QChar quote;
    bool escaped = false;
    for (QChar c : p) {
        if (!quote.isNull()) {
            if (escaped)
                escaped = false;
            else if (c == QLatin1Char('\\'))
                escaped = true;
            else if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == QLatin1Char('"') || c == QLatin1Char('\'') || c == QLatin1Char('`'))
            quote = c;
        else if (c == QLatin1Char('(') || c == QLatin1Char('['))
            ++depth;
        else if ((c == QLatin1Char(')') || c == QLatin1Char(']')) && --depth < 0)
            return false;
    }
    return depth == 0 && quote.isNull();
}

ScriptRunner::Result failure(const QJSValue &v)
{
    // The engine's own refusal of a block past the address space limit is that limit at work.
    if (v.isError() && v.property(QStringLiteral("name")).toString() == QLatin1String("RangeError")
        && v.property(QStringLiteral("message")).toString().endsWith(QLatin1String("out of memory")))
        return {Outcome::Memory, QString()};
    QString message = v.isError() ? v.property(QStringLiteral("message")).toString() : v.toString();
    if (v.isError()) {
        const QString name = v.property(QStringLiteral("name")).toString();
        if (!name.isEmpty())
            message = name + QStringLiteral(": ") + message;
    }
    return {Outcome::Error, message.isEmpty() ? QStringLiteral("script error") : message};
}

ScriptRunner::Result success(const QJSValue &v)
{
    ScriptRunner::Result r;
    if (!v.isUndefined() && !v.isNull())
        r.text = v.toString();
    if (r.text.size() > script_wire::kMaxResultChars)
        return {Outcome::TooLong, QString()};
    return r;
}
} // namespace

namespace {
// The engine builds typed arrays from array-likes only: an iterable (a Set, a generator,
// map.keys()) gave an empty array. Its constructors are wrapped so iterables are spread first;
// subclasses, instanceof, the static methods and .constructor keep working.
const char kTypedArraysFromIterables[] = R"JS(
(function (g) {
    ['Int8Array', 'Uint8Array', 'Uint8ClampedArray', 'Int16Array', 'Uint16Array', 'Int32Array',
     'Uint32Array', 'Float32Array', 'Float64Array'].forEach(function (name) {
        var T = g[name];
        var wrapped = function () {
            if (new.target === undefined)
                throw new TypeError(name + ' must be called with new');
            var args = Array.prototype.slice.call(arguments);
            var a = args[0];
            if (a !== null && typeof a === 'object' && !(a instanceof ArrayBuffer) && !ArrayBuffer.isView(a)
                && !Array.isArray(a) && typeof a[Symbol.iterator] === 'function')
                args[0] = Array.from(a);
            return Reflect.construct(T, args, new.target === wrapped ? T : new.target);
        };
        Object.setPrototypeOf(wrapped, T);
        Object.defineProperty(wrapped, 'prototype', { value: T.prototype });
        Object.defineProperty(wrapped, 'name', { value: name });
        Object.defineProperty(wrapped, 'length', { value: 3 });
        Object.defineProperty(T.prototype, 'constructor', { value: wrapped, writable: true, configurable: true });
        Object.defineProperty(g, name, { value: wrapped, writable: true, configurable: true, enumerable: false });
    });
})(this);
)JS";
} // namespace

ScriptRunner::ScriptRunner() : m_engine(std::make_unique<QJSEngine>())
{
    // No extensions are installed: profile expressions get plain ECMAScript and nothing else.
    m_engine->evaluate(QString::fromLatin1(kTypedArraysFromIterables));
    // QJSValue::toString() hands back the message of an exception the conversion throws as if
    // it were the text; String is taken now, before a script can replace it.
    m_toText = m_engine->evaluate(QStringLiteral(
        "(function (S) { return function (v) { try { return {s: S(v)}; } catch (e) { return {e: e}; } }; })(String)"));
    m_watchdog = std::make_unique<ScriptWatchdog>(m_engine.get());
}

ScriptRunner::~ScriptRunner()
{
    m_watchdog.reset();
}

ScriptRunner::Result ScriptRunner::evaluate(const QString &program)
{
    const auto stopped = [this]() {
        const bool fired = m_watchdog->disarm();
        if (!fired && !m_engine->isInterrupted())
            return false;
        m_engine->setInterrupted(false);
        return true;
    };
    // Compiling the same profile expression for every row dominates loading a large profile:
    // calls are compiled once into a function that reports a throw instead of raising it.
    if (isCachableCall(program)) {
        auto it = m_calls.find(program);
        if (it == m_calls.end()) {
            if (m_calls.size() >= 4096)
                m_calls.clear();
            QStringList trace;
            const QJSValue fn = m_engine->evaluate(
                QStringLiteral("(function(){try{return {v:(") + program +
                    QStringLiteral("\n)};}catch(e){return {e:e};}})"),
                QString(), 1, &trace);
            it = m_calls.insert(program, fn.isCallable() && trace.isEmpty() ? fn : QJSValue());
        }
        if (it->isCallable()) {
            // Turning the value into text runs script code too (toString, getters): watched as well.
            m_watchdog->arm(m_timeLimitMs);
            const QJSValue box = it->call();
            const Result r = box.isError() ? failure(box)
                             : box.hasOwnProperty(QStringLiteral("e")) ? failure(box.property(QStringLiteral("e")))
                                                                      : text(box.property(QStringLiteral("v")));
            if (stopped())
                return {Outcome::Time, QString()};
            return r;
        }
    }

    QStringList trace;
    m_watchdog->arm(m_timeLimitMs);
    const QJSValue v = m_engine->evaluate(program, QString(), 1, &trace);
    // A thrown plain value (throw "x") is not an Error object: the trace tells it was thrown.
    const Result r = v.isError() || !trace.isEmpty() ? failure(v) : text(v);
    if (stopped())
        return {Outcome::Time, QString()};
    return r;
}

ScriptRunner::Result ScriptRunner::text(const QJSValue &v)
{
    if (!v.isObject())
        return success(v);
    const QJSValue box = m_toText.call({v});
    if (box.isError())
        return failure(box);
    if (box.hasOwnProperty(QStringLiteral("e")))
        return failure(box.property(QStringLiteral("e")));
    return success(box.property(QStringLiteral("s")));
}

void ScriptRunner::setGlobalString(const QString &name, const QString &value)
{
    m_engine->globalObject().setProperty(name, QJSValue(value));
}
