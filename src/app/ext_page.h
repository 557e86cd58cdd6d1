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

    ParamView *ListView2;
    QLineEdit *Edit7;
    QPushButton *Button16;
    QPushButton *Button17;
    QCheckBox *CheckBox7;
    QPushButton *BitBtn2;

private:
    CoreSession &m_session;
    Dialogs &m_dialogs;
};
