#pragma once
// Brings a vanished serial port back: tries again every ~0.5 s, by its path and, for a USB
// adapter, by its identity, with the settings it was opened with. Only the user's own
// open and close (through this class) start or stop it; nothing else is retried.
#include "link/port_identity.h"
#include "link/serial_settings.h"

#include <QCoreApplication>
#include <QObject>
#include <QTimer>
#include <functional>

class SerialChannel;

class SerialReconnector : public QObject {
    Q_OBJECT
public:
    static constexpr int kRetryMs = 500;

    explicit SerialReconnector(SerialChannel &serial, QObject *parent = nullptr);

    // "自动重连": off stops any running attempts (lostForGood) and keeps a lost port closed; on
    // again takes the attempts up for a port still lost (waiting).
    void setEnabled(bool on);
    bool isEnabled() const { return m_enabled; }
    // The user opens a port: attempts for the old one stop; on success this one is remembered.
    bool openByUser(const SerialSettings &settings);
    // The user closes the port ("关闭串口"): attempts stop, the port closes.
    void closeByUser();
    // Stops the attempts and forgets the port.
    void stop();
    bool isWaiting() const { return m_timer.isActive(); }
    int attempts() const { return m_attempts; }
    // The settings of the port last opened (the path follows the adapter to its new name).
    const SerialSettings &settings() const { return m_settings; }

    // The serial port failed (read error, device gone); the port is already closed.
    void onLost(const QString &reason);

    // Test seam: what the platform lists now (at the open, at the loss and at every attempt).
    void setLister(std::function<QList<PortIdentity>()> lister) { m_lister = std::move(lister); }

    static QString WaitingText(const QString &port) { return QCoreApplication::translate("LinkTexts", "%1已断开，等待设备重新连接...").arg(port); }
    // An adapter that nothing tells apart from another of its model is not reopened by itself.
    static QString CannotConfirmText(const QString &port)
    {
        return QCoreApplication::translate("LinkTexts", "%1已断开：该适配器没有可区分的序列号，同型号的适配器无法确认是同一个适配器，请确认后手动打开串口")
            .arg(port);
    }
    static QString ReconnectedText() { return QCoreApplication::translate("LinkTexts", "[串口已重新连接]"); }

signals:
    // Attempts begin for `port` (panel 1 and one line in m_log).
    void waiting(const QString &port, const QString &reason);
    // The port is open again under `settings` (portName may differ from before).
    void reconnected(const SerialSettings &settings);
    // The port was lost, and no adapter listed can be known to be the same one (see
    // FindPortAgain): it stays closed until the user opens a port (CannotConfirmText).
    void cannotConfirm(const QString &port, const QString &reason);
    // The port was lost while reconnecting is off: it stays closed.
    void lostForGood(const QString &port, const QString &reason);

private:
    void attempt();

    SerialChannel &m_serial;
    QTimer m_timer;
    SerialSettings m_settings;
    PortIdentity m_identity;
    bool m_remembered = false;
    bool m_outage = false;   // lost and not back yet
    bool m_enabled = true;
    int m_attempts = 0;
    std::function<QList<PortIdentity>()> m_lister = ListedPorts;
};
