#pragma once
// Ordered output of one connection: pauses (reply delay, split gap) and data, optionally
// paced at a line rate. The bytes themselves go to the endpoint's write function.
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QQueue>
#include <QTimer>
#include <functional>

class OutputQueue : public QObject {
    Q_OBJECT
public:
    using Writer = std::function<void(const QByteArray &)>;
    OutputQueue(Writer writer, int lineRate, QObject *parent = nullptr);

    void pause(int ms);
    void data(const QByteArray &bytes);
    // A mark: `marked` is emitted when everything queued before it has been written.
    void mark();
    bool idle() const { return m_items.isEmpty(); }
    qint64 pendingBytes() const { return m_pendingBytes; }

signals:
    void marked();

private:
    struct Item {
        enum Kind { Pause, Data, Mark } kind;
        int ms = 0;
        QByteArray bytes;
    };
    void pump();

    Writer m_write;
    int m_lineRate = 0;
    QQueue<Item> m_items;
    qint64 m_pendingBytes = 0;
    QTimer m_timer;
    bool m_pausing = false;
    QElapsedTimer m_clock;
    double m_allowance = 0;
};
