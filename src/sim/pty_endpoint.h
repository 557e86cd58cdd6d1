#pragma once
// The device's serial side: a pseudo-terminal pair whose slave the tool opens as a port.
// We keep our own slave descriptor open so the tool may close and reopen the path.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QSocketNotifier;
#include "sim/session.h"

class PtyEndpoint : public QObject {
    Q_OBJECT
public:
    explicit PtyEndpoint(QObject *parent = nullptr);
    ~PtyEndpoint() override;

    bool open(const QString &linkPath, QString &error);
    QString slavePath() const { return m_slavePath; }
    void attach(SimContext ctx);
    // Closes the master (the tool's port goes dead) and removes the link.
    void hangup();
    // Hangs up once the tool has read what was written (a hang-up discards unread bytes),
    // or after `graceMs` at the latest.
    void hangupWhenDrained(int graceMs = 2000);
    // Like a hang-up once drained, but the device comes back after `pauseMs`: a new
    // pseudo-terminal behind the same link path, the same device behind it.
    void vanish(int pauseMs);

signals:
    void hungUp();
    void vanished();
    void returned(const QString &slavePath);

private:
    void onReadable();
    void write(const QByteArray &bytes);
    void flush();
    void removeLink();
    void close(bool final);
    void whenDrained(int graceMs, std::function<void()> then);

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QString m_linkPath;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QByteArray m_pending;
    Session *m_session = nullptr;
    std::unique_ptr<SimContext> m_ctx;
    QString m_wantedLink;     // the link path given at the first open, kept across returns
    bool m_active = false;
    bool m_hangingUp = false;
};
