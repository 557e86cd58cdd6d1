#include "protocol/exchange_engine.h"

#include "link/channel.h"
#include "link/data_link.h"
#include "link/receive_poll.h"
#include "text/hex.h"
#include "script/script_host.h"
#include "state/app_state.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <QCoreApplication>

namespace {
struct ExchangeTexts {
    Q_DECLARE_TR_FUNCTIONS(ExchangeTexts)
};
} // namespace

namespace {
constexpr int kFirstBytePollMs = 100;
constexpr int kGatherPollMs = 10;
constexpr int kMaxIdleReads = 40;  // the reply ends on the 41st empty read in a row
constexpr int kMaxPrefixPlusPayload = 65531;  // LEN must fit 16 bits
} // namespace

ExchangeEngine::ExchangeEngine(AppState &state, DataLink &link, ScriptHost &script, ReceivePoll *poll,
                               QObject *parent)
    : QObject(parent), m_state(state), m_link(link), m_script(script), m_poll(poll)
{
}

std::optional<uint16_t> ExchangeEngine::CmdWordOf(const QString &name, QString *error)
{
    const ScriptResult r = m_script.getCmd(name);
    if (!r.ok) {
        if (error)
            *error = r.error;
        return std::nullopt;
    }
    // Characters after the fourth are ignored; short texts give short (or empty) pairs.
    const int high = HexToInt(r.text.mid(0, 2)) & 0xFF;
    const int low = HexToInt(r.text.mid(2, 2)) & 0xFF;
    return static_cast<uint16_t>(high * 256 + low);
}

std::optional<QByteArray> ExchangeEngine::BuildFrame(uint16_t cmd, const QByteArray &payload, QString *error)
{
    const ScriptResult r = m_script.prevCmd();
    if (!r.ok) {
        if (error)
            *error = r.error;
        return std::nullopt;
    }
    const QByteArray prefix = HexTextToBytes(r.text);
    if (prefix.size() + payload.size() > kMaxPrefixPlusPayload) {
        if (error)
            *error = ExchangeTexts::tr("数据过长，无法组帧");
        return std::nullopt;
    }
    m_state.LastPrefix = prefix;
    const QByteArray f = frame::Build(prefix, cmd, payload);
    if (m_state.PrivilegeLevel == 1)
        m_state.log(ExchangeTexts::tr("下行：") + HexDump(f));
    return f;
}

bool ExchangeEngine::SendLogged(const QByteArray &bytes, QString *error)
{
    if (!m_link.ChannelSend(bytes, error))
        return false;
    if (m_state.PrivilegeLevel == 1)
        m_state.log(ExchangeTexts::tr("下行：") + HexDump(bytes));
    return true;
}

ResultCode ExchangeEngine::SendFrame(uint16_t cmd, const QByteArray &payload, QString *error)
{
    const std::optional<QByteArray> f = BuildFrame(cmd, payload, error);
    if (!f)
        return rcNotSent;
    if (!m_link.ChannelSend(*f, error))
        return rcNotSent;
    return rcOk;
}

void ExchangeEngine::reportBusy()
{
    m_state.log(BusyText());
    emit refused(BusyText());
}

void ExchangeEngine::setBusy(bool b)
{
    if (m_busy == b)
        return;
    m_busy = b;
    emit busyChanged(b);
}

void ExchangeEngine::pump(int ms, Channel *channel)
{
    if (m_state.CloseRequested)
        return;
    if (channel && channel->bytesAvailable() > 0)
        return;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&m_state, &AppState::closeRequested, &loop, &QEventLoop::quit);
    if (channel)
        connect(channel, &Channel::dataArrived, &loop, &QEventLoop::quit);
    timer.start(ms);
    loop.exec();
}

bool ExchangeEngine::completeFrame(const QByteArray &bytes) const
{
    return frame::FindCompleteFrame(bytes) >= 0;
}

QByteArray ExchangeEngine::ReceiveReply(int timeoutMs, ReplyKind kind)
{
    // A wait started from inside another wait would take the first one's reply.
    if (m_receiving)
        return {};
    m_receiving = true;
    const bool ownBusy = !m_busy;
    if (ownBusy)
        setBusy(true);
    if (m_poll)
        m_poll->hold();

    QByteArray reply;
    bool readFailed = false;
    // Fast replies wake on arriving bytes instead of sleeping whole poll steps; the time-out
    // and the silence fallback stay those of the strict rule.
    const bool fast = kind == ReplyKind::Framed && m_state.FastReplies;
    const int polls = std::max(0, timeoutMs / kFirstBytePollMs);
    const qint64 firstByteLimitMs = qint64(polls) * kFirstBytePollMs;
    // The wait watches the channel it began on, and only that one: a port that vanished and came
    // back (or a TCP link made anew) is a new conversation, so the wait ends with what it had,
    // as it does on the failure itself; the other channel coming and going changes nothing.
    // A peer that answers and then closes: its last bytes are still buffered on the channel.
    const QPointer<Channel> waitOn = m_link.active();
    const quint64 generation = m_link.generationOf(waitOn.data());
    const auto linkFailed = [&](const QString &error) {
        return !error.isEmpty() || !waitOn || !waitOn->isOpen() || waitOn->hasFatalError() ||
               m_link.generationOf(waitOn.data()) != generation;
    };
    // Never more than the cap allows: what is beyond stays for the receive poll.
    const auto read = [&](QString *error) {
        if (!waitOn)
            return QByteArray();
        const QByteArray bytes = waitOn->takeAvailable(kMaxReplyBytes - reply.size());
        if (waitOn->hasFatalError())
            *error = waitOn->errorString();
        return bytes;
    };
    QElapsedTimer waited;
    waited.start();
    for (int i = 0; (fast ? firstByteLimitMs > 0 : i < polls) && !m_state.CloseRequested; ++i) {
        QString error;
        reply = read(&error);
        // A channel that failed or closed (device vanished, TCP dropped) will bring nothing more.
        if (linkFailed(error))
            readFailed = true;
        if (!reply.isEmpty() || readFailed)
            break;
        if (!fast) {
            pump(kFirstBytePollMs);
            continue;
        }
        const qint64 left = firstByteLimitMs - waited.elapsed();
        if (left <= 0)
            break;
        pump(static_cast<int>(std::min<qint64>(left, kFirstBytePollMs)), waitOn);
    }

    if (!reply.isEmpty() && !readFailed && reply.size() < kMaxReplyBytes) {
        // Three character times at the line rate, but never under 5 ms.
        const qint64 quietMs = std::max<qint64>(5, m_lineRate > 0 ? (3000 + m_lineRate - 1) / m_lineRate : 5);
        const qint64 strictSilenceMs = (kMaxIdleReads + 1) * kGatherPollMs;
        QElapsedTimer sinceLast;
        sinceLast.start();
        bool complete = fast && completeFrame(reply);
        int idle = 0;
        while (!m_state.CloseRequested) {
            if (fast) {
                const qint64 wait = (complete ? quietMs : strictSilenceMs) - sinceLast.elapsed();
                if (wait <= 0)
                    break;
                pump(static_cast<int>(wait), waitOn);
            } else {
                pump(kGatherPollMs);
            }
            if (m_state.CloseRequested)
                break;
            QString error;
            const QByteArray more = read(&error);
            if (!more.isEmpty()) {
                reply.append(more);
                idle = 0;
                sinceLast.restart();
                if (fast)
                    complete = completeFrame(reply);
            } else if (!fast && ++idle > kMaxIdleReads) {
                break;
            }
            if (linkFailed(error) || reply.size() >= kMaxReplyBytes)
                break;
        }
    }

    if (!reply.isEmpty()) {
        emit replyReceived(reply);
        if (m_state.PrivilegeLevel == 1)
            m_state.log(ExchangeTexts::tr("上行：") + HexDump(reply));
    }
    // On again at the end, also when the wait began before the poll was first enabled.
    if (m_poll) {
        m_poll->release();
        m_poll->start();
    }
    if (ownBusy)
        setBusy(false);
    m_receiving = false;
    return reply;
}

ResultCode ExchangeEngine::AwaitAck()
{
    return frame::CheckAck(ReceiveReply(3000, ReplyKind::Framed));
}

ResultCode ExchangeEngine::AwaitAckQuick()
{
    return frame::CheckAck(ReceiveReply(500, ReplyKind::Framed));
}

frame::ByteReply ExchangeEngine::AwaitByteReply(uint16_t expectedCmd, int timeoutMs)
{
    return frame::CheckByteReply(ReceiveReply(timeoutMs, ReplyKind::Framed), expectedCmd);
}

std::optional<QByteArray> ExchangeEngine::AwaitTextReply()
{
    return frame::CheckTextReply(ReceiveReply(4000, ReplyKind::Framed));
}
