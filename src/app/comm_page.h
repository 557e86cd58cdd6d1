#pragma once
// The "通信参数设置" tab: the main parameter table, the serial and TCP settings and their handlers.
#include "link/serial_settings.h"

#include <QWidget>

class CoreSession;
class Dialogs;
class OpSink;
class ParamView;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class CommPage : public QWidget {
    Q_OBJECT
public:
    CommPage(CoreSession &session, Dialogs &dialogs, QWidget *parent = nullptr);

    // (Re)opens the serial port with the texts of the "串口设置" group.
    void openPort();
    // "关闭串口": closes the port and stops any attempt to bring it back.
    void closePort();
    void onBaudChosen() { openPort(); }
    void onFormatChosen() { openPort(); }
    void connectTcp();
    void disconnectTcp();
    // Timed-query panel: read 0049..004F, check and prepare the settings, switch HEX mode.
    void readTimedQuery();
    void applyTimedQuery();
    void toggleQueryHexMode();

    // Where the timed-query read reports; set by the main window.
    OpSink *sink = nullptr;

    ParamView *m_paramView;
    QLineEdit *m_valueEdit;
    QComboBox *m_valueCombo;
    QGroupBox *m_serialGroup;   // "串口设置"
    QLineEdit *m_portEdit;
    QComboBox *m_baudCombo;
    QComboBox *m_formatCombo;
    QPushButton *m_openPortButton;
    QPushButton *m_closePortButton;
    QPushButton *m_readButton;
    QPushButton *m_writeButton;
    QGroupBox *m_tcpGroup;
    QLabel *m_deviceIpLabel;
    QLineEdit *m_deviceIpEdit;
    QPushButton *m_connectButton;
    QPushButton *m_disconnectButton;
    QLabel *m_tcpStatusLabel;
    // Timed-query panel, hidden.
    QFrame *m_timedQueryPanel;
    QFrame *m_timedQueryStrip;
    QPushButton *m_queryReadButton;
    QPushButton *m_queryWriteButton;
    QCheckBox *m_autoQueryCheck;
    QLineEdit *m_queryPeriodEdit;
    QGroupBox *m_queryCommandGroup;
    QPlainTextEdit *m_queryCommandEdit;
    QCheckBox *m_queryHexCheck;
    QGroupBox *m_queryInfoGroup;
    QPlainTextEdit *m_queryInfoBox;
    // The current profile path, hidden.
    QPlainTextEdit *m_profilePathBox;
    QCheckBox *m_showDataCheck;
    QPushButton *m_ioConfigButton;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    // Panel 1 of the main status bar: the serial port's state.
    void serialStatusText(const QString &text);

private:
    void nameControls();
    void buildLayout();
    void buildTimedQueryPanel();

    CoreSession &m_session;
    Dialogs &m_dialogs;
    // The serial component's settings: a format character that says nothing keeps the last value.
    SerialSettings m_settings;
};
