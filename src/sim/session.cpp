#include "sim/session.h"
#include "sim/device_model.h"
#include "sim/frame_log.h"
#include "sim/sim_options.h"

namespace {
constexpr int kQuietMs = 300;
constexpr int kStreamTickMs = 10;
constexpr qint64 kStreamBacklogLimit = 4096;
const QByteArray kAtOk("\r\nOK\r\n");
const QByteArray kSmsOk("\r\n+CMGS: 1\r\n\r\nOK\r\n");
} // namespace

Session::Session(SimContext ctx, Writer writer, Backlog backlog, bool anySet, QObject *parent)
    : QObject(parent), m_ctx(ctx), m_anySet(anySet), m_faults(ctx.options), m_out(std::move(writer), ctx.options.lineRate),
      m_backlog(std::move(backlog))
{
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(kQuietMs);
    connect(&m_quiet, &QTimer::timeout, this, [this] { process(true); });
    connect(&m_out, &OutputQueue::marked, this, [this] {
        if (m_hangupQueued)
            emit hangupDue();
        else if (m_vanishQueued)
            emit vanishDue();
    });
    m_streamTimer.setInterval(kStreamTickMs);
    m_streamTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_streamTimer, &QTimer::timeout, this, &Session::streamTick);
}

void Session::receive(const QByteArray &bytes)
{
    m_splitter.feed(bytes);
    process(false);
}

void Session::process(bool flushHeld)
{
    const auto pieces = m_splitter.take(flushHeld);
    for (const auto &piece : pieces) {
        if (piece.isFrame)
            onFrame(piece.bytes);
        else
            onLoose(piece.bytes);
    }
    if (m_splitter.holding())
        m_quiet.start();
    else
        m_quiet.stop();
}

void Session::onFrame(const QByteArray &frame)
{
    m_ctx.log.append(frame);
    if (m_hangupQueued || m_vanishQueued)
        return;
    answer(frame);
    if (m_ctx.options.swapAfter > 0 && ++m_swapFrames == m_ctx.options.swapAfter)
        m_ctx.model.swapUnit(m_ctx.options.swapPauseMs, m_ctx.options.swapSameIdentity, m_ctx.options.swapSameVersion);
    // Counted on arrival, so that a silenced frame makes the device vanish while the tool
    // still waits for its reply; an answered one goes out first.
    if (m_ctx.options.vanishAfter > 0 && ++m_frames >= m_ctx.options.vanishAfter && !m_hangupQueued) {
        m_vanishQueued = true;
        m_out.mark();
    }
}

void Session::answer(const QByteArray &frame)
{
    const auto request = ParseRequest(frame, m_ctx.options.prefix.size());
    if (!request)
        return;
    if (m_faults.silences(request->cmd))
        return;
    std::optional<QByteArray> reply;
    const bool paramWrite = (request->cmd >> 8) != 0xE0 && (request->cmd < simwords::kSockCreate || request->cmd > simwords::kSockClose);
    if (request->cmd == simwords::kGetParam && !m_ctx.options.omit.isEmpty()) {
        Request asked = *request;
        asked.payload.clear();
        for (int i = 0; i + 1 < request->payload.size(); i += 2) {
            const auto code = static_cast<uint16_t>(static_cast<uint8_t>(request->payload[i]) * 256 +
                                                    static_cast<uint8_t>(request->payload[i + 1]));
            if (!m_ctx.options.omit.contains(code))
                asked.payload.append(request->payload.mid(i, 2));
        }
        reply = m_ctx.model.handle(asked, m_anySet);
    } else if (m_faults.refuses(request->cmd))
        reply = AckFrame(false);
    else if (m_faults.misstores(request->cmd) && (request->cmd >> 8) != 0xE0) {
        Request altered = *request;
        altered.payload = FaultInjector::Misstore(request->payload);
        reply = m_ctx.model.handle(altered, m_anySet);
    } else
        reply = m_ctx.model.handle(*request, m_anySet);
    if (!reply)
        return;
    if (paramWrite && *reply == AckFrame(true))
        for (const uint16_t code : m_ctx.options.disturb.words)
            if (code != request->cmd && m_ctx.model.store().has(code))
                m_ctx.model.disturb(code, FaultInjector::Misstore(m_ctx.model.store().value(code)));
    sendReply(m_faults.apply(request->cmd, *reply));
    ++m_answered;
    if (m_ctx.options.hangupAfter > 0 && m_answered >= m_ctx.options.hangupAfter) {
        m_hangupQueued = true;
        m_out.mark();
    }
}

void Session::sendReply(const QByteArray &reply)
{
    const SimOptions &o = m_ctx.options;
    m_out.pause(o.delayMs);
    if (o.splitBytes > 0 && o.splitBytes < reply.size()) {
        m_out.data(reply.left(o.splitBytes));
        m_out.pause(o.splitMs);
        m_out.data(reply.mid(o.splitBytes));
    } else {
        m_out.data(reply);
    }
}

void Session::onLoose(const QByteArray &bytes)
{
    switch (m_ctx.model.workMode()) {
    case 0:
        m_out.data(bytes);   // transparent: the line loops back
        break;
    case 2:
        for (char c : bytes) {
            if (c == '\r') {
                m_atLine.clear();
                m_out.data(kAtOk);
            } else if (c == '\x1A') {
                m_atLine.clear();
                m_out.data(kSmsOk);
            } else {
                m_atLine.append(c);
            }
        }
        break;
    default:
        break;   // control mode: only frames count
    }
}

void Session::startStream()
{
    if (m_ctx.options.streamRate <= 0 || m_streamTimer.isActive())
        return;
    m_streamClock.start();
    m_streamLastNs = 0;
    m_streamTimer.start();
}

void Session::streamTick()
{
    const SimOptions &o = m_ctx.options;
    // In nanoseconds: whole milliseconds would drop up to one of every ten-millisecond tick and
    // stream about 10 % slower than the rate asked for.
    const qint64 nowNs = m_streamClock.nsecsElapsed();
    const double elapsed = static_cast<double>(nowNs - m_streamLastNs) / 1e6;
    m_streamLastNs = nowNs;
    if (o.streamBytes > 0 && m_streamSent >= o.streamBytes) {
        m_streamTimer.stop();
        return;
    }
    // Only in transparent mode, and never faster than the reader takes it.
    if (m_ctx.model.workMode() != 0 || m_out.pendingBytes() + m_backlog() > kStreamBacklogLimit) {
        m_streamCredit = 0;
        return;
    }
    m_streamCredit += elapsed * o.streamRate / 1000.0;
    qint64 n = static_cast<qint64>(m_streamCredit);
    if (o.streamBytes > 0)
        n = std::min(n, o.streamBytes - m_streamSent);
    if (n <= 0)
        return;
    QByteArray chunk;
    chunk.reserve(static_cast<int>(n));
    for (qint64 i = 0; i < n; ++i)
        chunk.append(static_cast<char>(0x20 + (m_streamSent + i) % 95));   // printable ASCII
    m_streamCredit -= static_cast<double>(n);
    m_streamSent += n;
    m_out.data(chunk);
}
