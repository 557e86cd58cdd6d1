#pragma once
// The receive poll: every 100 ms, takes what arrived outside an exchange and routes it by WorkMode.
#include "link/line_get.h"

#include <QObject>
#include <QTimer>

class AppState;
class DataLink;

class ReceivePoll : public QObject {
    Q_OBJECT
public:
    ReceivePoll(AppState &state, DataLink &link, QObject *parent = nullptr);

    QTimer &timer() { return m_timer; }  // object name "Timer1"
    // Switches the poll on (the window does so on every activation); not while held.
    void start();
    void stop() { m_timer.stop(); }
    bool isActive() const { return m_timer.isActive(); }
    // A reply wait owns the channel: while held the poll is off and reads nothing, whoever
    // restarts its timer, so the reply's bytes cannot be taken from the wait.
    void hold();
    void release();
    bool isHeld() const { return m_holds > 0; }
    // Transparent page hex display (its hex box), read at each flush.
    void setHexMode(bool on) { m_hexMode = on; }
    TLineGet &lineGet() { return m_lineGet; }

    // One poll (pollOnce); public so tests and benchmarks can drive it.
    void pollOnce();

    static QString CounterText(int received, int sent);

signals:
    void transparentLine(const QString &line);   // the transparent conversation, WorkMode 0
    void modemChunk(const QByteArray &bytes);    // the AT reply box, WorkMode 2
    void chunkReceived(const QByteArray &bytes); // every chunk, whatever the mode (receive file)
    void countersChanged(const QString &text);   // the transparent page's counter panel
    // The serial port was closed after a read error.
    void serialLost(const QString &reason);

private:
    AppState &m_state;
    DataLink &m_link;
    QTimer m_timer;
    TLineGet m_lineGet;
    bool m_hexMode = false;
    int m_holds = 0;
};
