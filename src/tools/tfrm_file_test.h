#pragma once
// The file send/receive test window "文件收发". Created hidden.
#include <QTimer>
#include <QWidget>

class CoreSession;
class Dialogs;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class TfrmFileTest : public QWidget {
    Q_OBJECT
public:
    TfrmFileTest(CoreSession &session, Dialogs &dialogs, QWidget *parent = nullptr);

    QPushButton *btOpenFile;
    QPushButton *btSendFile;
    QPushButton *btStopSend;
    QLineEdit *edinteval;
    QLineEdit *edPackLen;
    QPlainTextEdit *Memo2;
    QCheckBox *CheckBox1;
    QLineEdit *Edit1;
    QTimer Timer2;  // packet clock, not started

private:
    CoreSession &m_session;
    Dialogs &m_dialogs;
};
