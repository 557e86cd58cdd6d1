#pragma once
// The device commands of the window: the "DTU状态访问" buttons of the control page, the menu
// entries "恢复出厂默认设置", "复位设备" and "自动获取参数", the parameter-set selection of
// the tab handlers, and the locking of every device action while an exchange is in flight.
#include "protocol/device_commands.h"

#include <QList>
#include <QObject>

class GuiSink;
class ParamOps;
class QAction;
class QWidget;
class TForm1;

class DeviceActions : public QObject {
    Q_OBJECT
public:
    DeviceActions(TForm1 &form, GuiSink &sink, ParamOps &ops);

    void N1Click();
    void N6Click();
    void N3Click();
    void Button9Click();
    void Button10Click();
    void Button6Click();
    void Button14Click();
    void Button19Click();
    void Button20Click();
    int SelectParamChannel(int n);

    DeviceCommands &commands() { return m_commands; }

private:
    void setBusy(bool busy);
    void memo4(const OpOutcome &outcome);

    TForm1 &m_form;
    GuiSink &m_sink;
    ParamOps &m_ops;
    DeviceCommands m_commands;
    QList<QWidget *> m_lockedWidgets;
    QList<QAction *> m_lockedActions;
};
