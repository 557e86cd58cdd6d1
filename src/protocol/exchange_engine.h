#pragma once
// One request frame, one reply: building, sending, waiting, checking. The wait keeps the
// event loop running, refuses a second exchange while one is in flight, and ends at once
// when the window closes.
#include "protocol/frame.h"
#include "protocol/result_codes.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <optional>
#include <QCoreApplication>

class AppState;
class Channel;
class DataLink;
class ScriptHost;
class ReceivePoll;

class ExchangeEngine : public QObject {
    Q_OBJECT
public:
    ExchangeEngine(AppState &state, DataLink &link, ScriptHost &script, ReceivePoll *poll,
                   QObject *parent = nullptr);

    enum class ReplyKind {
        Raw,    // not a frame: the silence rule only
        Framed  // a frame: with fast replies on, ends once a complete valid frame is followed by a short gap
    };

    // `GetCmd("NAME");` → word. nullopt with `error` on a script error.
    std::optional<uint16_t> CmdWordOf(const QString &name, QString *error = nullptr);
    // Evaluates PrevCmd(), stores LastPrefix, logs at level 1. nullopt with `error` on a script error.
    std::optional<QByteArray> BuildFrame(uint16_t cmd, const QByteArray &payload, QString *error = nullptr);
    // ChannelSend then "下行：" at level 1.
    bool SendLogged(const QByteArray &bytes, QString *error = nullptr);

    // Waits for one reply: first byte polled every 100 ms up to the time-out, then gathered every
    // 10 ms until 41 empty reads. Empty when nothing came, and at once when called from inside
    // another wait (the outer wait keeps its bytes). A read error ends the wait.
    // A reply ends at kMaxReplyBytes: the largest frame (LEN 65 535) and some leading noise. A
    // device that never stops talking ends the wait there; the rest stays for the receive poll.
    QByteArray ReceiveReply(int timeoutMs, ReplyKind kind = ReplyKind::Raw);
    static constexpr int kMaxReplyBytes = 65535 + 4 + 4096;

    ResultCode AwaitAck();        // 3000 ms
    ResultCode AwaitAckQuick();   // 500 ms
    // Value 0..255 or a negative code; a wrong command word logs `failText` (see wrongCommand).
    frame::ByteReply AwaitByteReply(uint16_t expectedCmd, int timeoutMs);
    std::optional<QByteArray> AwaitTextReply();

    // Convenience for the usual order: BuildFrame, ChannelSend. rcOk when sent; rcNotSent
    // with `error` when the frame could not be built or sent.
    ResultCode SendFrame(uint16_t cmd, const QByteArray &payload, QString *error = nullptr);

    // One exchange at a time.
    bool isBusy() const { return m_busy; }
    static QString BusyText() { return QCoreApplication::translate("ExchangeTexts", "正在等待设备应答，请稍候再操作"); }
    // A request turned down because an exchange is running: told in the log and, through
    // `refused`, in the window's status panel, not in a box the user must dismiss.
    void reportBusy();

    // Quiet gap after a complete frame in fast mode, derived from the line rate (bytes/s).
    void setLineRate(int bytesPerSecond) { m_lineRate = bytesPerSecond; }

    // RAII mark of an operation's exchange; `ok()` false when another is already in flight.
    class Guard {
    public:
        explicit Guard(ExchangeEngine &e) : m_e(e), m_ok(!e.m_busy)
        {
            if (m_ok)
                e.setBusy(true);
        }
        ~Guard()
        {
            if (m_ok)
                m_e.setBusy(false);
        }
        bool ok() const { return m_ok; }
        Guard(const Guard &) = delete;
        Guard &operator=(const Guard &) = delete;

    private:
        ExchangeEngine &m_e;
        bool m_ok;
    };

signals:
    void busyChanged(bool busy);
    void refused(const QString &text);
    // Every reply a wait gathered, whatever the privilege level (the session log).
    void replyReceived(const QByteArray &reply);

private:
    void setBusy(bool b);
    // Sleeps `ms` with the event loop running; returns early when the window closes and, given
    // a `channel`, as soon as it has bytes.
    void pump(int ms, Channel *channel = nullptr);
    bool completeFrame(const QByteArray &bytes) const;

    AppState &m_state;
    DataLink &m_link;
    ScriptHost &m_script;
    ReceivePoll *m_poll;
    bool m_busy = false;
    bool m_receiving = false;  // a ReceiveReply is running
    int m_lineRate = 11520;
};
