#pragma once
// The dashboard's HTTP/1.1 server: the only file that knows how requests arrive, so another
// server can take its place. It bounds what a client may cost: the size of a request, the
// number of open connections, and the time to send a request (a slow client is dropped, it
// cannot hold the server). Answers may come later (from a database thread) and are dropped
// quietly when the client has left.
#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QSet>
#include <QUrlQuery>
#include <functional>

class QTcpServer;
class HttpConnection;

struct HttpRequest {
    QByteArray method;
    QString path;                                   // decoded, without the query
    QUrlQuery query;
    QList<QPair<QByteArray, QByteArray>> headers;   // names in lower case
    QByteArray body;
    QHostAddress peer;

    QByteArray header(const QByteArray &lowerName) const;
};

struct HttpResponse {
    int status = 200;
    QByteArray contentType = "text/plain; charset=utf-8";
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
};

// Answers one request, once; from the server's thread. Harmless after the client left.
class HttpReply {
public:
    HttpReply() = default;
    explicit HttpReply(HttpConnection *connection, quint64 serial);
    void send(const HttpResponse &response) const;
    bool clientGone() const;

private:
    QPointer<HttpConnection> m_connection;
    quint64 m_serial = 0;
};

struct HttpLimits {
    int maxConnections = 400;
    int headerBytes = 16 * 1024;
    int bodyBytes = 8 * 1024;
    int requestMs = 10000;     // from a request's first byte to its last, or to the first one
    int idleMs = 15000;        // a kept-alive connection between requests
    int drainMs = 60000;       // an answer the client does not read
};

class HttpFront : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const HttpRequest &, const HttpReply &)>;

    explicit HttpFront(Handler handler, HttpLimits limits = {}, QObject *parent = nullptr);
    ~HttpFront() override;

    bool listen(const QHostAddress &address, quint16 port, QString &error);
    quint16 port() const;
    int openConnections() const { return m_open; }

private:
    friend class HttpConnection;
    void accept();

    Handler m_handler;
    HttpLimits m_limits;
    QTcpServer *m_server = nullptr;
    int m_open = 0;
    QSet<HttpConnection *> m_connections;
};

// Text of a status line ("Not Found").
QByteArray HttpReason(int status);
