#pragma once
// The main window: menu, the five tab pages, the log panel, the status bar and the timers.
// Each page owns its own handlers; this window assembles them and applies a loaded profile.
#include "session/core_session.h"
#include "state/user_settings.h"

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
class ReconnectUi;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class ConversationView;
class QSplitter;
class QStatusBar;
class QTabWidget;
class StationWindow;
class TransparentPage;
class FileTestWindow;
struct ProfileLoadResult;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kExtTabIndex = 4;
    static constexpr int kModemTabIndex = 3;

    MainWindow(CoreSession &session, Dialogs &dialogs, QWidget *parent = nullptr);
    ~MainWindow() override;

    CoreSession &session() { return m_session; }
    Dialogs &dialogs() { return m_dialogs; }

    // Menu "调入参数文件": pick a profile, remember it in lastfile.log, load it.
    void loadProfileFromMenu();
    // Menu "保存参数文件": store the table values in the profile and save it under a new name.
    void saveProfileAs();
    // One-shot reload of the profile named in lastfile.log, silent on any failure.
    void reloadLastProfile();
    // Loads a profile named on the command line (instead of lastfile.log); failures go to m_log.
    bool loadProfileFromCommandLine(const QString &path);

    // Main log and the result panel (panel 3).
    void log(const QString &line);
    void setResultText(const QString &text);
    QString resultText() const;

    // "读取" / "设置" of both tabs and "批量写参数".
    void readMainParams();
    void readExtParams();
    void writeSelectedParam();
    void writeAllParams();
    // "快速应答": replies end as soon as a whole frame arrived; a user preference (a profile
    // that carries "FastReplies" still sets it while it is loaded).
    void setFastReplies(bool checked);
    // Reconnection shown in the window, "自动重连", the session log and its folder.
    ReconnectUi &reconnectUi() { return *m_reconnectUi; }
    UserSettings &userSettings() { return *m_userSettings; }

    ParamEditor &editor() { return *m_editor; }
    GuiSink &sink() { return *m_sink; }
    ParamOps &paramOps() { return *m_ops; }
    DeviceActions &deviceActions() { return *m_deviceActions; }

    // "显示数据" / "显示串口数据": shows or hides the log panel.
    void toggleLogPanel();

    void setExtTabVisible(bool visible);
    bool isExtTabVisible() const;

    // Points the device at a parameter set when a page is shown; wired by the device commands.
    std::function<void(int)> selectParamChannel = [](int) {};
    // Keeps the in-place editor over its row (m_editorTimer); wired by the table editor.
    std::function<void()> keepEditorPlaced = [] {};
    // The other two windows, for the handlers that show them.
    QWidget *commandWindow = nullptr;
    QWidget *fileTestWindow = nullptr;
    // Menu "生产工位": the station page, made on first use.
    StationWindow &stationWindow();
    // Hands the tool windows what they need from this window; called once after they exist.
    void attachToolWindows(QWidget &commands, FileTestWindow &fileTest);

    QMenuBar *m_menuBar;
    QAction *m_factoryDefaultsAction;
    QAction *m_resetDeviceAction;
    QAction *m_autoReadAction;
    QMenu *m_fileMenu;
    QAction *m_loadProfileAction;
    QAction *m_saveProfileAction;
    QAction *m_batchWriteAction;
    QAction *m_otherActionsAction;
    QAction *m_fastRepliesAction;
    QAction *m_stationAction;

    QTabWidget *m_tabs;
    CommPage *m_commPage;
    TransparentPage *m_transparentPage;
    ControlPage *m_controlPage;
    ModemPage *m_modemPage;
    ExtPage *m_extPage;

    QSplitter *m_splitter;
    QFrame *m_logPanel;
    ConversationView *m_log;
    QLineEdit *m_passwordEdit;
    QStatusBar *m_statusBar;
    QLabel *m_portCaptionLabel;
    QLabel *m_portStatusLabel;
    QLabel *m_resultCaptionLabel;
    QLabel *m_resultLabel;
    QCheckBox *m_timedQueryCheck;
    QCheckBox *m_stopTestCheck;

    QTimer m_editorTimer;
    QTimer m_reloadTimer;

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenu();
    void buildPages();
    void buildLogPanel();
    void buildStatusBar();
    void startUp();
    // Shown when the window first shows: a station opened straight at log-in hides this window,
    // and a box about its script must not hold the station up.
    QString m_startUpError;
    void onActivated();
    void onTabShown(int index);
    void applyProfile(const ProfileLoadResult &result);
    void wireParamActions();
    void lockDuringWaits();
    void nameControls();

    CoreSession &m_session;
    Dialogs &m_dialogs;
    std::unique_ptr<UserSettings> m_userSettings;
    ReconnectUi *m_reconnectUi = nullptr;
    ParamEditor *m_editor = nullptr;
    std::unique_ptr<GuiSink> m_sink;
    std::unique_ptr<ParamOps> m_ops;
    DeviceActions *m_deviceActions = nullptr;
    StationWindow *m_stationWindow = nullptr;
};
