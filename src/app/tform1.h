#pragma once
// The main window: menu, the five tab pages, the log panel, the status bar and the timers.
// Each page owns its own handlers; this window assembles them and applies a loaded profile.
#include "session/core_session.h"

#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <memory>

class CommPage;
class ControlPage;
class DeviceActions;
class Dialogs;
class ExtPage;
class GuiSink;
class ParamEditor;
class ParamOps;
class ModemPage;
class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QStatusBar;
class QTabWidget;
class TransparentPage;
class TfrmFileTest;
struct ProfileLoadResult;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kExtTabIndex = 4;
    static constexpr int kModemTabIndex = 3;

    TForm1(CoreSession &session, Dialogs &dialogs, QWidget *parent = nullptr);
    ~TForm1() override;

    CoreSession &session() { return m_session; }
    Dialogs &dialogs() { return m_dialogs; }

    // Menu "调入参数文件": pick a profile, remember it in lastfile.log, load it.
    void N5Click();
    // Menu "保存参数文件": store the table values in the profile and save it under a new name.
    void ba1Click();
    // One-shot reload of the profile named in lastfile.log, silent on any failure.
    void Timer3Timer();
    // Loads a profile named on the command line (instead of lastfile.log); failures go to Memo1.
    bool loadProfileFromCommandLine(const QString &path);

    // Main log and the result panel (panel 3).
    void log(const QString &line);
    void setResultText(const QString &text);
    QString resultText() const;

    // "读取" / "设置" of both tabs and "批量写参数".
    void btReadClick();
    void Button16Click();
    void btWriteClick();
    void N4Click();
    // "快速应答": replies end as soon as a whole frame arrived; kept in the profile.
    void NFastClick(bool checked);

    ParamEditor &editor() { return *m_editor; }
    GuiSink &sink() { return *m_sink; }
    ParamOps &paramOps() { return *m_ops; }
    DeviceActions &deviceActions() { return *m_deviceActions; }

    // "显示数据" / "显示串口数据": shows or hides the log panel.
    void CheckBox1Click();

    void setExtTabVisible(bool visible);
    bool isExtTabVisible() const;

    // Points the device at a parameter set when a page is shown; wired by the device commands.
    std::function<void(int)> selectParamChannel = [](int) {};
    // Keeps the in-place editor over its row (Timer2); wired by the table editor.
    std::function<void()> onTimer2 = [] {};
    // The other two windows, for the handlers that show them.
    QWidget *commandWindow = nullptr;
    QWidget *fileTestWindow = nullptr;
    // Hands the tool windows what they need from this window; called once after they exist.
    void attachToolWindows(QWidget &commands, TfrmFileTest &fileTest);

    QMenuBar *MainMenu1;
    QAction *N1;
    QAction *N6;
    QAction *N3;
    QMenu *N2;
    QAction *N5;
    QAction *ba1;
    QAction *N4;
    QAction *N7;
    QAction *NFast;

    QTabWidget *PageControl1;
    CommPage *TabSheet1;
    TransparentPage *TabSheet2;
    ControlPage *TabSheet3;
    ModemPage *TabSheet4;
    ExtPage *TabSheet5;

    QSplitter *Splitter1;
    QFrame *panel3;
    QPlainTextEdit *Memo1;
    QLineEdit *MaskEdit3;
    QStatusBar *StatusBar1;
    QLabel *StatusBar1Panel0;
    QLabel *StatusBar1Panel1;
    QLabel *StatusBar1Panel2;
    QLabel *StatusBar1Panel3;
    QCheckBox *CheckBox4;
    QCheckBox *CheckBox6;

    QTimer Timer2;
    QTimer Timer3;

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenu();
    void buildPages();
    void buildLogPanel();
    void buildStatusBar();
    void FormCreate();
    void FormActivate();
    void TabSheetShow(int index);
    void applyProfile(const ProfileLoadResult &result);
    void wireParamActions();

    CoreSession &m_session;
    Dialogs &m_dialogs;
    ParamEditor *m_editor = nullptr;
    std::unique_ptr<GuiSink> m_sink;
    std::unique_ptr<ParamOps> m_ops;
    DeviceActions *m_deviceActions = nullptr;
};
