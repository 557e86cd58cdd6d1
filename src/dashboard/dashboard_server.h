#pragma once
// The supervisor's dashboard: the floor's records as web pages and JSON, read-only. Pages,
// script and styles are compiled in (the floor network may have no internet). Answers are
// cached per question and marked with the latest record's id, so that a page asking again
// with nothing new stored gets a 304 without a database read.
#include "dashboard/dashboard_api.h"
#include "dashboard/http_front.h"
#include "provision/record_reader.h"

#include <QHash>
#include <QHostAddress>
#include <QObject>

struct DashboardOptions {
    QString db;
    QHostAddress address = QHostAddress::LocalHost;
    quint16 port = 8080;
    QByteArray token;   // empty: no token asked for (loopback only)
    HttpLimits limits;
};

class DashboardServer : public QObject {
    Q_OBJECT
public:
    explicit DashboardServer(DashboardOptions options, QObject *parent = nullptr);

    bool start(QString &error);
    quint16 port() const { return m_front.port(); }

private:
    void handle(const HttpRequest &request, const HttpReply &reply);
    void handleApi(const HttpRequest &request, const HttpReply &reply, const QString &page);
    void handleLogin(const HttpRequest &request, const HttpReply &reply);
    void serveFile(const HttpRequest &request, const HttpReply &reply, const QString &file, const QByteArray &type);

    struct Cached {
        QByteArray etag;
        dashapi::Answer answer;
    };
    struct Waiting {
        HttpReply reply;
        bool head = false;
    };

    DashboardOptions m_options;
    QByteArray m_instance;
    RecordReader m_reader;
    HttpFront m_front;
    QHash<QString, Cached> m_cache;
    QHash<QString, QPair<QByteArray, QByteArray>> m_files;   // page file → body, ETag
    QHash<QString, QList<Waiting>> m_inFlight;
};

// Every answer's headers: no caching without asking, no sniffing, no framing, no script from
// elsewhere.
QList<QPair<QByteArray, QByteArray>> DashboardHeaders();
