#pragma once
// The user's own preferences, kept in Qt's settings store (not in a device profile, which
// describes a device): automatic reconnection, fast replies, where and how long the session
// log is kept.
#include <QString>
#include <memory>

class QSettings;

class UserSettings {
public:
    static constexpr int kDefaultKeepDays = 30;
    static constexpr qint64 kDefaultMaxLogBytes = 200LL * 1024 * 1024;

    // The user's settings store; tests pass an INI file of their own.
    explicit UserSettings(const QString &iniPath = QString());
    ~UserSettings();

    bool autoReconnect() const;            // "自动重连", on unless turned off
    void setAutoReconnect(bool on);
    bool fastReplies() const;              // "快速应答", off unless turned on
    void setFastReplies(bool on);
    QString logFolder() const;             // default: the user's data folder + "/logs"
    void setLogFolder(const QString &path);
    int logKeepDays() const;
    void setLogKeepDays(int days);
    qint64 logMaxBytes() const;
    void setLogMaxBytes(qint64 bytes);

    static QString DefaultLogFolder();

private:
    std::unique_ptr<QSettings> m_store;
};
