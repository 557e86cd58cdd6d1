#pragma once
// The window's side of reconnection and of the session log: panel 1, m_log and m_tcpStatusLabel
// follow both reconnections; the menu gets "自动重连" and "打开日志文件夹"; the log is opened
// in the user's folder and every log view is tapped. Controls are found by their object
// names, so the pages need not know about any of this.
#include <QCoreApplication>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class AppState;
class DataLink;
class QAction;
class QLabel;
class QMainWindow;
class QUrl;
class QWidget;
class SerialReconnector;
class SessionLog;
class TcpReconnector;
class UserSettings;
struct SerialSettings;

// The parts of a running tool the reconnection display follows.
struct ReconnectParts {
    AppState &state;
    DataLink &link;
    SerialReconnector &serial;
    TcpReconnector &tcp;
    SessionLog &log;
};

class ReconnectUi : public QObject {
    Q_OBJECT
public:
    ReconnectUi(QMainWindow &window, const ReconnectParts &parts, UserSettings &settings);

    // Opens the log in the user's folder (a failure goes to panel 3 and m_log).
    void openLog();
    // Copies every line of the named views of `window` into the log.
    void tapViews(QWidget *window, const QStringList &viewNames);

    QAction *autoReconnectAction() const { return m_auto; }
    QAction *logFolderAction() const { return m_folder; }
    // Test seam: how a folder is shown to the user.
    std::function<bool(const QUrl &)> openUrl;

    static QString LostText(const QString &port) { return QCoreApplication::translate("ReconnectTexts", "%1已断开").arg(port); }

private:
    void onSerialWaiting(const QString &port, const QString &reason);
    void onSerialBack(const SerialSettings &settings);
    void onSerialLostForGood(const QString &port, const QString &reason);
    void showLogFolder();
    void showLogState(const QString &text);
    static QString openText(const SerialSettings &settings);
    void setAutoReconnect(bool on);

    QMainWindow &m_window;
    ReconnectParts m_parts;
    UserSettings &m_settings;
    QLabel *m_panel1 = nullptr;
    QLabel *m_label10 = nullptr;
    QAction *m_auto = nullptr;
    QAction *m_folder = nullptr;
};
