#pragma once
// Timer1: every 100 ms, takes what arrived outside an exchange and routes it by WorkMode.
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
    void start() { m_timer.start(); }
    void stop() { m_timer.stop(); }
    bool isActive() const { return m_timer.isActive(); }
    // Transparent page hex display (CheckBox2), read at each flush.
    void setHexMode(bool on) { m_hexMode = on; }
    TLineGet &lineGet() { return m_lineGet; }

    // One poll (Timer1Timer); public so tests and benchmarks can drive it.
    void Timer1Timer();

    static QString CounterText(int received, int sent);

signals:
    void transparentLine(const QString &line);   // Memo2, WorkMode 0
    void modemChunk(const QByteArray &bytes);    // Memo8, WorkMode 2
    void chunkReceived(const QByteArray &bytes); // every chunk, whatever the mode (receive file)
    void countersChanged(const QString &text);   // StatusBar2 panel 0
    // The serial port was closed after a read error.
    void serialLost(const QString &reason);

private:
    AppState &m_state;
    DataLink &m_link;
    QTimer m_timer;
    TLineGet m_lineGet;
    bool m_hexMode = false;
};
