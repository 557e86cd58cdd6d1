#include "script/script_process.h"

#include "platform/process_memory.h"
#include "platform/socket_io.h"
#include "script/script_child.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <utility>

using script_wire::Outcome;

namespace {
struct ScriptProcessTexts {
    Q_DECLARE_TR_FUNCTIONS(ScriptProcessTexts)
};

// Past its time limit the host interrupts the script itself; a built-in that never looks at
// the interruption is ended from here this much later.
constexpr int kGraceMs = 500;
constexpr int kMemoryCheckMs = 20;

bool keepHostStderr()
{
    return qEnvironmentVariableIsSet("DTU_SCRIPT_HOST_STDERR");
}
} // namespace

void ScriptProcess::setLimits(int timeMs, qint64 memoryBytes)
{
    if (memoryBytes != m_memoryBytes)
        m_child.stop();  // the address space limit is set once, when the host starts
    m_timeMs = timeMs;
    m_memoryBytes = memoryBytes;
}

qint64 ScriptProcess::peakResidentBytes() const
{
    return m_child.running() ? PeakResidentBytes(m_child.pid()) : 0;
}

bool ScriptProcess::startHost(QString *error)
{
    QString why;
    if (m_child.start(ScriptHostEnvironment(m_memoryBytes), keepHostStderr(), &why))
        return true;
    *error = ScriptProcessTexts::tr("无法启动脚本进程：%1").arg(why);
    return false;
}

bool ScriptProcess::start(const QVector<ScriptOp> &setup, QString *error)
{
    if (!startHost(error))
        return false;
    m_startResident = 0;
    QVector<ScriptOutcome> ignored;
    Outcome ended;
    // The replay's results are not wanted: none is kept, and none counts against the run's.
    const qint64 kept = std::exchange(m_resultChars, script_wire::kMaxRunResultChars + 1);
    const int timeouts = std::exchange(m_timeouts, -setup.size());
    const bool replayed = setup.isEmpty() || exchange(setup, 0, &ignored, &ended);
    m_resultChars = kept;
    m_timeouts = timeouts;
    if (!replayed) {
        // What was loaded before no longer loads: go on with a bare host rather than none.
        if (!startHost(error))
            return false;
    }
    return true;
}

QVector<ScriptOutcome> ScriptProcess::run(const QVector<ScriptOp> &ops, const QVector<ScriptOp> &setup,
                                          QString *startError)
{
    QVector<ScriptOutcome> out;
    QVector<ScriptOp> pending = ops;
    m_resultChars = 0;
    m_timeouts = 0;
    while (!pending.isEmpty()) {
        if (!m_child.alive() && !start(setup, startError))
            return out;  // the evaluations not answered fail with the reason
        Outcome ended;
        const qsizetype before = out.size();
        if (exchange(pending, 0, &out, &ended))
            break;
        m_child.stop();
        // The evaluation after the last one answered is the one the host ended in. A fresh host
        // goes on after it, with the globals set before it set again.
        qsizetype answered = out.size() - before;
        QVector<ScriptOp> rest;
        qsizetype i = 0;
        for (; i < pending.size(); ++i) {
            if (pending[i].kind == ScriptOp::SetGlobal)
                rest.append(pending[i]);
            else if (answered-- == 0)
                break;
        }
        if (ended == Outcome::Skipped) {
            for (; i < pending.size(); ++i)
                if (pending[i].kind == ScriptOp::Evaluate)
                    out.append({Outcome::Skipped, QString()});
            break;
        }
        if (i < pending.size()) {
            out.append({ended, QString()});
            if (ended == Outcome::Time && ++m_timeouts >= script_wire::kMaxTimeoutsPerRun) {
                for (++i; i < pending.size(); ++i)
                    if (pending[i].kind == ScriptOp::Evaluate)
                        out.append({Outcome::Skipped, QString()});
                break;
            }
        }
        rest += pending.mid(i + 1);
        pending = i < pending.size() ? rest : QVector<ScriptOp>();
    }
    return out;
}

bool ScriptProcess::exchange(const QVector<ScriptOp> &ops, int from, QVector<ScriptOutcome> *out, Outcome *ended)
{
    QByteArray request;
    QByteArray limits;
    script_wire::PutInt(&limits, m_timeMs);
    script_wire::AppendMessage(&request, script_wire::kLimits, limits);
    int expected = 0;
    for (int i = from; i < ops.size(); ++i) {
        QByteArray payload;
        if (ops[i].kind == ScriptOp::SetGlobal) {
            script_wire::PutText(&payload, ops[i].name);
            script_wire::PutText(&payload, ops[i].text);
            script_wire::AppendMessage(&request, script_wire::kSetGlobal, payload);
        } else {
            script_wire::PutText(&payload, ops[i].text);
            script_wire::AppendMessage(&request, script_wire::kEvaluate, payload);
            ++expected;
        }
    }

    const int fd = m_child.socket();
    qsizetype written = 0;
    QByteArray in;
    int answered = 0;
    *ended = Outcome::Crash;
    bool dying = false;
    QElapsedTimer sinceAnswer;
    sinceAnswer.start();
    QElapsedTimer sinceMemoryCheck;
    sinceMemoryCheck.start();
    while (answered < expected || written < request.size()) {
        const qint64 left = m_timeMs + kGraceMs - sinceAnswer.elapsed();
        if (left <= 0) {
            *ended = Outcome::Time;
            return false;
        }
        bool readable = false, writable = false;
        if (!WaitReady(fd, written < request.size(), static_cast<int>(qMin<qint64>(left, kMemoryCheckMs)), &readable,
                       &writable))
            return false;
        if (sinceMemoryCheck.elapsed() >= kMemoryCheckMs) {
            // Where the address space cannot be limited (sanitizer builds) this is the bound;
            // elsewhere it is a second one.
            sinceMemoryCheck.restart();
            const qint64 resident = ResidentBytes(m_child.pid());
            if (m_startResident == 0)
                m_startResident = resident;
            else if (resident - m_startResident > m_memoryBytes) {
                *ended = Outcome::Memory;
                return false;
            }
        }
        if (writable && written < request.size()) {
            const qint64 n = SendSome(fd, request.constData() + written, request.size() - written);
            // A host that is gone: what it said last tells why.
            written = n < 0 ? request.size() : written + n;
        }
        if (readable) {
            char buf[65536];
            const qint64 n = ReceiveSome(fd, buf, sizeof buf);
            if (n < 0)
                return false;
            in.append(buf, n);
            char type = 0;
            QByteArray payload;
            int took = 0;
            while ((took = script_wire::TakeMessage(&in, &type, &payload)) == 1) {
                script_wire::Fields f(payload);
                quint8 outcome = 0;
                if (!f.byte(&outcome) || outcome > static_cast<quint8>(Outcome::TooLong))
                    return false;
                if (type == script_wire::kDying) {
                    *ended = static_cast<Outcome>(outcome);
                    dying = true;
                    continue;
                }
                ScriptOutcome o{static_cast<Outcome>(outcome), QString()};
                if (type != script_wire::kResult || !f.text(&o.text))
                    return false;
                m_resultChars += o.text.size();
                if (m_resultChars > script_wire::kMaxRunResultChars)
                    o = {Outcome::TooMuch, QString()};
                out->append(o);
                ++answered;
                sinceAnswer.restart();
                if (o.outcome == Outcome::Time && ++m_timeouts >= script_wire::kMaxTimeoutsPerRun && answered < expected) {
                    *ended = Outcome::Skipped;
                    return false;
                }
            }
            if (took < 0)
                return false;
        }
        if (dying)
            return false;
    }
    return true;
}
