#include "sim/output_queue.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kMinTickMs = 1;
}

OutputQueue::OutputQueue(Writer writer, int lineRate, QObject *parent)
    : QObject(parent), m_write(std::move(writer)), m_lineRate(lineRate)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_pausing = false;
        pump();
    });
}

void OutputQueue::pause(int ms)
{
    if (ms <= 0)
        return;
    m_items.enqueue(Item{Item::Pause, ms, {}});
    pump();
}

void OutputQueue::data(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    m_items.enqueue(Item{Item::Data, 0, bytes});
    m_pendingBytes += bytes.size();
    pump();
}

void OutputQueue::mark()
{
    m_items.enqueue(Item{Item::Mark, 0, {}});
    pump();
}

void OutputQueue::pump()
{
    if (m_timer.isActive())
        return;
    while (!m_items.isEmpty()) {
        Item &item = m_items.head();
        if (item.kind == Item::Mark) {
            m_items.dequeue();
            emit marked();
            continue;
        }
        if (item.kind == Item::Pause) {
            if (m_pausing)
                return;
            m_pausing = true;
            const int ms = item.ms;
            m_items.dequeue();
            m_timer.start(ms);
            return;
        }
        if (m_lineRate <= 0) {
            const QByteArray bytes = item.bytes;
            m_items.dequeue();
            m_pendingBytes -= bytes.size();
            m_write(bytes);
            continue;
        }
        // Paced: send what the elapsed time allows, then come back on the next tick.
        if (!m_clock.isValid()) {
            m_clock.start();
            m_allowance = 1;   // the first byte leaves at once
        } else {
            // Nanoseconds: whole milliseconds would drop up to one tick's worth of bytes each time.
            const qint64 ns = m_clock.nsecsElapsed();
            m_clock.start();
            m_allowance += static_cast<double>(ns) * m_lineRate / 1e9;
        }
        const int n = std::min<qint64>(item.bytes.size(), static_cast<qint64>(m_allowance));
        if (n > 0) {
            m_write(item.bytes.left(n));
            item.bytes.remove(0, n);
            m_pendingBytes -= n;
            m_allowance -= n;
        }
        if (item.bytes.isEmpty()) {
            m_items.dequeue();
            continue;
        }
        // Back when the next byte is due, so a short reply ends near its wire time.
        const double dueMs = (1.0 - m_allowance) * 1000.0 / m_lineRate;
        m_timer.start(std::max(kMinTickMs, static_cast<int>(std::ceil(dueMs))));
        return;
    }
    // Idle: the next burst starts its own pacing.
    m_clock.invalidate();
    m_allowance = 0;
}
