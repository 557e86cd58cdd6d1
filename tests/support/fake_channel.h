#pragma once
// An in-memory device end for unit tests: bytes fed now or after a delay, writes recorded,
// read and write errors injected on demand. Put it into DataLink with setOverrideChannel().
#include "link/channel.h"

#include <QList>
#include <functional>

class FakeChannel : public Channel {
    Q_OBJECT
public:
    explicit FakeChannel(QObject *parent = nullptr);

    void open();
    bool isOpen() const override { return m_open; }
    void close() override { m_open = false; }
    bool write(const QByteArray &bytes) override;
    QByteArray takeAvailable(qint64 maxBytes = -1) override;
    qint64 bytesAvailable() const override { return m_incoming.size(); }
    QString errorString() const override { return m_error; }
    bool hasFatalError() const override { return m_fatal; }

    // Bytes the "device" sends: now, or after `ms` on the event loop.
    void feed(const QByteArray &bytes);
    void feedAfter(int ms, const QByteArray &bytes);
    // The next read fails (after handing over what was buffered).
    void injectReadError(const QString &text);
    // Every write fails with `text` until cleared with an empty text.
    void injectWriteError(const QString &text) { m_writeError = text; }
    // Called with every write, e.g. to answer a request like a device would.
    void setResponder(std::function<void(const QByteArray &)> responder) { m_responder = std::move(responder); }

    QList<QByteArray> writes() const { return m_writes; }
    QByteArray written() const;
    int reads() const { return m_reads; }

private:
    bool m_open = false;
    bool m_fatal = false;
    bool m_failNextRead = false;
    QString m_error;
    QString m_writeError;
    QString m_pendingReadError;
    QByteArray m_incoming;
    QList<QByteArray> m_writes;
    std::function<void(const QByteArray &)> m_responder;
    int m_reads = 0;
};
