// "读取" on both tabs against the simulated device: values into the main and the extended
// table, a non-empty frame prefix, every failure text, the strict reply timing, and the
// timed-query panel's read and its checks.
#include "sim_window_rig.h"

#include "params/param_ops.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QGroupBox>

using namespace rig;

namespace {
const QString kDone = QStringLiteral("[参数读取完毕]");

void checkDeviceValuesShown(SimWindowRig &r)
{
    QCOMPARE(r.shown("0001"), QStringLiteral("协议"));
    QCOMPARE(r.shown("0002"), QStringLiteral("internet"));
    QCOMPARE(r.stored("0002"), QStringLiteral("HEX:696E7465726E6574"));
    QCOMPARE(r.shown("0003"), QStringLiteral("9000"));
    QCOMPARE(r.shown("0004"), QStringLiteral("2.500"));
    QCOMPARE(r.shown("0005"), QStringLiteral("admin"));
    QCOMPARE(r.shown("0091"), QStringLiteral("9"));
}
} // namespace

class TestParamsRead : public QObject {
    Q_OBJECT
private slots:
    void readsMainAndExtendedTables();
    void readsWithFramePrefix();
    void failuresKeepTheirText_data();
    void failuresKeepTheirText();
    void noChannelAsksToOpenOne();
    void strictTimingWaitsForSilence();
    void timedQueryPanel();
};

void TestParamsRead::readsMainAndExtendedTables()
{
    SimWindowRig r;
    Options o;
    o.ext = true;
    QVERIFY(r.start(o));
    QCOMPARE(r.session->state.ParamChannel, -1);
    // No set is addressed yet, so no table is active and a row gets no editor.
    r.selectMain("0002");
    QVERIFY(!r.gEdit()->isVisible());

    QTest::mouseClick(r.form->m_commPage->m_readButton, Qt::LeftButton);
    checkDeviceValuesShown(r);
    r.selectMain("0001");
    r.selectMain("0002");
    QVERIFY(r.gEdit()->isVisible());
    QCOMPARE(r.gEdit()->text(), QStringLiteral("internet"));
    QTest::mouseClick(r.form->m_commPage->m_readButton, Qt::LeftButton);
    QCOMPARE(r.panel(), kDone);
    QCOMPARE(r.memo1().last(), kDone);
    QVERIFY(!r.gEdit()->isVisible());
    // Right after the port opened the main table's set was selected first.
    QVERIFY(r.deviceGot(QStringLiteral("E0 50 01")));
    QCOMPARE(r.session->state.WorkMode, 0);
    // The extended table is not read from the main tab.
    QCOMPARE(r.ext().row(0).stored, QStringLiteral("HEX:01"));

    r.form->m_tabs->setCurrentIndex(MainWindow::kExtTabIndex);
    QVERIFY(r.deviceGot(QStringLiteral("E0 50 00")));
    QTest::mouseClick(r.form->m_extPage->m_readButton, Qt::LeftButton);
    QCOMPARE(r.ext().row(0).shown, QStringLiteral("7"));
    QCOMPARE(r.ext().row(1).shown, QStringLiteral("变化"));
    QCOMPARE(r.ext().row(1).stored, QStringLiteral("HEX:01"));
    QCOMPARE(r.panel(), kDone);
    // Reading the extended set leaves the main rows as they were.
    checkDeviceValuesShown(r);
}

void TestParamsRead::readsWithFramePrefix()
{
    SimWindowRig r;
    Options o;
    o.prefix = QStringLiteral("0102");
    QVERIFY(r.start(o));
    QTest::mouseClick(r.form->m_commPage->m_readButton, Qt::LeftButton);
    QCOMPARE(r.panel(), kDone);
    checkDeviceValuesShown(r);
    QCOMPARE(r.session->state.LastPrefix, QByteArray("\x01\x02", 2));
    bool prefixed = false;
    for (const QString &line : r.framesSeen())
        prefixed = prefixed || line.mid(12).startsWith(QStringLiteral("01 02 E0 01 00 01 00 02"));
    QVERIFY(prefixed);
}

void TestParamsRead::failuresKeepTheirText_data()
{
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("text");
    QTest::newRow("silent") << QStringList{QStringLiteral("--silent"), QStringLiteral("E001")} << QString()
                            << QStringLiteral("[参数读取失败，设备无响应！]");
    QTest::newRow("garbled") << QStringList{QStringLiteral("--garble"), QStringLiteral("E001")} << QString()
                             << QStringLiteral("[参数读取失败，返回数据包头非法！]");
    QTest::newRow("checksum") << QStringList{QStringLiteral("--bad-checksum")} << QString()
                              << QStringLiteral("[参数读取失败，返回数据包校验错！]");
    QTest::newRow("command") << QStringList() << QStringLiteral("COMMANDS.CMD_REPLYCONFIG = \"F081\";")
                             << QStringLiteral("[参数读取失败，返回数据包命令字非法！]");
}

void TestParamsRead::failuresKeepTheirText()
{
    QFETCH(QStringList, faults);
    QFETCH(QString, script);
    QFETCH(QString, text);
    SimWindowRig r;
    Options o;
    o.faults = faults;
    QVERIFY(r.start(o));
    if (!script.isEmpty())
        QVERIFY(r.session->script.evaluate(script).ok);
    QVERIFY(r.form->m_commPage->m_readButton->isEnabled());
    QTest::mouseClick(r.form->m_commPage->m_readButton, Qt::LeftButton);
    // The failure stays on the panel: a failed read is never reported as finished.
    QCOMPARE(r.panel(), text);
    QCOMPARE(r.memo1().last(), text);
    QVERIFY(!r.memo1().contains(kDone));
    QCOMPARE(r.shown("0002"), QStringLiteral("cmnet"));
    QCOMPARE(r.stored("0003"), QStringLiteral("HEX:1F90"));
    QVERIFY(r.form->m_commPage->m_readButton->isEnabled());
}

void TestParamsRead::noChannelAsksToOpenOne()
{
    SimWindowRig r;
    Options o;
    o.openPort = false;
    QVERIFY(r.start(o));
    QTest::mouseClick(r.form->m_commPage->m_readButton, Qt::LeftButton);
    QCOMPARE(r.dialogs.texts(QStringLiteral("information")),
             QStringList{QStringLiteral("数据通道未打开，请先打开串口或建立TCP链接")});
    QCOMPARE(r.panel(), QString());
    QVERIFY(r.framesSeen().isEmpty());
}

void TestParamsRead::strictTimingWaitsForSilence()
{
    SimWindowRig r;
    Options o;
    o.fast = false;
    QVERIFY(r.start(o));
    QVERIFY(!r.form->m_fastRepliesAction->isChecked());
    QElapsedTimer t;
    t.start();
    QTest::mouseClick(r.form->m_commPage->m_readButton, Qt::LeftButton);
    // Without fast replies a reply ends only after about 0.4 s of silence.
    QVERIFY2(t.elapsed() >= 400, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(r.panel(), kDone);
    checkDeviceValuesShown(r);

    // The menu switch turns fast replies on and keeps the choice in the user's settings; the
    // profile describes the device and is not touched.
    r.form->m_fastRepliesAction->trigger();
    QVERIFY(r.session->state.FastReplies);
    QVERIFY(UserSettings().fastReplies());
    QFile f(r.path(QStringLiteral("dev.txt")));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(!f.readAll().contains("FastReplies"));
    f.close();
    r.session->state.FastReplies = false;
    QVERIFY(r.form->loadProfileFromCommandLine(r.path(QStringLiteral("dev.txt"))));
    QVERIFY(r.session->state.FastReplies);
    QVERIFY(r.form->m_fastRepliesAction->isChecked());
    // A profile that still carries "FastReplies" is honoured while it is loaded.
    QFile old(r.path(QStringLiteral("old.txt")));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("{\n \"Title\": \"old\",\n \"FastReplies\": \"0\",\n \"Params\": []\n}\n");
    old.close();
    QVERIFY(r.form->loadProfileFromCommandLine(r.path(QStringLiteral("old.txt"))));
    QVERIFY(!r.session->state.FastReplies);
    QVERIFY(!r.form->m_fastRepliesAction->isChecked());
    QVERIFY(UserSettings().fastReplies());
}

void TestParamsRead::timedQueryPanel()
{
    SimWindowRig r;
    QVERIFY(r.start());
    CommPage *page = r.form->m_commPage;
    QVERIFY(!page->m_timedQueryPanel->isVisible());
    r.form->m_timedQueryCheck->setChecked(true);
    QVERIFY(page->m_timedQueryPanel->isVisible());

    QTest::mouseClick(page->m_queryReadButton, Qt::LeftButton);
    QCOMPARE(r.panel(), kDone);
    QVERIFY(r.deviceGot(QStringLiteral("E0 01 00 49 00 4A 00 4B 00 4C 00 4D 00 4E 00 4F")));

    // The period takes digits only.
    page->m_queryPeriodEdit->clear();
    QTest::keyClicks(page->m_queryPeriodEdit, QStringLiteral("6x5-0a1"));
    QCOMPARE(page->m_queryPeriodEdit->text(), QStringLiteral("6501"));
    page->m_autoQueryCheck->setChecked(true);
    QTest::mouseClick(page->m_queryWriteButton, Qt::LeftButton);
    QCOMPARE(page->m_queryInfoBox->toPlainText(), QStringLiteral("设置失败:定时查询周期不能大于6500秒!"));

    // HEX mode: the title says so, the command is emptied and takes hex digits only.
    QTest::keyClicks(page->m_queryCommandEdit, QStringLiteral("abc"));
    QTest::mouseClick(page->m_queryHexCheck, Qt::LeftButton);
    QCOMPARE(page->m_queryCommandGroup->title(), QStringLiteral("查询命令输入窗口[HEX模式]"));
    QCOMPARE(page->m_queryCommandEdit->toPlainText(), QString());
    QTest::keyClicks(page->m_queryCommandEdit, QStringLiteral("4aZ1g"));
    QCOMPARE(page->m_queryCommandEdit->toPlainText(), QStringLiteral("4a1"));

    page->m_queryPeriodEdit->setText(QStringLiteral("60"));
    page->m_queryInfoBox->clear();
    QTest::mouseClick(page->m_queryWriteButton, Qt::LeftButton);
    const QStringList lines = page->m_queryInfoBox->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.at(0), QStringLiteral("设置定时查询参数  状态:启用,  查询周期60秒"));
    QCOMPARE(lines.at(1), QStringLiteral("定时查询命令内容:[HEX:4a1]J"));
    QCOMPARE(lines.at(2), QString());
    // The prepared record: state, period, command length, command, FF up to 254 bytes.
    QVERIFY(lines.at(3).startsWith(QStringLiteral("5A 00 3C 01 4A FF FF")));
    QCOMPARE(lines.at(3).trimmed().split(QLatin1Char(' ')).size(), 254);
    QVERIFY(page->m_timedQueryStrip->isEnabled());
}

QTEST_MAIN(TestParamsRead)
#include "tst_params_read.moc"
