#include "script/script_host.h"

#include "text/bounded_read.h"
#include "text/text_codec.h"

#include <QCoreApplication>

using script_wire::Outcome;

namespace {
struct ScriptTexts {
    Q_DECLARE_TR_FUNCTIONS(ScriptTexts)
};

// A fresh engine replays what scripts defined before; past this much, only script files are
// kept (expressions evaluated by the thousand are rarely definitions).
constexpr qint64 kJournalChars = 4LL * 1024 * 1024;
constexpr int kJournalOps = 512;
} // namespace

ScriptHost::ScriptHost(int watchdogMs) : m_watchdogMs(watchdogMs)
{
    m_process.setLimits(m_watchdogMs, m_memoryLimitBytes);
}

void ScriptHost::setWatchdogMs(int ms)
{
    m_watchdogMs = ms;
    m_process.setLimits(m_watchdogMs, m_memoryLimitBytes);
}

void ScriptHost::setMemoryLimitBytes(qint64 bytes)
{
    m_memoryLimitBytes = bytes;
    m_process.setLimits(m_watchdogMs, m_memoryLimitBytes);
}

ScriptResult ScriptHost::resultOf(const ScriptOutcome &o) const
{
    switch (o.outcome) {
    case Outcome::Ok:
        return {true, o.text, QString()};
    case Outcome::Error:
        return ScriptResult::failure(o.text);
    case Outcome::Time:
        return ScriptResult::failure(ScriptTexts::tr("脚本运行超过 %1 毫秒，已被中止").arg(m_watchdogMs));
    case Outcome::Memory:
        return ScriptResult::failure(
            ScriptTexts::tr("脚本占用内存超过 %1 MB，已被中止").arg(m_memoryLimitBytes / (1024 * 1024)));
    case Outcome::TooLong:
        return ScriptResult::failure(
            ScriptTexts::tr("脚本结果超过 %1 个字符，未被采用").arg(script_wire::kMaxResultChars));
    case Outcome::TooMuch:
        return ScriptResult::failure(
            ScriptTexts::tr("脚本结果合计超过 %1 个字符，其余结果未被采用").arg(script_wire::kMaxRunResultChars));
    case Outcome::Skipped:
        return ScriptResult::failure(
            ScriptTexts::tr("本次已有 %1 项脚本运行超时，其余脚本未运行").arg(script_wire::kMaxTimeoutsPerRun));
    case Outcome::Crash:
        break;
    }
    return ScriptResult::failure(ScriptTexts::tr("脚本运行时崩溃，已被中止"));
}

void ScriptHost::remember(const ScriptOp &op, bool fromFile)
{
    if (op.kind == ScriptOp::SetGlobal) {
        m_globals.insert(op.name, op.text);  // replayed with its last value, not in the journal
        return;
    }
    if (!fromFile && (m_journal.size() >= kJournalOps || m_journalChars + op.text.size() > kJournalChars))
        return;
    m_journal.append(op);
    m_journalChars += op.name.size() + op.text.size();
}

QVector<ScriptResult> ScriptHost::runOps(const QVector<ScriptOp> &batch, bool fromFile)
{
    QVector<ScriptOp> ops = std::move(m_pending);
    m_pending.clear();
    ops += batch;
    // What a fresh engine starts from: the globals as they stand now, the journal, and the
    // globals again (a replayed script may have changed them).
    QVector<ScriptOp> globals;
    for (auto it = m_globals.cbegin(); it != m_globals.cend(); ++it)
        globals.append({ScriptOp::SetGlobal, it.key(), it.value()});
    const QVector<ScriptOp> setup = globals + m_journal + globals;

    QString startError;
    const QVector<ScriptOutcome> outcomes = m_process.run(ops, setup, &startError);
    QVector<ScriptResult> results;
    int k = 0;
    for (const ScriptOp &op : ops) {
        if (op.kind == ScriptOp::SetGlobal) {
            remember(op, fromFile);
            continue;
        }
        if (k >= outcomes.size()) {
            results.append(ScriptResult::failure(startError.isEmpty() ? resultOf({Outcome::Crash, {}}).error : startError));
            continue;
        }
        const ScriptOutcome &o = outcomes[k++];
        if (o.outcome == Outcome::Ok)
            remember(op, fromFile);
        results.append(resultOf(o));
    }
    return results;
}

ScriptResult ScriptHost::evaluate(const QString &program)
{
    return runOps({{ScriptOp::Evaluate, QString(), program}}, false).value(0);
}

QVector<ScriptResult> ScriptHost::run(const ScriptBatch &batch)
{
    return runOps(batch.ops(), false);
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
    return runOps({{ScriptOp::Evaluate, QString(), DecodeText(bytes).text}}, true).value(0);
}

void ScriptHost::setGlobalString(const QString &name, const QString &value)
{
    // Sent with the next evaluation: setting a global costs no round trip of its own.
    for (ScriptOp &op : m_pending) {
        if (op.name == name) {
            op.text = value;
            return;
        }
    }
    m_pending.append({ScriptOp::SetGlobal, name, value});
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
