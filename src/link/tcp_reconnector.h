#pragma once
// Keeps the maintenance-port connection up: after a connection that was made drops (peer
// closed, network error), connects again with growing pauses (1, 2, 4 ... 30 s); a connection
// that ends within kSettleMs counts as one more failed attempt. The access
// text goes out again on every new connection (the channel sends it). "断开" stops it.
#include <QCoreApplication>
#include <QObject>
#include <QString>
#include <QTimer>

class TcpChannel;

class TcpReconnector : public QObject {
    Q_OBJECT
public:
    static constexpr int kFirstPauseMs = 1000;
    static constexpr int kMaxPauseMs = 30000;
    // A connection that ends sooner than this is counted as a failed attempt.
    static constexpr int kSettleMs = 5000;
    // A connection made again is told as back (reconnected) once it has held this long, or
    // the peer has said something: a peer that accepts and drops at once never held.
    static constexpr int kHeldMs = 2000;

    explicit TcpReconnector(TcpChannel &tcp, QObject *parent = nullptr);

    // "自动重连": off stops the attempts of an outage (stopped); on again takes them up (waiting).
    void setEnabled(bool on);
    bool isEnabled() const { return m_enabled; }
    // "连接" / "断开" go through here, so a drop can be told from the user's own disconnect.
    void connectByUser(const QString &address);
    void disconnectByUser();
    bool isWaiting() const { return m_timer.isActive(); }
    bool isReconnecting() const { return m_reconnecting; }
    int attempts() const { return m_attempts; }
    // The pause before attempt `n` (1-based): 1, 2, 4 ... 30 s.
    static int PauseBeforeAttempt(int n);

    // Tests shorten the pauses (every pause divided by `divisor`).
    void setPauseDivisor(int divisor) { m_divisor = divisor > 0 ? divisor : 1; }

    static QString WaitingText(int attempt, int pauseSeconds)
    {
        return QCoreApplication::translate("LinkTexts", "TCP维护端口连接断开，%1秒后第%2次重新连接").arg(pauseSeconds).arg(attempt);
    }
    static QString AttemptText(int attempt) { return QCoreApplication::translate("LinkTexts", "TCP维护端口第%1次重新连接中...").arg(attempt); }

signals:
    // The next attempt is due in `pauseMs` (m_tcpStatusLabel).
    void waiting(int attempt, int pauseMs);
    // Attempt `attempt` has started (m_tcpStatusLabel).
    void attempting(int attempt);
    void reconnected();
    // The attempts of an outage ended because reconnecting was turned off.
    void stopped();

private:
    void onConnected();
    void onDisconnected();
    void onHeld();
    void attempt();
    void scheduleNext();

    TcpChannel &m_tcp;
    QTimer m_timer;
    QTimer m_settle;              // runs while a new connection has not yet held kSettleMs
    QTimer m_held;                // runs while a connection made again has not yet held kHeldMs
    QString m_address;
    bool m_wanted = false;        // the user asked for a connection and has not said "断开"
    bool m_everConnected = false; // a first attempt that fails is the user's to repeat
    bool m_reconnecting = false;
    bool m_outage = false;        // dropped and not back yet
    bool m_enabled = true;
    int m_attempts = 0;
    int m_divisor = 1;
};
