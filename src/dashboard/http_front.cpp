#include "dashboard/http_front.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

// One client's connection: reads one request at a time, answers it, then the next (a pipelined
// request waits in the buffer, under the same bound).
class HttpConnection : public QObject {
public:
    HttpConnection(QTcpSocket *socket, HttpFront *front) : QObject(front), m_socket(socket), m_front(front)
    {
        socket->setParent(this);
        // Qt stops taking bytes from the system once this much waits unread: a client that sends
        // while its answer is pending fills its own window, not our memory.
        socket->setReadBufferSize(front->m_limits.headerBytes + front->m_limits.bodyBytes + 4);
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, &HttpConnection::timedOut);
        connect(socket, &QTcpSocket::readyRead, this, &HttpConnection::readMore);
        connect(socket, &QTcpSocket::bytesWritten, this, &HttpConnection::written);
        connect(socket, &QTcpSocket::disconnected, this, &HttpConnection::close);
        connect(socket, &QTcpSocket::errorOccurred, this, &HttpConnection::close);
        ++front->m_open;
        front->m_connections.insert(this);
        // A connection that sends nothing is held no longer than a slow request.
        m_timer.start(front->m_limits.requestMs);
    }

    // Waiting for its next request, nothing under way: the first to go when the server is full.
    bool idle() const { return !m_busy && !m_started && !m_closing && m_socket->bytesToWrite() == 0; }
    void drop() { close(); }
    ~HttpConnection() override
    {
        if (!m_gone)
            --m_front->m_open;
        m_front->m_connections.remove(this);
    }

    void answer(quint64 serial, const HttpResponse &response)
    {
        if (serial != m_serial || !m_busy || m_closing)
            return;
        write(response);
        m_busy = false;
        if (m_keepAlive) {
            m_timer.start(m_front->m_limits.drainMs);
            readMore();
        } else {
            m_closing = true;
            m_socket->disconnectFromHost();
        }
    }

private:
    void readMore()
    {
        if (m_busy || m_closing)
            return;
        m_buffer += m_socket->readAll();
        if (m_buffer.isEmpty())
            return;
        if (!m_started) {
            // The time to send the whole request starts with its first byte.
            m_started = true;
            m_timer.start(m_front->m_limits.requestMs);
        }
        const int end = m_buffer.indexOf("\r\n\r\n");
        if (end < 0) {
            if (m_buffer.size() > m_front->m_limits.headerBytes)
                fail(431, "the request's header is larger than the server takes");
            return;
        }
        if (end > m_front->m_limits.headerBytes)
            return fail(431, "the request's header is larger than the server takes");
        HttpRequest r;
        if (!parseHead(m_buffer.left(end), r))
            return fail(400, "the request is not HTTP/1.x");
        const QByteArray lengthText = r.header("content-length");
        bool ok = lengthText.size() <= 12;
        for (const char c : lengthText)
            ok = ok && c >= '0' && c <= '9';
        const qint64 length = ok ? lengthText.toLongLong() : -1;
        if (!r.header("transfer-encoding").isEmpty())
            return fail(411, "a request body must come with its length");
        if (!ok || length < 0)
            return fail(400, "the request's length is not a number");
        if (length > m_front->m_limits.bodyBytes)
            return fail(413, "the request's body is larger than the server takes");
        if (m_buffer.size() < end + 4 + length)
            return;
        r.body = m_buffer.mid(end + 4, int(length));
        m_buffer.remove(0, end + 4 + int(length));
        r.peer = m_socket->peerAddress();
        m_started = false;
        m_busy = true;
        m_timer.stop();
        ++m_serial;
        m_front->m_handler(r, HttpReply(this, m_serial));
    }

    bool parseHead(const QByteArray &head, HttpRequest &r)
    {
        const QList<QByteArray> lines = head.split('\n');
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        if (first.size() != 3 || !first.at(2).startsWith("HTTP/1.") || !first.at(1).startsWith('/'))
            return false;
        r.method = first.at(0);
        const QUrl url(QString::fromLatin1(first.at(1)));
        if (!url.isValid())
            return false;
        r.path = url.path(QUrl::FullyDecoded);
        r.query = QUrlQuery(url.query(QUrl::FullyEncoded));
        for (int i = 1; i < lines.size(); ++i) {
            const QByteArray &line = lines.at(i);
            const int colon = line.indexOf(':');
            // No folded lines, no blank before the colon: a proxy in front may read them otherwise.
            if (colon <= 0 || line.startsWith(' ') || line.startsWith('\t') || line.at(colon - 1) == ' ' ||
                line.at(colon - 1) == '\t')
                return false;
            const QByteArray name = line.left(colon).toLower();
            if (name == "content-length" && !r.header(name).isNull())
                return false;   // two lengths: which one a proxy took is unknown
            r.headers.append({name, line.mid(colon + 1).trimmed()});
        }
        const QByteArray connection = r.header("connection").toLower();
        m_keepAlive = first.at(2) == "HTTP/1.1" ? !connection.contains("close") : connection.contains("keep-alive");
        m_head = r.method == "HEAD";
        return true;
    }

    void write(const HttpResponse &response)
    {
        QByteArray out = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + HttpReason(response.status) + "\r\n";
        out += "Content-Type: " + response.contentType + "\r\n";
        out += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
        for (const auto &[name, value] : response.headers)
            out += name + ": " + value + "\r\n";
        out += m_keepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
        if (!m_head && response.status != 304)
            out += response.body;
        m_socket->write(out);
    }

    void fail(int status, const char *why)
    {
        m_keepAlive = false;
        m_busy = true;
        m_closing = true;
        HttpResponse r;
        r.status = status;
        r.body = QByteArray(why) + '\n';
        write(r);
        m_socket->disconnectFromHost();
        m_timer.start(2000);
    }

    void written()
    {
        // Everything sent: the connection waits for its next request.
        if (m_socket->bytesToWrite() == 0 && !m_busy && !m_started && !m_closing)
            m_timer.start(m_front->m_limits.idleMs);
    }

    void timedOut()
    {
        if (m_started && !m_closing)
            return fail(408, "the request did not arrive in time");
        close();
    }

    void close()
    {
        if (m_gone)
            return;
        m_gone = true;
        m_closing = true;
        // Its place is free at once, not when the object goes.
        --m_front->m_open;
        m_socket->abort();
        deleteLater();
    }

    QTcpSocket *m_socket;
    HttpFront *m_front;
    QTimer m_timer;
    QByteArray m_buffer;
    quint64 m_serial = 0;
    bool m_started = false;
    bool m_busy = false;
    bool m_keepAlive = true;
    bool m_head = false;
    bool m_closing = false;
    bool m_gone = false;
};

QByteArray HttpRequest::header(const QByteArray &lowerName) const
{
    for (const auto &[name, value] : headers)
        if (name == lowerName)
            return value;
    return {};
}

HttpReply::HttpReply(HttpConnection *connection, quint64 serial) : m_connection(connection), m_serial(serial) {}

void HttpReply::send(const HttpResponse &response) const
{
    if (m_connection)
        m_connection->answer(m_serial, response);
}

bool HttpReply::clientGone() const { return m_connection.isNull(); }

HttpFront::HttpFront(Handler handler, HttpLimits limits, QObject *parent)
    : QObject(parent), m_handler(std::move(handler)), m_limits(limits), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &HttpFront::accept);
}

HttpFront::~HttpFront()
{
    // Connections count down m_open while this object still stands.
    const QSet<HttpConnection *> connections = m_connections;
    qDeleteAll(connections);
}

bool HttpFront::listen(const QHostAddress &address, quint16 port, QString &error)
{
    if (m_server->listen(address, port))
        return true;
    error = QStringLiteral("cannot listen on %1:%2: %3").arg(address.toString()).arg(port).arg(m_server->errorString());
    return false;
}

quint16 HttpFront::port() const { return m_server->serverPort(); }

void HttpFront::accept()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        if (m_open >= m_limits.maxConnections) {
            // Full: a connection only waiting for its next request makes room.
            const QSet<HttpConnection *> connections = m_connections;
            for (HttpConnection *c : connections)
                if (c->idle()) {
                    c->drop();
                    break;
                }
        }
        if (m_open >= m_limits.maxConnections) {
            // Full: said and closed, so the client does not wait on a connection nobody reads.
            socket->write("HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            socket->disconnectFromHost();
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QTimer::singleShot(2000, socket, &QObject::deleteLater);
            continue;
        }
        new HttpConnection(socket, this);
    }
}

QByteArray HttpReason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 411: return "Length Required";
    case 413: return "Payload Too Large";
    case 421: return "Misdirected Request";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return status < 400 ? "OK" : "Error";
    }
}
