#pragma once
// Debian's chromium without a window, driven over its DevTools pipe: open a page, run script in
// it and read the answer, wait for the page to show something, take a picture.
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QTemporaryDir>

class HeadlessBrowser {
public:
    HeadlessBrowser() = default;
    ~HeadlessBrowser();
    HeadlessBrowser(const HeadlessBrowser &) = delete;
    HeadlessBrowser &operator=(const HeadlessBrowser &) = delete;

    // The browser's program, empty when it is not installed.
    static QString executable();
    // Starts it with one blank page of `width`×`height`; false with errorText().
    bool start(int width = 1366, int height = 768, const QString &language = QStringLiteral("zh-CN"));
    // Loads `url` and waits until it has loaded.
    bool open(const QString &url, int timeoutMs = 15000);
    // The value of `expression` (awaited when a promise); an invalid value on error.
    QJsonValue eval(const QString &expression, int timeoutMs = 10000);
    // Milliseconds until `expression` is true, polling; -1 when it is not within `timeoutMs`.
    qint64 waitFor(const QString &expression, int timeoutMs);
    // The page as a PNG at `width`×`height` (the whole page's height when `fullPage`).
    bool screenshot(const QString &path, int width, int height, bool fullPage = false);
    QString errorText() const { return m_error; }

private:
    QJsonObject call(const QString &method, const QJsonObject &params, int timeoutMs, bool inPage = true);
    bool send(const QByteArray &message);
    bool readMessage(QByteArray &message, int timeoutMs);

    QTemporaryDir m_profile;
    int m_pid = -1;
    int m_toBrowser = -1;
    int m_fromBrowser = -1;
    QByteArray m_pending;
    int m_nextId = 1;
    QString m_session;
    QString m_error;
};
