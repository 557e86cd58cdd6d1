#pragma once
// The "透明传输测试" tab: conversation box fed by the receive poll, input box, counters.
#include <QWidget>

class ConversationView;
class CoreSession;
class Dialogs;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;

class TransparentPage : public QWidget {
    Q_OBJECT
public:
    TransparentPage(CoreSession &session, Dialogs &dialogs, QWidget *parent = nullptr);

    // Lines for m_conversationBox: batched, capped.
    ConversationView &conversation() { return *m_conversationBox; }
    bool hexMode() const;

    // Sends the input box, as often as m_repeatCombo says; one conversation line.
    void sendInput();
    void toggleHexMode();
    void onInputChanged();
    // Appends the character whose code the two hex digits of m_hexCharEdit give.
    void appendHexChar();
    void clearCounters();

    ConversationView *m_conversationBox;
    QGroupBox *m_inputGroup;
    QPlainTextEdit *m_inputEdit;
    QComboBox *m_repeatCombo;
    QPushButton *m_sendButton;
    QStatusBar *m_statusBar;
    QLabel *m_counterLabel;
    QCheckBox *m_hexCheck;
    QPushButton *m_clearCountersButton;
    QLineEdit *m_hexCharEdit;
    QPushButton *m_addHexCharButton;
    QPlainTextEdit *m_hexMirrorBox;
    QPushButton *m_fileTestButton;

private:
    void nameControls();
    void connectHandlers();

    CoreSession &m_session;
    Dialogs &m_dialogs;
};
