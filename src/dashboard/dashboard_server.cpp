#include "dashboard/dashboard_server.h"
#include "dashboard/dashboard_auth.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

namespace {
QPair<QByteArray, QByteArray> header(const QByteArray &name, const QByteArray &value) { return {name, value}; }

HttpResponse respond(int status, const QByteArray &type, const QByteArray &body)
{
    HttpResponse r;
    r.status = status;
    r.contentType = type;
    r.body = body;
    r.headers = DashboardHeaders();
    return r;
}

HttpResponse jsonError(int status, const QString &text)
{
    QJsonObject o{{QStringLiteral("error"), text}};
    // The page says "the database does not answer" in its own language before the details.
    if (status == 503)
        o.insert(QStringLiteral("silent"), true);
    return respond(status, "application/json; charset=utf-8", QJsonDocument(o).toJson(QJsonDocument::Compact));
}

// Without a token only this machine's own names are answered: a page elsewhere that points its
// own name at 127.0.0.1 (DNS rebinding) gets nothing.
bool hostIsLocal(const HttpRequest &r)
{
    QByteArray host = r.header("host").trimmed().toLower();
    if (host.startsWith('[')) {
        host = host.mid(1, host.indexOf(']') - 1);
    } else if (host.count(':') == 1) {
        host = host.left(host.indexOf(':'));
    }
    return host.isEmpty() || host == "localhost" || QHostAddress(QString::fromLatin1(host)).isLoopback();
}

// ?lang=en, else the browser's first language when it is English; Chinese otherwise.
UiLanguage languageOf(const HttpRequest &r)
{
    const QString asked = r.query.queryItemValue(QStringLiteral("lang"));
    if (!asked.isEmpty())
        return LanguageFromCode(asked).value_or(UiLanguage::Chinese);
    return r.header("accept-language").trimmed().toLower().startsWith("en") ? UiLanguage::English : UiLanguage::Chinese;
}

bool etagMatches(const HttpRequest &r, const QByteArray &etag)
{
    for (const QByteArray &tag : r.header("if-none-match").split(','))
        if (tag.trimmed() == etag)
            return true;
    return false;
}
} // namespace

QList<QPair<QByteArray, QByteArray>> DashboardHeaders()
{
    return {{"Cache-Control", "no-cache"},
            {"X-Content-Type-Options", "nosniff"},
            {"X-Frame-Options", "DENY"},
            {"Referrer-Policy", "no-referrer"},
            {"Content-Security-Policy",
             "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; connect-src 'self'; "
             "form-action 'self'; frame-ancestors 'none'; base-uri 'none'"}};
}

DashboardServer::DashboardServer(DashboardOptions options, QObject *parent)
    : QObject(parent), m_options(std::move(options)), m_reader(m_options.db),
      m_front([this](const HttpRequest &r, const HttpReply &reply) { handle(r, reply); }, m_options.limits)
{
    Q_INIT_RESOURCE(dashboard_web);
    // ETags of an earlier run of the server mean nothing to this one.
    m_instance = QByteArray::number(QRandomGenerator::global()->generate(), 36);
    // A new record makes every cached answer old.
    connect(&m_reader, &RecordReader::changed, this, [this] { m_cache.clear(); });
}

bool DashboardServer::start(QString &error)
{
    return m_reader.start(error) && m_front.listen(m_options.address, m_options.port, error);
}

void DashboardServer::handle(const HttpRequest &r, const HttpReply &reply)
{
    if (m_options.token.isEmpty() && !hostIsLocal(r))
        return reply.send(respond(421, "text/plain; charset=utf-8", "this server answers only to its loopback address\n"));
    if (r.path == QLatin1String("/login"))
        return handleLogin(r, reply);
    if (r.method != "GET" && r.method != "HEAD")
        return reply.send(respond(405, "text/plain; charset=utf-8", "only GET and HEAD\n"));
    if (r.path == QLatin1String("/style.css"))
        return serveFile(r, reply, QStringLiteral("style.css"), "text/css; charset=utf-8");
    if (!m_options.token.isEmpty() && !dashauth::Carries(r, m_options.token)) {
        if (r.path.startsWith(QLatin1String("/api/")))
            return reply.send(jsonError(401, QStringLiteral("a token is needed")));
        HttpResponse login = respond(303, "text/plain; charset=utf-8", {});
        login.headers.append(header("Location", "/login"));
        return reply.send(login);
    }
    if (r.path.startsWith(QLatin1String("/api/")))
        return handleApi(r, reply, r.path.mid(5));
    if (r.path == QLatin1String("/app.js"))
        return serveFile(r, reply, QStringLiteral("app.js"), "text/javascript; charset=utf-8");
    if (r.path == QLatin1String("/favicon.svg"))
        return serveFile(r, reply, QStringLiteral("favicon.svg"), "image/svg+xml");
    static const QStringList pages{QStringLiteral("/"), QStringLiteral("/failures"), QStringLiteral("/units"),
                                   QStringLiteral("/unit")};
    if (pages.contains(r.path))
        return serveFile(r, reply, QStringLiteral("index.html"), "text/html; charset=utf-8");
    reply.send(respond(404, "text/plain; charset=utf-8", "no such page\n"));
}

void DashboardServer::serveFile(const HttpRequest &r, const HttpReply &reply, const QString &file, const QByteArray &type)
{
    // The files are compiled in: read and hashed once, not at every page load.
    auto it = m_files.constFind(file);
    if (it == m_files.constEnd()) {
        QFile f(QStringLiteral(":/dashboard/") + file);
        f.open(QIODevice::ReadOnly);
        const QByteArray body = f.readAll();
        it = m_files.insert(file, {body, '"' + QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex().left(16) + '"'});
    }
    HttpResponse out = respond(etagMatches(r, it->second) ? 304 : 200, type, it->first);
    out.headers.append(header("ETag", it->second));
    reply.send(out);
}

void DashboardServer::handleLogin(const HttpRequest &r, const HttpReply &reply)
{
    if (r.method == "POST" && !m_options.token.isEmpty()) {
        const QUrlQuery form(QString::fromUtf8(r.body));
        const QByteArray given = form.queryItemValue(QStringLiteral("token"), QUrl::FullyDecoded).trimmed().toUtf8();
        if (dashauth::Same(given, m_options.token)) {
            HttpResponse ok = respond(303, "text/plain; charset=utf-8", {});
            ok.headers.append(header("Location", "/"));
            ok.headers.append(header("Set-Cookie", QByteArray(dashauth::kCookie) + '=' + given +
                                                 "; Path=/; HttpOnly; SameSite=Strict; Max-Age=2592000"));
            return reply.send(ok);
        }
        QFile f(QStringLiteral(":/dashboard/login.html"));
        f.open(QIODevice::ReadOnly);
        return reply.send(respond(401, "text/html; charset=utf-8", f.readAll()));
    }
    if (r.method != "GET" && r.method != "HEAD")
        return reply.send(respond(405, "text/plain; charset=utf-8", "only GET and POST\n"));
    serveFile(r, reply, QStringLiteral("login.html"), "text/html; charset=utf-8");
}

void DashboardServer::handleApi(const HttpRequest &r, const HttpReply &reply, const QString &page)
{
    dashapi::Call call{page, r.query, languageOf(r), QDateTime::currentDateTimeUtc()};
    if (!dashapi::IsPage(page))
        return reply.send(jsonError(404, QStringLiteral("no such answer: /api/%1").arg(page)));
    if (!m_reader.answering())
        return reply.send(jsonError(503, m_reader.silence()));
    // What the answer is made of: the records as last polled, the minute when the clock counts
    // (a running span moves, a station falls quiet), the language.
    const QString key = dashapi::CacheKey(call);
    QByteArray etag = "W/\"" + m_instance + '.' + QByteArray::number(m_reader.generation());
    if (dashapi::FollowsClock(call))
        etag += '.' + QByteArray::number(call.now.toSecsSinceEpoch() / 60);
    etag += '.' + QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex().left(12) + '"';
    if (etagMatches(r, etag)) {
        HttpResponse same = respond(304, {}, {});
        same.headers.append(header("ETag", etag));
        return reply.send(same);
    }
    auto answer = [etag](const HttpReply &to, const dashapi::Answer &a) {
        HttpResponse out = respond(a.status, a.contentType, a.body);
        out.headers.append(header("ETag", etag));
        if (a.contentType.startsWith("text/csv"))
            out.headers.append(header("Content-Disposition", "attachment; filename=\"units.csv\""));
        to.send(out);
    };
    if (auto it = m_cache.constFind(key); it != m_cache.constEnd() && it->etag == etag)
        return answer(reply, it->answer);
    // The same question asked by many pages at once is read once.
    const bool reading = m_inFlight.contains(key);
    m_inFlight[key].append(Waiting{reply, r.method == "HEAD"});
    if (reading)
        return;
    auto result = std::make_shared<dashapi::Answer>();
    const bool csv = page == QLatin1String("units.csv");
    m_reader.read([call, result](StationDb &db, QString &error) { return dashapi::Render(db, call, *result, error); },
                  [this, key, etag, result, answer](bool ok, const QString &error) {
                      const QList<Waiting> waiting = m_inFlight.take(key);
                      if (!ok) {
                          for (const Waiting &w : waiting)
                              w.reply.send(jsonError(503, error));
                          return;
                      }
                      // Bounded: a crowd of different questions cannot grow the cache for ever.
                      if (m_cache.size() > 500)
                          m_cache.clear();
                      if (!result->contentType.startsWith("text/csv"))
                          m_cache.insert(key, Cached{etag, *result});
                      for (const Waiting &w : waiting)
                          answer(w.reply, *result);
                  },
                  csv ? dashapi::kCsvMs : RecordReader::kAnswerMs,
                  csv ? QStringLiteral("the export did not finish within %1 s: narrow the search").arg(dashapi::kCsvMs / 1000)
                      : QString());
}
