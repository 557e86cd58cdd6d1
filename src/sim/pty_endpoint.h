#pragma once
// The device's serial side: a pseudo-terminal pair whose slave the tool opens as a port.
// We keep our own slave descriptor open so the tool may close and reopen the path.
#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;
class Session;
struct SimContext;

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

signals:
    void hungUp();

private:
    void onReadable();
    void write(const QByteArray &bytes);
    void flush();
    void removeLink();

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QString m_linkPath;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QByteArray m_pending;
    Session *m_session = nullptr;
    bool m_active = false;
    bool m_hangingUp = false;
};
