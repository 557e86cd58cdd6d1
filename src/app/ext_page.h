#pragma once
// The "扩展参数设置" tab: the extended parameter table and its read/set buttons.
#include <QWidget>

class CoreSession;
class Dialogs;
class ParamView;
class QCheckBox;
class QLineEdit;
class QPushButton;

class ExtPage : public QWidget {
    Q_OBJECT
public:
    ExtPage(CoreSession &session, Dialogs &dialogs, QWidget *parent = nullptr);

    ParamView *m_paramView;
    QLineEdit *m_extValueEdit;
    QPushButton *m_readButton;
    QPushButton *m_writeButton;
    QCheckBox *m_showDataCheck;
    QPushButton *m_ioConfigButton;

private:
    void nameControls();
    CoreSession &m_session;
    Dialogs &m_dialogs;
};
