#pragma once
// The device commands of the window: the "DTU状态访问" buttons of the control page, the menu
// entries "恢复出厂默认设置", "复位设备" and "自动获取参数" (wired by the main window), and the
// parameter-set selection of the tab handlers.
#include "protocol/device_commands.h"

#include <QObject>

class CommPage;
class ControlPage;
class CoreSession;
class Dialogs;
class GuiSink;
class ParamOps;
class QWidget;

class DeviceActions : public QObject {
    Q_OBJECT
public:
    struct Parts {
        CoreSession &session;
        Dialogs &dialogs;
        QWidget *dialogParent;
        GuiSink &sink;
        ParamOps &ops;
        CommPage &commPage;
        ControlPage &controlPage;
    };
    DeviceActions(const Parts &parts, QObject *parent);

    void restoreDefaults();
    void resetDevice();
    void autoReadParams();
    void readDeviceState();
    void setDeviceState();
    void readSignal();
    void readVersion();
    void readClock();
    void setClock();
    int SelectParamChannel(int n);

    DeviceCommands &commands() { return m_commands; }

private:
    void toStateLog(const OpOutcome &outcome);

    Parts m_p;
    GuiSink &m_sink;
    DeviceCommands m_commands;
};
