#include "script/script_host.h"

#include <QFile>
#include <QJSEngine>
#include <QJSValue>
#include <QStringConverter>
#include <QStringList>
#include <QRegularExpression>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unistd.h>

#include "script/memory_guard.h"
#include "text/bounded_read.h"
#include "text/text_codec.h"
#include <QCoreApplication>

namespace {
struct ScriptTexts {
    Q_DECLARE_TR_FUNCTIONS(ScriptTexts)
};
} // namespace

namespace {
constexpr std::chrono::milliseconds kMemoryCheckPeriod(20);
} // namespace

// Interrupts the engine from its own thread when an evaluation overruns its deadline, or when
// the process has grown by more than the memory limit since the evaluation began (the engine
// has no heap limit of its own). Short evaluations end before the first check and cost nothing.
class ScriptWatchdog {
public:
    enum class Fired { No, Time, Memory };

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

    // `baseline` is the resident size read when the evaluation starts.
    void arm(int ms, qint64 memoryLimitBytes, qint64 baseline)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        m_memoryLimit = memoryLimitBytes;
        m_baseline = baseline;
        m_armed = true;
        m_fired = Fired::No;
        m_cv.notify_all();
    }
    // Why the watchdog interrupted the evaluation that just ended, if it did.
    Fired disarm()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_armed = false;
        m_cv.notify_all();
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
            const auto next = std::min(m_deadline, std::chrono::steady_clock::now() + kMemoryCheckPeriod);
            if (m_cv.wait_until(lock, next) != std::cv_status::timeout || !m_armed || m_quit)
                continue;
            if (std::chrono::steady_clock::now() >= m_deadline) {
                fire(Fired::Time);
                continue;
            }
            if (m_memoryLimit <= 0)
                continue;
            if (m_baseline > 0 && ResidentBytes() - m_baseline > m_memoryLimit)
                fire(Fired::Memory);
        }
    }

    void fire(Fired why)
    {
        m_engine->setInterrupted(true);
        m_fired = why;
        m_armed = false;
    }

    QJSEngine *m_engine;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_quit = false;
    bool m_armed = false;
    Fired m_fired = Fired::No;
    qint64 m_memoryLimit = 0;
    qint64 m_baseline = 0;
    std::chrono::steady_clock::time_point m_deadline;
    std::thread m_thread;
};

ScriptHost::ScriptHost(int watchdogMs)
    : m_engine(std::make_unique<QJSEngine>()), m_watchdogMs(watchdogMs)
{
    // No extensions are installed: profile expressions get plain ECMAScript and nothing else.
    m_watchdog = std::make_unique<ScriptWatchdog>(m_engine.get());
    m_guard = std::make_unique<ScriptMemoryGuard>(*m_engine);
}

ScriptHost::~ScriptHost()
{
    m_watchdog.reset();
}

void ScriptHost::arm()
{
    m_guard->begin(m_memoryLimitBytes);
    m_watchdog->arm(m_watchdogMs, m_memoryLimitBytes, m_guard->baseline());
}

namespace {
// A call such as GetU16() or Fmt(hexinput, 2): text whose value a compiled function gives
// exactly as evaluating the text would. Anything else is evaluated as written.
bool isCachableCall(const QString &p)
{
    static const QRegularExpression call(QStringLiteral(R"(^\s*[A-Za-z_$][\w$.]*\s*\([^;{}]*\)\s*$)"));
    static const QRegularExpression keyword(QStringLiteral(
        R"(^\s*(if|while|for|switch|with|function|class|return|throw|typeof|void|delete|new|await|yield|let|var|const|catch|do|else|try)\b)"));
    if (p.size() > 512 || !call.match(p).hasMatch() || keyword.match(p).hasMatch())
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

QString errorText(const QJSValue &v)
{
    QString message = v.isError() ? v.property(QStringLiteral("message")).toString() : v.toString();
    if (v.isError()) {
        const QString name = v.property(QStringLiteral("name")).toString();
        if (!name.isEmpty())
            message = name + QStringLiteral(": ") + message;
    }
    return message.isEmpty() ? QStringLiteral("script error") : message;
}

ScriptResult valueResult(const QJSValue &v)
{
    ScriptResult r;
    if (!v.isUndefined() && !v.isNull())
        r.text = v.toString();
    return r;
}
} // namespace

ScriptResult ScriptHost::evaluate(const QString &program)
{
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
            arm();
            const QJSValue box = it->call();
            if (const ScriptResult *stopped = checkInterrupted())
                return *stopped;
            if (box.isError())
                return ScriptResult::failure(errorText(box));
            if (box.hasOwnProperty(QStringLiteral("e")))
                return ScriptResult::failure(errorText(box.property(QStringLiteral("e"))));
            return valueResult(box.property(QStringLiteral("v")));
        }
    }

    QStringList trace;
    arm();
    const QJSValue v = m_engine->evaluate(program, QString(), 1, &trace);
    if (const ScriptResult *stopped = checkInterrupted())
        return *stopped;
    // A thrown plain value (throw "x") is not an Error object: the trace tells it was thrown.
    if (v.isError() || !trace.isEmpty())
        return ScriptResult::failure(errorText(v));
    return valueResult(v);
}

const ScriptResult *ScriptHost::checkInterrupted()
{
    const ScriptWatchdog::Fired fired = m_watchdog->disarm();
    if (fired == ScriptWatchdog::Fired::No && !m_engine->isInterrupted())
        return nullptr;
    m_engine->setInterrupted(false);
    if (fired == ScriptWatchdog::Fired::Memory || m_guard->tripped()) {
        // What the stopped script built is garbage now (unless it kept it in a global).
        m_engine->collectGarbage();
        m_interruptResult = ScriptResult::failure(
            ScriptTexts::tr("脚本占用内存超过 %1 MB，已被中止").arg(m_memoryLimitBytes / (1024 * 1024)));
    } else {
        m_interruptResult = ScriptResult::failure(ScriptTexts::tr("脚本运行超过 %1 毫秒，已被中止").arg(m_watchdogMs));
    }
    return &m_interruptResult;
}

ScriptResult ScriptHost::evaluateFile(const QString &path, QString *fileError)
{
    QByteArray bytes;
    QString why;
    const BoundedRead read = ReadFileBounded(path, kMaxScriptFileBytes, &bytes, &why);
    if (read == BoundedRead::TooLarge)
        why = ScriptTexts::tr("文件过大，脚本不能超过 %1 MB").arg(kMaxScriptFileBytes / (1024 * 1024));
    if (read != BoundedRead::Ok) {
        if (fileError)
            *fileError = why;  // the reason alone: the caller names the file once
        return ScriptResult::failure(why);
    }
    return evaluate(DecodeText(bytes).text);
}

void ScriptHost::setGlobalString(const QString &name, const QString &value)
{
    m_engine->globalObject().setProperty(name, QJSValue(value));
}

ScriptResult ScriptHost::getCmd(const QString &name)
{
    return evaluate(QStringLiteral("GetCmd(%1);").arg(JsStringLiteral(name)));
}

QString JsStringLiteral(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out.append(QLatin1Char('"'));
    for (QChar c : text) {
        switch (c.unicode()) {
        case '"': out.append(QStringLiteral("\\\"")); break;
        case '\\': out.append(QStringLiteral("\\\\")); break;
        case '\n': out.append(QStringLiteral("\\n")); break;
        case '\r': out.append(QStringLiteral("\\r")); break;
        case 0x2028: out.append(QStringLiteral("\\u2028")); break;
        case 0x2029: out.append(QStringLiteral("\\u2029")); break;
        default:
            if (c.unicode() < 0x20)
                out.append(QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0')));
            else
                out.append(c);
        }
    }
    out.append(QLatin1Char('"'));
    return out;
}
