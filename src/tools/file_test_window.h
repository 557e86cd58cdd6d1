#pragma once
// The file send/receive test window "文件收发". Created hidden.
#include <QFile>
#include <QTimer>
#include <QWidget>
#include <functional>

class ConversationView;
class CoreSession;
class Dialogs;
class QCheckBox;
class QLineEdit;
class QPushButton;

class FileTestWindow : public QWidget {
    Q_OBJECT
public:
    FileTestWindow(CoreSession &session, Dialogs &dialogs, QWidget *parent = nullptr);

    void chooseFile();
    void startSending();
    void stopSending();
    // Sends one packet; the last (short) one ends the test.
    void sendNextPacket();
    void toggleReceiveFile();
    // Milliseconds per unit of the interval field (seconds); tests make the clock faster.
    void setIntervalUnitMs(int ms) { m_unitMs = ms; }

    QPushButton *m_openFileButton;
    QPushButton *m_sendFileButton;
    QPushButton *m_stopSendButton;
    QLineEdit *m_intervalEdit;
    QLineEdit *m_packetLengthEdit;
    ConversationView *m_logBox;
    QCheckBox *m_receiveToFileCheck;
    QLineEdit *m_receiveFileEdit;
    QTimer m_packetTimer;  // packet clock, not started

    // Each packet sent is also shown where the user watches the data path; set by the main window.
    std::function<void(const QByteArray &)> packetSent = [](const QByteArray &) {};

private:
    void nameControls();
    void connectHandlers();
    // Sending is over (file end, stop, failed send): closes the file, "打开文件" again.
    void endSending();
    void writeReceived(const QByteArray &bytes);

    CoreSession &m_session;
    Dialogs &m_dialogs;
    QFile m_sendFile;
    QFile m_recvFile;
    int m_interval = 0;
    int m_packLen = 0;
    int m_unitMs = 1000;
};
