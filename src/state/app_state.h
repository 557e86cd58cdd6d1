#pragma once
// Program-wide state shared by the windows, the CLI and the core operations.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>

class AppState : public QObject {
    Q_OBJECT
public:
    explicit AppState(QObject *parent = nullptr) : QObject(parent) {}

    uint8_t WorkMode = 0;          // 0 transparent, 1 control, 2 industrial modem
    int ParamChannel = 0;          // parameter set addressed; -1 none selected since the port opened
    int MainParamChannel = 0;      // the main table's set
    int PrivilegeLevel = 0;        // 0 user, 1 service (frame log), 2 administrator ("0091")
    bool PasswordAccepted = false;
    int32_t SentBytes = 0;
    int32_t ReceivedBytes = 0;
    bool CloseRequested = false;
    QByteArray LastPrefix;
    // Whether the extended parameter tab is shown; the GUI keeps it in step with the tab,
    // the CLI sets it from the profile.
    bool ExtTabVisible = true;
    // Opt-in early end of framed reply waits (see ExchangeEngine).
    bool FastReplies = false;

    // Main log: results, and the frame log at level 1.
    void log(const QString &line) { emit logAppended(line); }
    void requestClose()
    {
        CloseRequested = true;
        emit closeRequested();
    }

signals:
    void logAppended(const QString &line);
    void closeRequested();
};
