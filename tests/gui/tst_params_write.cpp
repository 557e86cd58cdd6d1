// "设置" and "批量写参数" against the simulated device: edits written and read back, the
// batch's progress and summary, the protected row, every failure text, and the lock on
// device actions while a reply is awaited.
#include "sim_window_rig.h"

#include "params/param_ops.h"
#include "protocol/exchange_engine.h"
#include "tools/control_page.h"

#include <QAction>

using namespace rig;

namespace {
const QString kOk = QStringLiteral("[参数设置成功]");

void writeSelected(SimWindowRig &r)
{
    QTest::mouseClick(r.form->m_commPage->m_writeButton, Qt::LeftButton);
}
} // namespace

class TestParamsWrite : public QObject {
    Q_OBJECT
private slots:
    void editedRowsAreWrittenAndReadBack();
    void batchWriteShowsProgressAndSummary();
    void protectedRowNeedsLevelTwo();
    void failuresOfOneWrite_data();
    void failuresOfOneWrite();
    void noChannelAsksOnceForTheBatch();
    void secondActionDuringAWaitIsRefused();
};

void TestParamsWrite::editedRowsAreWrittenAndReadBack()
{
    SimWindowRig r;
    QVERIFY(r.start());
    QTest::mouseClick(r.form->m_commPage->m_readButton, Qt::LeftButton);
    QCOMPARE(r.shown("0001"), QStringLiteral("协议"));

    r.selectMain("0001");
    r.pick(QStringLiteral("透明"));
    writeSelected(r);
    QCOMPARE(r.panel(), kOk);
    QStringList log = r.memo1();
    QCOMPARE(log.at(log.size() - 2), QStringLiteral("设置参数：工作模式=透明"));
    QCOMPARE(log.last(), kOk);

    const struct {
        const char *code;
        QString typed;
    } edits[] = {{"0002", QStringLiteral("cmiot")}, {"0003", QStringLiteral("5020")},
                 {"0004", QStringLiteral("3.25")}, {"0005", QStringLiteral("guest")}};
    for (const auto &e : edits) {
        r.selectMain(e.code);
        r.retype(e.typed);
        writeSelected(r);
        QCOMPARE(r.panel(), kOk);
        log = r.memo1();
        QCOMPARE(log.at(log.size() - 2), QStringLiteral("设置参数：%1=%2").arg(r.main().row(r.rowOf(e.code)).name, e.typed));
    }
    // The APN went out with its own code as the command word and its bytes as payload.
    QVERIFY(r.deviceGot(QStringLiteral("00 02 63 6D 69 6F 74")));

    // Spoil the table, then read: the device's store holds what was written.
    for (const char *code : {"0001", "0002", "0003", "0004", "0005"})
        r.main().setStoredAndShown(r.rowOf(code), QStringLiteral("HEX:"), QStringLiteral("?"));
    QTest::mouseClick(r.form->m_commPage->m_readButton, Qt::LeftButton);
    QCOMPARE(r.panel(), QStringLiteral("[参数读取完毕]"));
    QCOMPARE(r.shown("0001"), QStringLiteral("透明"));
    QCOMPARE(r.shown("0002"), QStringLiteral("cmiot"));
    QCOMPARE(r.shown("0003"), QStringLiteral("5020"));
    QCOMPARE(r.shown("0004"), QStringLiteral("3.250"));
    QCOMPARE(r.shown("0005"), QStringLiteral("guest"));
}

void TestParamsWrite::batchWriteShowsProgressAndSummary()
{
    SimWindowRig r;
    Options o;
    o.faults = QStringList{QStringLiteral("--delay"), QStringLiteral("60")};
    QVERIFY(r.start(o));
    PanelRecorder rec(r.form->m_resultLabel);
    r.form->m_batchWriteAction->trigger();
    QStringList log = r.memo1();
    QCOMPARE(log.last(), QStringLiteral("批量写参数结束：共6项，成功5项，失败0项，跳过1项"));
    QCOMPARE(log.filter(QStringLiteral("设置参数：")).size(), 5);
    QCOMPARE(log.filter(kOk).size(), 5);
    QVERIFY2(rec.texts.contains(QStringLiteral("正在设置，请稍候... 1/6")), qPrintable(rec.texts.join('|')));
    QVERIFY2(rec.texts.contains(QStringLiteral("正在设置，请稍候... 5/6")), qPrintable(rec.texts.join('|')));
    // Each row was selected in turn, ending on the last coded row.
    QCOMPARE(r.main().selectedRow(), r.rowOf("0091"));
    QVERIFY(!r.deviceGot(QStringLiteral("00 91")));

    r.session->state.PrivilegeLevel = 2;
    r.form->m_log->clear();
    r.form->m_batchWriteAction->trigger();
    QCOMPARE(r.memo1().last(), QStringLiteral("批量写参数结束：共6项，成功6项，失败0项"));
    QVERIFY(r.deviceGot(QStringLiteral("00 91 05")));
}

void TestParamsWrite::protectedRowNeedsLevelTwo()
{
    SimWindowRig r;
    QVERIFY(r.start());
    r.form->setResultText(QStringLiteral("之前"));
    r.selectMain("0091");
    writeSelected(r);
    QCOMPARE(r.panel(), QStringLiteral("之前"));
    QCOMPARE(r.form->m_log->toPlainText(), QString());
    QVERIFY(r.framesSeen().isEmpty());

    // A heading is never written either.
    r.main().setSelectedRow(1);
    writeSelected(r);
    QVERIFY(r.framesSeen().isEmpty());

    r.session->state.PrivilegeLevel = 2;
    r.selectMain("0002");
    r.selectMain("0091");
    r.retype(QStringLiteral("7"));
    writeSelected(r);
    QCOMPARE(r.panel(), kOk);
    QVERIFY(r.deviceGot(QStringLiteral("00 91 07")));
}

void TestParamsWrite::failuresOfOneWrite_data()
{
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("editorEmptied");
    QTest::newRow("refused") << QStringList{QStringLiteral("--refuse"), QStringLiteral("0002")}
                             << QStringLiteral("[参数设置失败]") << false;
    QTest::newRow("silent") << QStringList{QStringLiteral("--silent"), QStringLiteral("0002")}
                            << QStringLiteral("[参数设置失败，设备无响应！]") << false;
    QTest::newRow("garbled") << QStringList{QStringLiteral("--garble"), QStringLiteral("0002")}
                             << QStringLiteral("[参数设置失败，输入了非法内容！]") << true;
    QTest::newRow("checksum") << QStringList{QStringLiteral("--bad-checksum")}
                              << QStringLiteral("[参数设置失败，返回帧校验错误！]") << false;
}

void TestParamsWrite::failuresOfOneWrite()
{
    QFETCH(QStringList, faults);
    QFETCH(QString, text);
    QFETCH(bool, editorEmptied);
    SimWindowRig r;
    Options o;
    o.faults = faults;
    QVERIFY(r.start(o));
    r.selectMain("0002");
    r.retype(QStringLiteral("abc"));
    writeSelected(r);
    QCOMPARE(r.panel(), text);
    const QStringList log = r.memo1();
    QCOMPARE(log.last(), text);
    QCOMPARE(log.at(log.size() - 2), QStringLiteral("设置参数：APN=abc"));
    QCOMPARE(r.gEdit()->text(), editorEmptied ? QString() : QStringLiteral("abc"));
    // The row keeps what the user typed.
    QCOMPARE(r.stored("0002"), QStringLiteral("HEX:616263"));
    QCOMPARE(r.shown("0002"), QStringLiteral("abc"));
}

void TestParamsWrite::noChannelAsksOnceForTheBatch()
{
    SimWindowRig r;
    Options o;
    o.openPort = false;
    QVERIFY(r.start(o));
    r.selectMain("0002");
    writeSelected(r);
    r.form->m_batchWriteAction->trigger();
    QCOMPARE(r.dialogs.texts(QStringLiteral("information")),
             QStringList(2, QStringLiteral("数据通道未打开，请先打开串口或建立TCP链接")));
    QCOMPARE(r.form->m_log->toPlainText(), QString());
}

void TestParamsWrite::secondActionDuringAWaitIsRefused()
{
    SimWindowRig r;
    Options o;
    o.faults = QStringList{QStringLiteral("--delay"), QStringLiteral("700")};
    QVERIFY(r.start(o));
    r.selectMain("0002");
    r.retype(QStringLiteral("abc"));

    bool probed = false;
    bool locked = false;
    QTimer probe;
    probe.setInterval(20);
    connect(&probe, &QTimer::timeout, this, [&] {
        if (probed || !r.session->engine.isBusy())
            return;
        probed = true;
        locked = !r.form->m_commPage->m_readButton->isEnabled() && !r.form->m_commPage->m_writeButton->isEnabled() &&
                 !r.form->m_batchWriteAction->isEnabled() && !r.form->m_resetDeviceAction->isEnabled() && !r.form->m_controlPage->m_readStateButton->isEnabled() &&
                 !r.form->m_loadProfileAction->isEnabled() && !r.form->m_commPage->m_openPortButton->isEnabled() &&
                 !r.form->m_commPage->m_baudCombo->isEnabled() && !r.form->m_tabs->tabBar()->isEnabled();
        QTest::mouseClick(r.form->m_commPage->m_readButton, Qt::LeftButton);   // disabled: nothing happens
        r.form->readMainParams();                                           // refused with a text
    });
    probe.start();
    writeSelected(r);
    probe.stop();

    QVERIFY(probed);
    QVERIFY(locked);
    // Refused without a box: the log says why, and the running write's result ends in the panel.
    QVERIFY(r.dialogs.shown.isEmpty());
    QVERIFY(r.memo1().contains(ExchangeEngine::BusyText()));
    QCOMPARE(r.panel(), kOk);
    QVERIFY(!r.deviceGot(QStringLiteral("E0 01")));
    QVERIFY(r.form->m_commPage->m_readButton->isEnabled());
    QVERIFY(r.form->m_batchWriteAction->isEnabled());
    QVERIFY(r.form->m_loadProfileAction->isEnabled() && r.form->m_commPage->m_openPortButton->isEnabled());
}

QTEST_MAIN(TestParamsWrite)
#include "tst_params_write.moc"
