// The main window: start-up state, profile loading from the menu and from lastfile.log,
// applying a profile to the controls, tab handlers, closing.
#include "window_fixture.h"

#include "app/comm_page.h"
#include "app/ext_page.h"
#include "params/param_table.h"
#include "params/ui/param_view.h"
#include "profile/profile_session.h"
#include "support/fake_channel.h"
#include "widgets/conversation_view.h"
#include "tools/command_window.h"
#include "tools/control_page.h"
#include "tools/file_test_window.h"
#include "tools/transparent_page.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void startsWithDefaultsAndNoDialog();
    void missingScriptShowsOneErrorBox();
    void reloadsProfileNamedInLastFile();
    void reloadIgnoresMissingProfile();
    void menuLoadWritesLastFileAndLoads();
    void menuLoadCancelChangesNothing();
    void menuLoadOfBadFileShowsReason();
    void menuLoadReportsFailedEntries();
    void extendedTabFollowsProfile();
    void tcpGroupFollowsProfile();
    void tabHandlersSelectParamChannel();
    void closingRequestsClose();
    void showDataBoxesToggleTheLogPanel();
    void saveAsWritesTableValues();
    void headingRowsArePaintedRed();
    void missingExtendedFileIsReported();
    void passwordShowsAsterisks();
    // Last: it runs the application's own event loop to its end.
    void closingEndsTheApplicationWithToolWindowsShown();
    void mainLogKeepsItsCharacterCapForALongStream();
};

void TestMainWindow::startsWithDefaultsAndNoDialog()
{
    WindowFixture fx;
    MainWindow &w = fx.create();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    // The receive poll starts with the first activation.
    QTRY_VERIFY(fx.session->poll.isActive());
    QCOMPARE(fx.session->poll.timer().objectName(), QStringLiteral("Timer1"));
    QTRY_VERIFY(!w.m_reloadTimer.isActive());

    QCOMPARE(w.m_commPage->m_portEdit->text(), QStringLiteral("COM1"));
    QCOMPARE(w.m_commPage->m_baudCombo->currentText(), QStringLiteral("57600"));
    QCOMPARE(w.m_commPage->m_baudCombo->count(), 15);
    QVERIFY(!w.m_commPage->m_baudCombo->isEditable());
    QCOMPARE(w.m_commPage->m_formatCombo->currentText(), QStringLiteral("8N1"));
    QCOMPARE(w.m_commPage->m_formatCombo->count(), 12);
    QCOMPARE(w.m_commPage->m_deviceIpEdit->text(), QStringLiteral("192.168.1.56"));
    QCOMPARE(w.m_commPage->m_tcpStatusLabel->text(), QString());
    QCOMPARE(fx.session->mainTable.rowCount(), 0);
    QVERIFY(w.windowTitle().isEmpty());
    QCOMPARE(w.size(), QSize(740, 771));

    QCOMPARE(w.m_tabs->tabPosition(), QTabWidget::South);
    QCOMPARE(w.m_tabs->currentIndex(), 0);
    const QStringList captions = {QStringLiteral("   通信参数设置   "), QStringLiteral("  透明传输测试  "),
                                  QStringLiteral("控制模式测试"), QStringLiteral("工业MODEM模式测试"),
                                  QStringLiteral("   扩展参数设置   ")};
    for (int i = 0; i < captions.size(); ++i) {
        QCOMPARE(w.m_tabs->tabText(i), captions.at(i));
        QCOMPARE(w.m_tabs->widget(i)->objectName(), QStringLiteral("TabSheet%1").arg(i + 1));
    }
    QVERIFY(w.m_tabs->isTabVisible(4));
    QVERIFY(!w.m_tabs->isTabVisible(3));
    QVERIFY(fx.session->state.ExtTabVisible);

    // Menu entries in order, the hidden ones hidden.
    QStringList names;
    for (QAction *a : w.m_menuBar->actions())
        names << (a->menu() ? a->menu()->objectName() : a->objectName());
    // The station page and the two visible ways into the command window and the file test follow
    // the original entries.
    QCOMPARE(names, (QStringList{"N1", "N6", "N3", "N2", "N7", "NStation", "NCmdWindow", "NFileTest"}));
    QCOMPARE(w.m_fileMenu->actions().mid(0, 3), (QList<QAction *>{w.m_loadProfileAction, w.m_saveProfileAction, w.m_batchWriteAction}));
    QVERIFY(w.m_factoryDefaultsAction->isVisible() && w.m_resetDeviceAction->isVisible() && w.m_batchWriteAction->isVisible() && w.m_loadProfileAction->isVisible());
    QVERIFY(!w.m_autoReadAction->isVisible() && !w.m_saveProfileAction->isVisible() && !w.m_otherActionsAction->isVisible());
    QCOMPARE(w.m_loadProfileAction->text(), QStringLiteral("调入参数文件"));
    QCOMPARE(w.m_fileMenu->title(), QStringLiteral("文件操作"));

    for (const char *hidden : {"GroupBox16", "Panel12", "CheckBox1", "BitBtn1", "filename", "CheckBox4", "CheckBox6",
                               "MaskEdit3", "GroupBox4", "Panel8", "Button10", "ComboBox3", "Edit3", "Button1",
                               "Memo6", "suiButton15", "CheckBox7", "BitBtn2", "GEdit", "GComboBox"}) {
        QWidget *c = fx.child<QWidget>(hidden);
        QVERIFY2(c, hidden);
        QVERIFY2(c->isHidden(), hidden);
    }
    for (const char *shown : {"ListView1", "Button3", "btRead", "btWrite", "Memo1", "GroupBox5", "Button9"}) {
        QWidget *c = fx.child<QWidget>(shown);
        QVERIFY2(c && !c->isHidden(), shown);
    }
    QVERIFY(fx.child<QCheckBox>("CheckBox1")->isChecked());
    QCOMPARE(w.m_passwordEdit->echoMode(), QLineEdit::Password);
    QVERIFY(w.m_log->isReadOnly());
    QCOMPARE(w.m_commPage->m_readButton->toolTip(), QStringLiteral("读取全部参数"));
    QCOMPARE(w.m_commPage->m_writeButton->toolTip(), QStringLiteral("设置当前选中参数"));

    QCOMPARE(w.m_portCaptionLabel->text(), QStringLiteral("串口状态"));
    QCOMPARE(w.m_portStatusLabel->text(), QStringLiteral("串口未打开"));
    QCOMPARE(w.m_resultCaptionLabel->text(), QStringLiteral("操作结果"));
    QCOMPARE(w.m_resultLabel->text(), QString());
    QCOMPARE(w.m_transparentPage->m_counterLabel->text(), QString());
    QCOMPARE(w.m_transparentPage->m_repeatCombo->currentText(), QStringLiteral("1"));
    QCOMPARE(w.m_controlPage->m_stateCombo->itemText(2), QStringLiteral("05-GPRS状态"));

    QVERIFY(w.m_editorTimer.isActive());
    QCOMPARE(w.m_editorTimer.interval(), 10);
    QCOMPARE(fx.session->state.WorkMode, uint8_t(0));
    QVERIFY(!fx.session->state.PasswordAccepted);
    QVERIFY(fx.dialogs.shown.isEmpty());
}

void TestMainWindow::missingScriptShowsOneErrorBox()
{
    WindowFixture fx(false);
    MainWindow &w = fx.create();
    // Told when the window shows, not before: a station page opened alone goes on unasked.
    QCOMPARE(fx.dialogs.shown.size(), 0);
    w.show();
    QTRY_COMPARE(fx.dialogs.shown.size(), 1);
    QCOMPARE(fx.dialogs.shown.first().kind, QStringLiteral("error"));
    // The file is named once, not again inside the reason.
    const QString text = fx.dialogs.shown.first().text;
    QCOMPARE(text.count(QStringLiteral("script.js")), 1);
    QVERIFY2(text.startsWith(QStringLiteral("无法打开脚本文件 ./script.js：")) && text.count(QStringLiteral("无法打开")) == 1,
             qPrintable(text));
    // The program goes on: the later start-up steps ran.
    QCOMPARE(fx.session->state.WorkMode, uint8_t(0));
    QVERIFY(w.m_editorTimer.isActive());
    QVERIFY(w.m_reloadTimer.isActive());
    w.hide();
    w.show();
    QTest::qWait(50);
    QCOMPARE(fx.dialogs.shown.size(), 1);
}

void TestMainWindow::reloadsProfileNamedInLastFile()
{
    WindowFixture fx;
    writeFile(fx.path("dev.txt"),
              profileText(QStringLiteral("测试设备"),
                          QStringLiteral(" \"Comport\": \"/dev/ttyS9\",\n \"Baudrate\": \"33600\",\n"
                                         " \"ComOption\": \"8E1\",\n")));
    writeFile(fx.path("lastfile.log"), fx.path("dev.txt").toUtf8());
    MainWindow &w = fx.create();
    w.show();
    QCOMPARE(fx.session->mainTable.rowCount(), 0);  // not yet: the reload runs from the event loop
    QTRY_COMPARE(w.windowTitle(), QStringLiteral("参数配置程序 测试设备"));
    QCOMPARE(fx.session->mainTable.rowCount(), 3);
    QCOMPARE(fx.session->mainTable.row(0).shown, QStringLiteral("v01"));
    QCOMPARE(w.m_commPage->m_portEdit->text(), QStringLiteral("/dev/ttyS9"));
    // A rate the list does not offer is still taken from the profile.
    QCOMPARE(w.m_commPage->m_baudCombo->currentText(), QStringLiteral("33600"));
    QCOMPARE(w.m_commPage->m_formatCombo->currentText(), QStringLiteral("8E1"));
    QCOMPARE(w.m_commPage->m_profilePathBox->toPlainText(), fx.path("dev.txt"));
    QCOMPARE(fx.session->buttons.rowCount(), 1);
    QVERIFY(fx.dialogs.shown.isEmpty());
}

void TestMainWindow::reloadIgnoresMissingProfile()
{
    WindowFixture fx;
    writeFile(fx.path("lastfile.log"), fx.path("gone.txt").toUtf8());
    MainWindow &w = fx.create();
    QTRY_VERIFY(!w.m_reloadTimer.isActive());
    QCOMPARE(fx.session->mainTable.rowCount(), 0);
    QVERIFY(w.windowTitle().isEmpty());
    QVERIFY(fx.dialogs.shown.isEmpty());
    QVERIFY(w.m_log->toPlainText().isEmpty());
}

void TestMainWindow::menuLoadWritesLastFileAndLoads()
{
    WindowFixture fx;
    writeFile(fx.path("dev.txt"), profileText(QStringLiteral("甲")));
    MainWindow &w = fx.create();
    fx.dialogs.fileAnswers << fx.path("dev.txt");
    w.m_loadProfileAction->trigger();

    QCOMPARE(fx.dialogs.shown.size(), 1);
    QCOMPARE(fx.dialogs.shown.first().kind, QStringLiteral("open"));
    QCOMPARE(fx.dialogs.shown.first().text, QCoreApplication::applicationDirPath() + QStringLiteral("/*.txt"));
    QCOMPARE(readFile(fx.path("lastfile.log")), fx.path("dev.txt").toUtf8());
    QCOMPARE(w.m_commPage->m_profilePathBox->toPlainText(), fx.path("dev.txt"));
    QCOMPARE(w.windowTitle(), QStringLiteral("参数配置程序 甲"));
    QCOMPARE(fx.session->mainTable.rowCount(), 3);

    // The start-up reload does not run over a profile that is already loaded.
    QTRY_VERIFY(!w.m_reloadTimer.isActive());
    QCOMPARE(fx.session->mainTable.rowCount(), 3);
}

void TestMainWindow::menuLoadCancelChangesNothing()
{
    WindowFixture fx;
    MainWindow &w = fx.create();
    w.loadProfileFromMenu();
    QCOMPARE(fx.dialogs.texts(QStringLiteral("open")).size(), 1);
    QVERIFY(!QFile::exists(fx.path("lastfile.log")));
    QVERIFY(w.m_commPage->m_profilePathBox->toPlainText().isEmpty());
    QCOMPARE(fx.session->mainTable.rowCount(), 0);
    QVERIFY(w.windowTitle().isEmpty());
    QVERIFY(!fx.session->profile.isLoaded());
}

void TestMainWindow::menuLoadOfBadFileShowsReason()
{
    WindowFixture fx;
    writeFile(fx.path("bad.txt"), "[1, 2, 3]");
    writeFile(fx.path("dev.txt"), profileText(QStringLiteral("甲")));
    QFile big(fx.path("big.txt"));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(kMaxProfileBytes + 1));
    big.close();
    MainWindow &w = fx.create();
    fx.dialogs.fileAnswers << fx.path("dev.txt") << fx.path("bad.txt") << fx.path("missing.txt") << fx.path("big.txt");
    for (int i = 0; i < 4; ++i)
        w.loadProfileFromMenu();
    const QStringList errors = fx.dialogs.texts(QStringLiteral("error"));
    QCOMPARE(errors.size(), 3);
    QVERIFY(errors.at(0).contains(QStringLiteral("bad.txt")));
    QVERIFY(errors.at(0).contains(QStringLiteral("JSON")));
    QVERIFY(errors.at(1).contains(QStringLiteral("missing.txt")));
    QVERIFY(errors.at(2).contains(QStringLiteral("过大")));
    // Each refused file left the profile loaded before as it was, and the next start reloads it.
    QCOMPARE(fx.session->mainTable.rowCount(), 3);
    QCOMPARE(w.windowTitle(), QStringLiteral("参数配置程序 甲"));
    QCOMPARE(w.m_commPage->m_profilePathBox->toPlainText(), fx.path("dev.txt"));
    QCOMPARE(readFile(fx.path("lastfile.log")), fx.path("dev.txt").toUtf8());
}

void TestMainWindow::menuLoadReportsFailedEntries()
{
    WindowFixture fx;
    QByteArray text = profileText(QStringLiteral("乙"));
    text.replace("\"ONGET\":\"Echo()\"", "\"ONGET\":\"NoSuchFunction()\"");
    writeFile(fx.path("dev.txt"), text);
    MainWindow &w = fx.create();
    fx.dialogs.fileAnswers << fx.path("dev.txt");
    w.loadProfileFromMenu();
    QVERIFY(fx.dialogs.texts(QStringLiteral("error")).isEmpty());
    QVERIFY2(w.m_log->toPlainText().contains(QStringLiteral("载入失败")), qPrintable(w.m_log->toPlainText()));
    QCOMPARE(w.windowTitle(), QStringLiteral("参数配置程序 乙"));
}

void TestMainWindow::extendedTabFollowsProfile()
{
    WindowFixture fx;
    writeFile(fx.path("ext.txt"), profileText(QString(), QString(), true));
    writeFile(fx.path("with.txt"),
              profileText(QStringLiteral("A"), QStringLiteral(" \"ExParamFile\": \"ext.txt\",\n \"ExParamChannel\": 3,\n")));
    writeFile(fx.path("without.txt"), profileText(QStringLiteral("B")));
    MainWindow &w = fx.create();

    fx.dialogs.fileAnswers << fx.path("without.txt") << fx.path("with.txt");
    w.loadProfileFromMenu();
    QVERIFY(!w.m_tabs->isTabVisible(MainWindow::kExtTabIndex));
    QVERIFY(!fx.session->state.ExtTabVisible);
    QCOMPARE(fx.session->state.MainParamChannel, 1);
    QCOMPARE(fx.session->state.ParamChannel, 1);

    w.loadProfileFromMenu();
    QVERIFY(w.m_tabs->isTabVisible(MainWindow::kExtTabIndex));
    QVERIFY(fx.session->state.ExtTabVisible);
    QCOMPARE(fx.session->state.MainParamChannel, 3);
    QCOMPARE(fx.session->extTable.rowCount(), 3);
    QCOMPARE(w.m_extPage->m_paramView->model()->rowCount(), 3);
}

void TestMainWindow::tcpGroupFollowsProfile()
{
    WindowFixture fx;
    writeFile(fx.path("tcp.txt"), profileText(QStringLiteral("T"), QStringLiteral(" \"TcpConfigIP\": \"127.0.0.1\",\n")));
    writeFile(fx.path("plain.txt"), profileText(QStringLiteral("P")));
    MainWindow &w = fx.create();
    fx.dialogs.fileAnswers << fx.path("tcp.txt") << fx.path("plain.txt");
    w.loadProfileFromMenu();
    QVERIFY(!w.m_commPage->m_tcpGroup->isHidden());
    QCOMPARE(w.m_commPage->m_deviceIpEdit->text(), QStringLiteral("127.0.0.1"));
    w.loadProfileFromMenu();
    QVERIFY(w.m_commPage->m_tcpGroup->isHidden());
    QCOMPARE(w.m_commPage->m_deviceIpEdit->text(), QString());
}

void TestMainWindow::tabHandlersSelectParamChannel()
{
    WindowFixture fx;
    writeFile(fx.path("ext.txt"), profileText(QString()));
    writeFile(fx.path("dev.txt"),
              profileText(QStringLiteral("A"), QStringLiteral(" \"ExParamFile\": \"ext.txt\",\n \"ExParamChannel\": 2,\n")));
    MainWindow &w = fx.create();
    QList<int> selected;
    w.selectParamChannel = [&selected](int n) { selected << n; };
    fx.dialogs.fileAnswers << fx.path("dev.txt");
    w.loadProfileFromMenu();

    w.m_tabs->setCurrentIndex(MainWindow::kExtTabIndex);
    QCOMPARE(selected, QList<int>{0});
    QCOMPARE(fx.session->extTable.selectedRow(), 0);
    QCOMPARE(w.m_extPage->m_paramView->selectionModel()->selectedRows().size(), 1);

    w.m_tabs->setCurrentIndex(1);
    w.m_tabs->setCurrentIndex(2);
    w.m_tabs->setCurrentIndex(0);
    QCOMPARE(selected, (QList<int>{0, 2, 2, 2}));
    QCOMPARE(fx.session->mainTable.selectedRow(), 0);

    // Picking a row in the view reaches the model, and the model's choice reaches the view.
    w.m_commPage->m_paramView->selectRow(2);
    QCOMPARE(fx.session->mainTable.selectedRow(), 2);
    fx.session->mainTable.setSelectedRow(1);
    QCOMPARE(w.m_commPage->m_paramView->currentIndex().row(), 1);
}

void TestMainWindow::closingRequestsClose()
{
    WindowFixture fx;
    MainWindow &w = fx.create();
    w.show();
    QSignalSpy spy(&fx.session->state, &AppState::closeRequested);
    QVERIFY(!fx.session->state.CloseRequested);
    QVERIFY(w.close());
    QVERIFY(fx.session->state.CloseRequested);
    QCOMPARE(spy.count(), 1);
}

void TestMainWindow::showDataBoxesToggleTheLogPanel()
{
    WindowFixture fx;
    MainWindow &w = fx.create();
    w.show();
    QVERIFY(w.m_logPanel->isVisible());
    // The extended page's box acts on the main page's state: only m_showDataCheck decides.
    w.m_commPage->m_showDataCheck->setChecked(false);
    w.m_extPage->m_showDataCheck->click();
    QVERIFY(!w.m_logPanel->isVisible());
    QCOMPARE(w.m_timedQueryCheck->y(), 588);
    w.m_commPage->m_showDataCheck->click();
    QVERIFY(w.m_commPage->m_showDataCheck->isChecked());
    QVERIFY(w.m_logPanel->isVisible());
    QCOMPARE(w.m_timedQueryCheck->y(), 472);
}

void TestMainWindow::saveAsWritesTableValues()
{
    WindowFixture fx;
    writeFile(fx.path("dev.txt"), profileText(QStringLiteral("A")));
    MainWindow &w = fx.create();
    fx.dialogs.fileAnswers << fx.path("dev.txt");
    w.loadProfileFromMenu();
    const QByteArray original = readFile(fx.path("dev.txt"));
    fx.session->mainTable.setStored(2, QStringLiteral("HEX:7E7F"));

    w.saveProfileAs();  // cancelled: no file
    QCOMPARE(fx.dialogs.texts(QStringLiteral("save")).size(), 1);
    QCOMPARE(QDir(fx.dir.path()).entryList(QDir::Files).size(), 3);  // script.js, dev.txt, lastfile.log

    fx.dialogs.fileAnswers << fx.path("copy.txt") << fx.path("no-dir/copy.txt");
    w.saveProfileAs();
    const QByteArray copy = readFile(fx.path("copy.txt"));
    QVERIFY(copy.contains("HEX:7E7F"));
    QVERIFY(copy.contains("名称B"));  // non-ASCII written as it is
    QCOMPARE(readFile(fx.path("dev.txt")), original);

    w.saveProfileAs();
    QCOMPARE(fx.dialogs.texts(QStringLiteral("error")).size(), 1);
    QVERIFY(fx.dialogs.texts(QStringLiteral("error")).first().contains(QStringLiteral("no-dir")));
}

void TestMainWindow::headingRowsArePaintedRed()
{
    WindowFixture fx;
    writeFile(fx.path("dev.txt"), profileText(QStringLiteral("A")));
    MainWindow &w = fx.create();
    fx.dialogs.fileAnswers << fx.path("dev.txt");
    w.loadProfileFromMenu();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    ParamView *view = w.m_commPage->m_paramView;
    QVERIFY(view->isColumnHidden(ParamTable::ColCode) && view->isColumnHidden(ParamTable::ColStored));
    QCOMPARE(view->columnWidth(ParamTable::ColName), 210);
    QCOMPARE(view->columnWidth(ParamTable::ColShown), 180);

    const QImage image = view->viewport()->grab().toImage();
    const int x = view->columnViewportPosition(ParamTable::ColShown) + 150;  // past any text
    auto colourOfRow = [&](int row) {
        return image.pixelColor(x, view->rowViewportPosition(row) + view->rowHeight(row) / 2);
    };
    QCOMPARE(colourOfRow(1), QColor(250, 140, 130));
    QCOMPARE(colourOfRow(2), QColor(248, 253, 254));
}

void TestMainWindow::missingExtendedFileIsReported()
{
    WindowFixture fx;
    writeFile(fx.path("dev.txt"),
              profileText(QStringLiteral("A"), QStringLiteral(" \"ExParamFile\": \"nope.txt\",\n")));
    MainWindow &w = fx.create();
    // From the menu: the error box, as for the main file, and the log line.
    fx.dialogs.fileAnswers << fx.path("dev.txt");
    w.loadProfileFromMenu();
    const QStringList errors = fx.dialogs.texts(QStringLiteral("error"));
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().startsWith(QStringLiteral("扩展参数文件调入失败：")), qPrintable(errors.first()));
    QVERIFY(errors.first().contains(QStringLiteral("nope.txt")));
    QVERIFY(w.m_log->toPlainText().contains(QStringLiteral("[扩展参数文件调入失败：")));
    QCOMPARE(fx.session->mainTable.rowCount(), 3);  // the main profile is loaded all the same

    // From the command line: the log line, as for the main file.
    w.m_log->clear();
    QVERIFY(w.loadProfileFromCommandLine(fx.path("dev.txt")));
    QCOMPARE(fx.dialogs.texts(QStringLiteral("error")).size(), 1);
    QVERIFY2(w.m_log->toPlainText().contains(QStringLiteral("[扩展参数文件调入失败：")) &&
                 w.m_log->toPlainText().contains(QStringLiteral("nope.txt")),
             qPrintable(w.m_log->toPlainText()));
}

void TestMainWindow::passwordShowsAsterisks()
{
    WindowFixture fx;
    fx.create();
    auto *password = fx.child<QLineEdit>("MaskEdit3");
    QVERIFY(password);
    QCOMPARE(password->echoMode(), QLineEdit::Password);
    password->setVisible(true);
    password->setFocus();
    QTest::keyClicks(password, QStringLiteral("ab1"));
    QCOMPARE(password->text(), QStringLiteral("ab1"));
    QCOMPARE(password->displayText(), QStringLiteral("***"));
}

void TestMainWindow::closingEndsTheApplicationWithToolWindowsShown()
{
    WindowFixture fx;
    MainWindow &w = fx.create();
    CommandWindow commands(*fx.session, fx.dialogs);
    FileTestWindow fileTest(*fx.session, fx.dialogs);
    w.attachToolWindows(commands, fileTest);
    FakeChannel device;  // an open channel that never answers
    device.open();
    fx.session->link.setOverrideChannel(&device);
    w.show();
    commands.show();
    fileTest.show();
    QVERIFY(QTest::qWaitForWindowExposed(&commands));

    // A reply wait runs when the main window closes, with both tool windows shown.
    QElapsedTimer t;
    qint64 waitEnded = -1, closedAt = -1;
    QTimer::singleShot(50, &w, [&] {
        fx.session->engine.ReceiveReply(10000);
        waitEnded = t.elapsed();
    });
    QTimer::singleShot(300, &w, [&] {
        closedAt = t.elapsed();
        w.close();
    });
    QTimer::singleShot(5000, &w, [] { QCoreApplication::exit(7); });  // the program lives on
    t.start();
    const int code = QCoreApplication::exec();
    QCOMPARE(code, 0);
    QVERIFY(closedAt >= 0 && waitEnded >= closedAt);
    QVERIFY2(waitEnded - closedAt < 500, qPrintable(QString::number(waitEnded - closedAt)));
    QVERIFY(!commands.isVisible());
    QVERIFY(!fileTest.isVisible());
    fx.session->link.setOverrideChannel(nullptr);
}

// At privilege level 1 every received chunk is hex-dumped into Memo1: a long stream must not
// grow it past its character cap, and the newest text is the one kept.
void TestMainWindow::mainLogKeepsItsCharacterCapForALongStream()
{
    WindowFixture fx;
    MainWindow &w = fx.create();
    FakeChannel device;
    device.open();
    fx.session->link.setOverrideChannel(&device);
    fx.session->state.PrivilegeLevel = 1;
    fx.session->state.WorkMode = 1;
    const int chunk = 30000;  // 90 000 characters as hex
    for (int i = 0; i < 100; ++i) {
        device.feed(QByteArray(chunk - 1, char(0x41)) + char(i));
        fx.session->poll.pollOnce();
    }
    const QString text = w.m_log->toPlainText();
    QVERIFY2(text.size() <= ConversationView::kMaxChars + 3 * chunk + 16, qPrintable(QString::number(text.size())));
    QVERIFY(text.size() > ConversationView::kMaxChars / 2);
    QVERIFY2(text.trimmed().endsWith(QStringLiteral("41 63")), qPrintable(text.right(20)));
    fx.session->link.setOverrideChannel(nullptr);
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
