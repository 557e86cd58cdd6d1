#include "support/headless_browser.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

HeadlessBrowser::~HeadlessBrowser()
{
    if (m_toBrowser >= 0)
        ::close(m_toBrowser);
    if (m_fromBrowser >= 0)
        ::close(m_fromBrowser);
    if (m_pid > 0) {
        // The browser and its helpers (renderer, zygote) form one process group.
        ::kill(-m_pid, SIGTERM);
        for (int i = 0; i < 50 && ::waitpid(m_pid, nullptr, WNOHANG) == 0; ++i)
            QThread::msleep(20);
        ::kill(-m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        QThread::msleep(100);
    }
}

QString HeadlessBrowser::executable()
{
    for (const char *name : {"chromium", "chromium-browser", "google-chrome"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty())
            return path;
    }
    return {};
}

bool HeadlessBrowser::start(int width, int height, const QString &language)
{
    const QString program = executable();
    if (program.isEmpty()) {
        m_error = QStringLiteral("chromium is not installed (bash scripts/setup-deps.sh installs it)");
        return false;
    }
    // A browser that died must fail the test, not kill it.
    std::signal(SIGPIPE, SIG_IGN);
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) {
        m_error = QStringLiteral("pipe() failed");
        return false;
    }
    const QList<QByteArray> args{program.toLocal8Bit(), "--headless", "--no-sandbox", "--disable-gpu",
                                 "--remote-debugging-pipe", "--no-first-run", "--no-default-browser-check",
                                 "--disable-extensions", "--hide-scrollbars", "--mute-audio",
                                 "--user-data-dir=" + m_profile.path().toLocal8Bit(),
                                 "--lang=" + language.toLatin1(),
                                 "--window-size=" + QByteArray::number(width) + ',' + QByteArray::number(height),
                                 "about:blank"};
    std::vector<char *> argv;
    for (const QByteArray &a : args)
        argv.push_back(const_cast<char *>(a.constData()));
    argv.push_back(nullptr);
    m_pid = ::fork();
    if (m_pid == 0) {
        ::setpgid(0, 0);
        // The browser reads commands on fd 3 and answers on fd 4.
        const int r = ::fcntl(in[0], F_DUPFD, 10);
        const int w = ::fcntl(out[1], F_DUPFD, 10);
        ::dup2(r, 3);
        ::dup2(w, 4);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 1);
        ::dup2(null, 2);
        for (int fd = 5; fd < 1024; ++fd)
            ::close(fd);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    m_toBrowser = in[1];
    m_fromBrowser = out[0];
    if (m_pid < 0) {
        m_error = QStringLiteral("fork() failed");
        return false;
    }
    const QJsonObject targets = call(QStringLiteral("Target.getTargets"), {}, 20000, false);
    QString target;
    for (const QJsonValue &t : targets.value(QStringLiteral("targetInfos")).toArray())
        if (t.toObject().value(QStringLiteral("type")).toString() == QLatin1String("page"))
            target = t.toObject().value(QStringLiteral("targetId")).toString();
    if (target.isEmpty()) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("the browser shows no page");
        return false;
    }
    const QJsonObject attached = call(QStringLiteral("Target.attachToTarget"),
                                      {{QStringLiteral("targetId"), target}, {QStringLiteral("flatten"), true}}, 10000, false);
    m_session = attached.value(QStringLiteral("sessionId")).toString();
    if (m_session.isEmpty())
        return false;
    call(QStringLiteral("Page.enable"), {}, 10000);
    return true;
}

bool HeadlessBrowser::open(const QString &url, int timeoutMs)
{
    const QJsonObject r = call(QStringLiteral("Page.navigate"), {{QStringLiteral("url"), url}}, timeoutMs);
    if (r.contains(QStringLiteral("errorText"))) {
        m_error = r.value(QStringLiteral("errorText")).toString();
        return false;
    }
    return waitFor(QStringLiteral("document.readyState === 'complete' && location.href !== 'about:blank'"), timeoutMs) >= 0;
}

QJsonValue HeadlessBrowser::eval(const QString &expression, int timeoutMs)
{
    const QJsonObject r = call(QStringLiteral("Runtime.evaluate"),
                               {{QStringLiteral("expression"), expression},
                                {QStringLiteral("returnByValue"), true},
                                {QStringLiteral("awaitPromise"), true}},
                               timeoutMs);
    if (r.contains(QStringLiteral("exceptionDetails"))) {
        m_error = QString::fromUtf8(QJsonDocument(r.value(QStringLiteral("exceptionDetails")).toObject()).toJson());
        return QJsonValue(QJsonValue::Undefined);
    }
    return r.value(QStringLiteral("result")).toObject().value(QStringLiteral("value"));
}

qint64 HeadlessBrowser::waitFor(const QString &expression, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        if (eval(QStringLiteral("!!(%1)").arg(expression)).toBool())
            return t.elapsed();
        QThread::msleep(50);
    }
    return -1;
}

bool HeadlessBrowser::screenshot(const QString &path, int width, int height, bool fullPage)
{
    call(QStringLiteral("Emulation.setDeviceMetricsOverride"),
         {{QStringLiteral("width"), width}, {QStringLiteral("height"), height},
          {QStringLiteral("deviceScaleFactor"), 1}, {QStringLiteral("mobile"), width < 600}}, 10000);
    QThread::msleep(300);
    QJsonObject params{{QStringLiteral("format"), QStringLiteral("png")}};
    if (fullPage)
        params.insert(QStringLiteral("captureBeyondViewport"), true);
    const QJsonObject r = call(QStringLiteral("Page.captureScreenshot"), params, 20000);
    const QByteArray png = QByteArray::fromBase64(r.value(QStringLiteral("data")).toString().toLatin1());
    QFile f(path);
    return !png.isEmpty() && f.open(QIODevice::WriteOnly) && f.write(png) == png.size();
}

QJsonObject HeadlessBrowser::call(const QString &method, const QJsonObject &params, int timeoutMs, bool inPage)
{
    const int id = m_nextId++;
    QJsonObject message{{QStringLiteral("id"), id}, {QStringLiteral("method"), method}, {QStringLiteral("params"), params}};
    if (inPage)
        message.insert(QStringLiteral("sessionId"), m_session);
    if (!send(QJsonDocument(message).toJson(QJsonDocument::Compact)))
        return {};
    QElapsedTimer t;
    t.start();
    QByteArray raw;
    while (readMessage(raw, int(std::max<qint64>(1, timeoutMs - t.elapsed())))) {
        const QJsonObject answer = QJsonDocument::fromJson(raw).object();
        if (answer.value(QStringLiteral("id")).toInt() != id)
            continue;   // an event, or a late answer
        if (answer.contains(QStringLiteral("error"))) {
            m_error = method + QStringLiteral(": ") + answer.value(QStringLiteral("error")).toObject().value(QStringLiteral("message")).toString();
            return {};
        }
        return answer.value(QStringLiteral("result")).toObject();
    }
    m_error = method + QStringLiteral(": no answer from the browser within %1 ms").arg(timeoutMs);
    return {};
}

bool HeadlessBrowser::send(const QByteArray &message)
{
    QByteArray data = message + '\0';
    while (!data.isEmpty()) {
        const ssize_t n = ::write(m_toBrowser, data.constData(), size_t(data.size()));
        if (n <= 0) {
            m_error = QStringLiteral("the browser is gone");
            return false;
        }
        data.remove(0, int(n));
    }
    return true;
}

bool HeadlessBrowser::readMessage(QByteArray &message, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    for (;;) {
        const int end = m_pending.indexOf('\0');
        if (end >= 0) {
            message = m_pending.left(end);
            m_pending.remove(0, end + 1);
            return true;
        }
        const qint64 left = timeoutMs - t.elapsed();
        if (left <= 0)
            return false;
        pollfd p{m_fromBrowser, POLLIN, 0};
        if (::poll(&p, 1, int(left)) <= 0)
            return false;
        char buffer[65536];
        const ssize_t n = ::read(m_fromBrowser, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        m_pending.append(buffer, int(n));
    }
}
