#include "script/script_child.h"

#include "platform/address_space.h"
#include "platform/child_process.h"
#include "platform/fatal_signals.h"
#include "platform/socket_io.h"
#include "script/script_runner.h"
#include "script/script_wire.h"

#include <QCoreApplication>

#include <cstdlib>
#include <exception>
#include <new>

using script_wire::Outcome;

namespace {
constexpr char kHostEnv[] = "DTU_SCRIPT_HOST_MEMORY";
constexpr int kFd = ChildProcess::kChildSocketFd;

// The last word before the host ends: why. Async-signal-safe.
[[noreturn]] void dying(Outcome why)
{
    const char note[] = {2, 0, 0, 0, script_wire::kDying, static_cast<char>(why)};
    WriteAll(kFd, note, sizeof note);
    std::_Exit(70);
}

void onFatalSignal(int, const void *faultAddress)
{
    // The engine's page allocator, refused memory, stops by writing to this address; any other
    // fault with the address space used up is the limit at work as well, not a crash.
    const bool refused = faultAddress == reinterpret_cast<const void *>(0xbbadbeef);
    dying(refused || AddressSpaceExhausted() ? Outcome::Memory : Outcome::Crash);
}

void onTerminate()
{
    Outcome why = Outcome::Crash;
    if (const std::exception_ptr e = std::current_exception()) {
        try {
            std::rethrow_exception(e);
        } catch (const std::bad_alloc &) {
            why = Outcome::Memory;
        } catch (...) {
        }
    }
    dying(why);
}

// Serves requests until the program closes its end. Returns the exit status.
int serve(qint64 memoryLimitBytes)
{
    static int argc = 1;
    static char name[] = "dtu-script-host";
    static char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    OnFatalSignal(onFatalSignal);
    std::set_terminate(onTerminate);
    ScriptRunner runner;
    // After the engine and its watchdog thread exist: what they reserve is not the script's.
    LimitAddressSpace(memoryLimitBytes);

    QByteArray buffer;
    for (;;) {
        char head[4];
        if (!ReadExactly(kFd, head, sizeof head))
            return 0;
        buffer = QByteArray(head, sizeof head);
        const quint32 length = static_cast<quint8>(head[0]) | static_cast<quint8>(head[1]) << 8 |
                               static_cast<quint8>(head[2]) << 16 | static_cast<quint32>(static_cast<quint8>(head[3])) << 24;
        if (length < 1 || length > script_wire::kMaxMessageBytes)
            return 2;
        buffer.resize(4 + length);
        if (!ReadExactly(kFd, buffer.data() + 4, length))
            return 0;
        char type = 0;
        QByteArray payload;
        if (script_wire::TakeMessage(&buffer, &type, &payload) != 1)
            return 2;
        script_wire::Fields in(payload);
        if (type == script_wire::kLimits) {
            qint32 ms = 0;
            if (!in.integer(&ms))
                return 2;
            runner.setTimeLimitMs(ms);
        } else if (type == script_wire::kSetGlobal) {
            QString key, value;
            if (!in.text(&key) || !in.text(&value))
                return 2;
            runner.setGlobalString(key, value);
        } else if (type == script_wire::kEvaluate) {
            QString program;
            if (!in.text(&program))
                return 2;
            const ScriptRunner::Result r = runner.evaluate(program);
            QByteArray reply;
            reply.append(static_cast<char>(r.outcome));
            script_wire::PutText(&reply, r.text);
            QByteArray message;
            script_wire::AppendMessage(&message, script_wire::kResult, reply);
            if (!WriteAll(kFd, message.constData(), static_cast<size_t>(message.size())))
                return 0;
        } else {
            return 2;
        }
    }
}

// Runs before main(): a program started as a script host serves and ends here.
__attribute__((constructor)) void serveIfScriptHost()
{
    if (!qEnvironmentVariableIsSet(kHostEnv))
        return;
    const qint64 bytes = qgetenv(kHostEnv).toLongLong();
    qunsetenv(kHostEnv);
    int status = 2;
    try {
        status = serve(bytes);
    } catch (const std::bad_alloc &) {
        dying(Outcome::Memory);
    } catch (...) {
        dying(Outcome::Crash);
    }
    std::_Exit(status);
}
} // namespace

QList<std::pair<QByteArray, QByteArray>> ScriptHostEnvironment(qint64 memoryLimitBytes)
{
    QList<std::pair<QByteArray, QByteArray>> env{{kHostEnv, QByteArray::number(memoryLimitBytes)}};
    if (!AddressSpaceLimitWorks()) {
        // The sanitizer's allocator refuses single blocks past the limit instead; the program
        // watches the rest from outside.
        QByteArray options = qgetenv("ASAN_OPTIONS");
        if (!options.isEmpty())
            options += ':';
        options += "allocator_may_return_null=1:detect_leaks=0:max_allocation_size_mb=" +
                   QByteArray::number(memoryLimitBytes / (1024 * 1024));
        env.append({"ASAN_OPTIONS", options});
    }
    return env;
}
