// The device commands of the window against the simulated device: reset and factory
// defaults with their confirmations, state, signal, version and clock, the automatic fetch,
// the parameter-set selection of the tab handlers, and the lock while a reply is awaited.
#include "sim_window_rig.h"

#include <QApplication>

#include "app/device_actions.h"
#include "protocol/exchange_engine.h"
#include "tools/control_page.h"

#include <QAction>
#include <QRegularExpression>

using namespace rig;

namespace {
QStringList memo4(SimWindowRig &r)
{
    return r.form->m_controlPage->m_stateLog->toPlainText().split(QLatin1Char('\n'));
}
int framesWith(SimWindowRig &r, const QString &word)
{
    int n = 0;
    for (const QString &line : r.framesSeen())
        n += line.mid(12).startsWith(word) ? 1 : 0;
    return n;
}
} // namespace

class TestDeviceCommands : public QObject {
    Q_OBJECT
private slots:
    void resetAskedFirst();
    void confirmedCommands_data();
    void confirmedCommands();
    void noChannel();
    void stateSignalVersionClock();
    void stateReadFailures_data();
    void stateReadFailures();
    void automaticFetch();
    void tabPagesSelectTheParameterSet();
    void commandsRefusedWhileBusy();
    void activatingTheWindowDuringAWaitKeepsTheReply();
};

void TestDeviceCommands::resetAskedFirst()
{
    SimWindowRig r;
    QVERIFY(r.start());
    r.session->state.WorkMode = 1;
    r.dialogs.confirmAnswers << true << false;
    r.form->m_resetDeviceAction->trigger();
    QCOMPARE(r.dialogs.shown.last().caption, QStringLiteral("提示"));
    QCOMPARE(r.dialogs.shown.last().text, QStringLiteral("真的要复位设备吗？"));
    QCOMPARE(r.panel(), QStringLiteral("[复位设备成功]"));
    QCOMPARE(r.memo1().last(), QStringLiteral("[复位设备成功]"));
    QCOMPARE(r.session->state.WorkMode, 0);
    QCOMPARE(framesWith(r, QStringLiteral("E0 05")), 1);

    // Cancel: nothing sent, the panel's text logged again, the work mode forgotten.
    r.session->state.WorkMode = 2;
    r.form->setResultText(QStringLiteral("[之前]"));
    r.form->m_resetDeviceAction->trigger();
    QCOMPARE(r.memo1().last(), QStringLiteral("[之前]"));
    QCOMPARE(r.session->state.WorkMode, 0);
    QCOMPARE(framesWith(r, QStringLiteral("E0 05")), 1);
}

void TestDeviceCommands::confirmedCommands_data()
{
    QTest::addColumn<bool>("reset");
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QString>("text");
    const QStringList none;
    QTest::newRow("defaults ok") << false << none << QStringLiteral("[参数设置成功]");
    QTest::newRow("defaults refused") << false << QStringList{QStringLiteral("--refuse"), QStringLiteral("E006")}
                                      << QStringLiteral("[参数设置失败]");
    QTest::newRow("defaults garbled") << false << QStringList{QStringLiteral("--garble"), QStringLiteral("E006")}
                                      << QStringLiteral("[参数设置失败，非法的返回串！]");
    QTest::newRow("defaults checksum") << false << QStringList{QStringLiteral("--bad-checksum")}
                                       << QStringLiteral("[参数设置失败，返回帧校验错误！]");
    QTest::newRow("reset refused") << true << QStringList{QStringLiteral("--refuse"), QStringLiteral("E005")}
                                   << QStringLiteral("[复位设备失败]");
    QTest::newRow("reset garbled") << true << QStringList{QStringLiteral("--garble"), QStringLiteral("E005")}
                                   << QStringLiteral("[复位设备失败，非法的返回串！]");
    QTest::newRow("reset checksum") << true << QStringList{QStringLiteral("--bad-checksum")}
                                    << QStringLiteral("[复位设备失败，返回帧校验错误！]");
}

void TestDeviceCommands::confirmedCommands()
{
    QFETCH(bool, reset);
    QFETCH(QStringList, faults);
    QFETCH(QString, text);
    SimWindowRig r;
    Options o;
    o.faults = faults;
    QVERIFY(r.start(o));
    r.dialogs.confirmAnswers << true;
    (reset ? r.form->m_resetDeviceAction : r.form->m_factoryDefaultsAction)->trigger();
    QCOMPARE(r.dialogs.shown.last().text,
             reset ? QStringLiteral("真的要复位设备吗？") : QStringLiteral("真的要恢复出厂默认设置吗？"));
    QCOMPARE(r.panel(), text);
    QCOMPARE(r.memo1().last(), text);
    QVERIFY(r.form->m_factoryDefaultsAction->isEnabled());

    if (!reset) {
        // Cancel sends nothing and logs the panel as it is.
        r.form->m_factoryDefaultsAction->trigger();
        QCOMPARE(framesWith(r, QStringLiteral("E0 06")), 1);
        QStringList log = r.memo1();
        QCOMPARE(log.size(), 2);
        QCOMPARE(log.last(), text);
    }
}

void TestDeviceCommands::noChannel()
{
    SimWindowRig r;
    Options o;
    o.openPort = false;
    QVERIFY(r.start(o));
    r.dialogs.confirmAnswers << true << true;
    r.form->m_factoryDefaultsAction->trigger();
    r.form->m_resetDeviceAction->trigger();
    QCOMPARE(r.dialogs.texts(QStringLiteral("information")),
             QStringList(2, QStringLiteral("数据通道未打开，请先打开串口或建立TCP链接")));
    QVERIFY(r.dialogs.texts(QStringLiteral("confirm")).isEmpty());
    // The status buttons send at once: the failure reaches the error box.
    QTest::mouseClick(r.form->m_controlPage->m_readStateButton, Qt::LeftButton);
    QCOMPARE(r.dialogs.texts(QStringLiteral("error")).size(), 1);
    QVERIFY(!r.dialogs.texts(QStringLiteral("error")).first().isEmpty());
    QCOMPARE(r.form->m_controlPage->m_stateLog->toPlainText(), QString());
}

void TestDeviceCommands::stateSignalVersionClock()
{
    SimWindowRig r;
    Options o;
    o.faults = QStringList{QStringLiteral("--state"), QStringLiteral("5"), QStringLiteral("--csq"), QStringLiteral("17")};
    QVERIFY(r.start(o));
    ControlPage *page = r.form->m_controlPage;
    r.form->m_tabs->setCurrentIndex(2);

    QTest::mouseClick(page->m_readStateButton, Qt::LeftButton);
    QCOMPARE(memo4(r).last(), QStringLiteral("DTU状态=5,在线状态，已登录到数据中心"));
    QTest::mouseClick(page->m_signalButton, Qt::LeftButton);
    QCOMPARE(memo4(r).last(), QStringLiteral("DTU CSQ=17"));
    QTest::mouseClick(page->m_versionButton, Qt::LeftButton);
    QVERIFY(memo4(r).last().startsWith(QStringLiteral("DTU版本号=")));
    QVERIFY(memo4(r).last().size() > QStringLiteral("DTU版本号=").size());

    QTest::mouseClick(page->m_readClockButton, Qt::LeftButton);
    QStringList lines = memo4(r);
    QCOMPARE(r.panel(), QStringLiteral("设备时钟读取成功"));
    QCOMPARE(lines.at(lines.size() - 2), QStringLiteral("设备时钟读取成功"));
    QVERIFY(!lines.last().isEmpty());

    QTest::mouseClick(page->m_setClockButton, Qt::LeftButton);
    lines = memo4(r);
    QCOMPARE(lines.last(), QStringLiteral("[设备时钟设置成功]"));
    const QRegularExpression clock(QStringLiteral("^设置设备时钟=\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}$"));
    QVERIFY2(clock.match(lines.at(lines.size() - 2)).hasMatch(), qPrintable(lines.at(lines.size() - 2)));
    // The device's clock now reads back the time just sent (within the same minute or so).
    QTest::mouseClick(page->m_readClockButton, Qt::LeftButton);
    QCOMPARE(memo4(r).last().left(13), lines.at(lines.size() - 2).mid(7, 13));

    // Set the state from the list, then read it back.
    page->m_stateCombo->setCurrentIndex(-1);
    r.form->deviceActions().setDeviceState();
    QCOMPARE(r.dialogs.texts(QStringLiteral("information")), QStringList{QStringLiteral("请选择一个状态!")});
    page->m_stateCombo->setCurrentIndex(1);
    r.form->deviceActions().setDeviceState();
    QCOMPARE(r.panel(), QStringLiteral("[状态设置成功]"));
    QCOMPARE(r.memo1().last(), QStringLiteral("[状态设置成功]"));
    QTest::mouseClick(page->m_readStateButton, Qt::LeftButton);
    QCOMPARE(memo4(r).last(), QStringLiteral("DTU状态=2,待机状态"));
}

void TestDeviceCommands::stateReadFailures_data()
{
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QString>("stateLine");
    QTest::addColumn<QString>("panel");
    QTest::newRow("silent") << QStringList{QStringLiteral("--silent"), QStringLiteral("E004")}
                            << QStringLiteral("DTU状态读取失败，设备无响应！") << QString();
    QTest::newRow("garbled") << QStringList{QStringLiteral("--garble"), QStringLiteral("E004,E023")}
                             << QStringLiteral("DTU状态读取失败，参数错误！") << QString();
    QTest::newRow("checksum") << QStringList{QStringLiteral("--bad-checksum")}
                              << QStringLiteral("DTU状态读取失败，返回帧校验错误！") << QString();
    QTest::newRow("wrong word") << QStringList{QStringLiteral("--wrong-cmd")} << QStringLiteral("DTU状态读取失败")
                                << QStringLiteral("[状态读取失败，返回数据包命令字非法！]");
}

void TestDeviceCommands::stateReadFailures()
{
    QFETCH(QStringList, faults);
    QFETCH(QString, stateLine);
    QFETCH(QString, panel);
    SimWindowRig r;
    Options o;
    o.faults = faults;
    QVERIFY(r.start(o));
    QTest::mouseClick(r.form->m_controlPage->m_readStateButton, Qt::LeftButton);
    QCOMPARE(memo4(r).last(), stateLine);
    QCOMPARE(r.panel(), panel);
    if (!panel.isEmpty())
        QCOMPARE(r.memo1().last(), panel);
    if (faults.first() != QLatin1String("--silent")) {
        // The signal read fails the same way, with its own line (a silent device would take 10 s).
        QTest::mouseClick(r.form->m_controlPage->m_signalButton, Qt::LeftButton);
        QCOMPARE(memo4(r).last(), QStringLiteral("信号读取失败"));
    }
}

void TestDeviceCommands::automaticFetch()
{
    SimWindowRig r;
    QVERIFY(r.start());
    r.form->m_commPage->m_baudCombo->setCurrentText(QStringLiteral("115200"));
    r.form->deviceActions().autoReadParams();
    QCOMPARE(r.dialogs.texts(QStringLiteral("information")),
             QStringList{QStringLiteral("请先将DTU断电，点击确定按钮(OK)后，立即给DTU上电")});
    QCOMPARE(r.form->m_commPage->m_baudCombo->currentText(), QStringLiteral("38400"));
    QCOMPARE(r.form->m_commPage->m_formatCombo->currentText(), QStringLiteral("8N1"));
    QVERIFY(r.session->link.isSerialOpen());
    QVERIFY(r.memo1().contains(QStringLiteral("[工作模式切换成功]")));
    QVERIFY(r.deviceGot(QStringLiteral("E0 22 01 4B 4D 56 52 42 54 51 48 57 44 4E 58 41")));
    QCOMPARE(r.panel(), QStringLiteral("[参数读取完毕]"));
    QCOMPARE(r.shown("0002"), QStringLiteral("internet"));
}

void TestDeviceCommands::tabPagesSelectTheParameterSet()
{
    SimWindowRig r;
    Options o;
    o.ext = true;
    QVERIFY(r.start(o));
    QCOMPARE(r.session->state.ParamChannel, -1);
    r.form->m_tabs->setCurrentIndex(MainWindow::kExtTabIndex);
    QCOMPARE(r.session->state.ParamChannel, 0);
    QCOMPARE(framesWith(r, QStringLiteral("E0 50 00")), 1);
    r.form->m_tabs->setCurrentIndex(2);
    QCOMPARE(r.session->state.ParamChannel, 1);
    QCOMPARE(framesWith(r, QStringLiteral("E0 50 01")), 1);
    // Already addressed to the main set: the next pages send nothing.
    r.form->m_tabs->setCurrentIndex(0);
    r.form->m_tabs->setCurrentIndex(1);
    QCOMPARE(r.framesSeen().size(), 2);
}

void TestDeviceCommands::commandsRefusedWhileBusy()
{
    SimWindowRig r;
    Options o;
    o.faults = QStringList{QStringLiteral("--delay"), QStringLiteral("700")};
    QVERIFY(r.start(o));
    ControlPage *page = r.form->m_controlPage;
    bool probed = false;
    bool locked = false;
    QTimer probe;
    probe.setInterval(20);
    connect(&probe, &QTimer::timeout, this, [&] {
        if (probed || !r.session->engine.isBusy())
            return;
        probed = true;
        locked = !page->m_signalButton->isEnabled() && !r.form->m_factoryDefaultsAction->isEnabled() && !r.form->m_extPage->m_readButton->isEnabled();
        r.form->deviceActions().readSignal();
    });
    probe.start();
    QTest::mouseClick(page->m_readStateButton, Qt::LeftButton);
    probe.stop();
    QVERIFY(probed);
    QVERIFY(locked);
    // Refused without a box: the log says why.
    QVERIFY(r.dialogs.shown.isEmpty());
    QVERIFY(r.memo1().contains(ExchangeEngine::BusyText()));
    QCOMPARE(memo4(r).last(), QStringLiteral("DTU状态=2,待机状态"));
    QCOMPARE(framesWith(r, QStringLiteral("E0 23")), 0);
    QVERIFY(page->m_signalButton->isEnabled());
}

void TestDeviceCommands::activatingTheWindowDuringAWaitKeepsTheReply()
{
    SimWindowRig r;
    Options o;
    o.faults = QStringList{QStringLiteral("--delay"), QStringLiteral("1200")};
    QVERIFY(r.start(o));
    // The user switches to another window and back while the state read waits for its reply.
    QWidget other;
    other.resize(200, 100);
    QList<bool> pollOn;
    QTimer::singleShot(200, &other, [&] {
        other.show();
        other.activateWindow();
    });
    QTimer::singleShot(500, r.form.get(), [&] { r.form->activateWindow(); });
    QTimer::singleShot(800, r.form.get(), [&] {
        // Also the activation as the window system reports it, had the platform not delivered it.
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(r.form.get(), &activate);
        pollOn << r.session->poll.isActive();
    });
    QTest::mouseClick(r.form->findChild<QPushButton *>(QStringLiteral("Button9")), Qt::LeftButton);
    QCOMPARE(pollOn, QList<bool>{false});
    QCOMPARE(memo4(r).last(), QStringLiteral("DTU状态=2,待机状态"));
    QVERIFY(r.session->poll.isActive());
}

QTEST_MAIN(TestDeviceCommands)
#include "tst_device_commands.moc"
