#pragma once
// One data channel to the device. Reads never wait: `takeAvailable` hands over what has arrived.
#include <QByteArray>
#include <QObject>
#include <QString>

class Channel : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~Channel() override = default;

    virtual bool isOpen() const = 0;
    virtual void close() = 0;
    // Writes the whole byte string; false with errorString() on failure.
    virtual bool write(const QByteArray &bytes) = 0;
    // The bytes that have arrived since the last call, at most `maxBytes` of them (all when
    // negative); what is beyond stays for the next call. Empty when none. Never blocks.
    virtual QByteArray takeAvailable(qint64 maxBytes = -1) = 0;
    // Bytes already buffered, without taking them.
    virtual qint64 bytesAvailable() const = 0;
    virtual QString errorString() const = 0;
    // True after a read error that closed or should close the channel (device vanished).
    virtual bool hasFatalError() const { return false; }

protected:
    // The first `maxBytes` of `buffer` (all of it when negative), taken out of it.
    static QByteArray takeFront(QByteArray &buffer, qint64 maxBytes)
    {
        if (maxBytes < 0 || maxBytes >= buffer.size()) {
            QByteArray all;
            all.swap(buffer);
            return all;
        }
        QByteArray front = buffer.left(maxBytes);
        buffer.remove(0, maxBytes);
        return front;
    }

signals:
    void dataArrived();
    // The peer vanished or the link failed; the channel has closed itself.
    void lost(const QString &reason);
};
