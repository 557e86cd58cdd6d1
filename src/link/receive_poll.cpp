#include "link/receive_poll.h"

#include "link/channel.h"
#include "link/data_link.h"
#include "link/serial_channel.h"
#include "text/hex.h"
#include "state/app_state.h"
#include <QCoreApplication>

namespace {
struct LinkTexts {
    Q_DECLARE_TR_FUNCTIONS(LinkTexts)
};
} // namespace

ReceivePoll::ReceivePoll(AppState &state, DataLink &link, QObject *parent)
    : QObject(parent), m_state(state), m_link(link), m_timer(this), m_lineGet(state)
{
    m_timer.setObjectName(QStringLiteral("Timer1"));
    m_timer.setInterval(100);
    connect(&m_timer, &QTimer::timeout, this, &ReceivePoll::pollOnce);
    // The serial port may also notice the device vanish by itself (between polls).
    connect(&m_link.serial(), &Channel::lost, this, &ReceivePoll::serialLost);
}

QString ReceivePoll::CounterText(int received, int sent)
{
    return LinkTexts::tr("收：%1字节，发:%2字节").arg(received).arg(sent);
}

void ReceivePoll::start()
{
    if (!isHeld())
        m_timer.start();
}

void ReceivePoll::hold()
{
    ++m_holds;
    m_timer.stop();
}

void ReceivePoll::release()
{
    if (m_holds > 0)
        --m_holds;
}

void ReceivePoll::pollOnce()
{
    // Also when a tick comes from a timer restarted behind the hold's back.
    if (isHeld()) {
        m_timer.stop();
        return;
    }
    if (!m_link.IsDataChannelOpen() && !m_link.hasClosedChannelBytes())
        return;
    Channel *channel = m_link.hasClosedChannelBytes() ? nullptr : m_link.active();
    QString error;
    const QByteArray bytes = m_link.ChannelRead(&error);
    // Bytes that came with a read error are still shown: they did arrive.
    if (!bytes.isEmpty()) {
        if (m_state.PrivilegeLevel == 1)
            m_state.log(LinkTexts::tr("上行：") + HexDump(bytes));
        if (m_state.WorkMode == 0) {
            m_lineGet.append(bytes);
            emit transparentLine(m_lineGet.flush(m_hexMode));
        } else if (m_state.WorkMode == 2) {
            emit modemChunk(bytes);
        }
        emit chunkReceived(bytes);
    }
    if (!error.isEmpty() && channel && channel == m_link.serialSide() && channel->isOpen()) {
        channel->close();
        emit serialLost(error);
    }
    emit countersChanged(CounterText(m_state.ReceivedBytes, m_state.SentBytes));
}
