// The command window against the simulated device: each kind of description, the answer
// handed to ONREPLY, bad descriptions, no selection, busy and closed channels.
#include "tool_rig.h"

#include "profile/button_table.h"
#include "text/language.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTreeView>

using namespace toolrig;

class TestCommandWindow : public QObject {
    Q_OBJECT
private slots:
    void packetIsFramedAndAnswered();
    void hexDropsOddDigitAndSendsRaw();
    void asciiIsSentAsText();
    void unknownTypeSendsNothingAndWaits();
    void badDescriptionIsReported_data();
    void badDescriptionIsReported();
    void refusedWithoutSelectionBusyOrChannel();
    void visibleMenuEntryShowsWindow();

private:
    static void addButton(Rig &rig, const QString &name, const QString &onClick, const QString &onReply)
    {
        rig.session->buttons.addRow(ButtonRow{name, onClick, onReply});
    }
    static void run(Rig &rig, int row)
    {
        QTreeView *list = rig.form2->m_commandList;
        list->selectionModel()->select(list->model()->index(row, 0),
                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        rig.form2->runSelectedCommand();
    }
};

void TestCommandWindow::packetIsFramedAndAnswered()
{
    Rig rig;
    QVERIFY(rig.start());
    addButton(rig, QStringLiteral("读状态"), QStringLiteral("'{\"TYPE\":\"PACKET\",\"CMD\":\"E004\",\"DATA\":\"\"}'"),
              QStringLiteral("'状态' + hexinput.substr(12, 2)"));
    run(rig, 0);
    // The device answers a state read with AA 55 00 05 E0 04, its state (2) and the sum.
    QCOMPARE(lines(rig.form2->m_outputBox), (QStringList{QStringLiteral("[读状态]"), QStringLiteral("状态02")}));
    QCOMPARE(rig.memo1(), QStringList{QStringLiteral("上行：AA 55 00 05 E0 04 02 00 EB ")});
    QCOMPARE(rig.framesSeen(), QStringList{QStringLiteral("AA 55 00 04 E0 04 00 E8")});

    // At level 1 the frame sent and the answer are logged by the exchange too (so twice).
    rig.form->m_log->clear();
    rig.state().PrivilegeLevel = 1;
    run(rig, 0);
    QCOMPARE(rig.memo1(), (QStringList{QStringLiteral("下行：AA 55 00 04 E0 04 00 E8 "),
                                       QStringLiteral("上行：AA 55 00 05 E0 04 02 00 EB "),
                                       QStringLiteral("上行：AA 55 00 05 E0 04 02 00 EB ")}));
    QCOMPARE(lines(rig.form2->m_outputBox).size(), 4);  // earlier output stays
}

void TestCommandWindow::hexDropsOddDigitAndSendsRaw()
{
    Rig rig;
    QVERIFY(rig.start());
    // In work mode 0 the device loops raw bytes back: the answer is what went out.
    addButton(rig, QStringLiteral("原始"), QStringLiteral("'{\"TYPE\":\"HEX\",\"DATA\":\"0102A\"}'"),
              QStringLiteral("'收到' + hexinput"));
    run(rig, 0);
    QCOMPARE(rig.memo1(), (QStringList{QStringLiteral("下行HEX：0102A"), QStringLiteral("上行：01 02 ")}));
    QCOMPARE(lines(rig.form2->m_outputBox), (QStringList{QStringLiteral("[原始]"), QStringLiteral("收到0102")}));
    QVERIFY(rig.framesSeen().isEmpty());
}

void TestCommandWindow::asciiIsSentAsText()
{
    Rig rig;
    QVERIFY(rig.start());
    addButton(rig, QStringLiteral("AT"), QStringLiteral("'{\"TYPE\":\"ASCII\",\"CMD\":\"AT+CSQ\"}'"),
              QStringLiteral("hexinput"));
    run(rig, 0);
    QCOMPARE(rig.memo1(), (QStringList{QStringLiteral("下行ASCII：AT+CSQ"), QStringLiteral("上行：41 54 2B 43 53 51 ")}));
    QCOMPARE(lines(rig.form2->m_outputBox).last(), QStringLiteral("41542B435351"));
}

void TestCommandWindow::unknownTypeSendsNothingAndWaits()
{
    Rig rig;
    QVERIFY(rig.start());
    rig.form2->answerTimeoutMs = 400;
    addButton(rig, QStringLiteral("小写"), QStringLiteral("'{\"TYPE\":\"hex\",\"DATA\":\"0102\"}'"),
              QStringLiteral("'[' + hexinput + ']'"));
    QElapsedTimer t;
    t.start();
    run(rig, 0);
    QVERIFY(t.elapsed() >= 300);  // the full wait, nothing came
    QCOMPARE(rig.memo1(), QStringList{QStringLiteral("上行：")});
    QCOMPARE(lines(rig.form2->m_outputBox), (QStringList{QStringLiteral("[小写]"), QStringLiteral("[]")}));
    QCOMPARE(rig.state().ReceivedBytes, 0);
}

void TestCommandWindow::badDescriptionIsReported_data()
{
    QTest::addColumn<bool>("english");
    QTest::newRow("Chinese") << false;
    QTest::newRow("English") << true;
}

// Where each failure is told does not depend on the language its text is in.
void TestCommandWindow::badDescriptionIsReported()
{
    QFETCH(bool, english);
    struct Restore {
        ~Restore() { ApplyLanguage(UiLanguage::Chinese); }
    } restore;
    QVERIFY(ApplyLanguage(english ? UiLanguage::English : UiLanguage::Chinese));
    Rig rig;
    QVERIFY(rig.start());
    addButton(rig, QStringLiteral("坏"), QStringLiteral("'not json'"), QStringLiteral("'never'"));
    addButton(rig, QStringLiteral("脚本错"), QStringLiteral("noSuchFunction()"), QStringLiteral("'never'"));
    run(rig, 0);
    const QStringList out = lines(rig.form2->m_outputBox);
    QCOMPARE(out.size(), 2);
    QCOMPARE(out.first(), QStringLiteral("[坏]"));
    QVERIFY2(out.last().contains(QStringLiteral("not json")), qPrintable(out.last()));
    QVERIFY(rig.dialogs.shown.isEmpty());
    QVERIFY(rig.memo1().isEmpty());

    run(rig, 1);  // a script error goes to the error box
    QCOMPARE(rig.dialogs.texts(QStringLiteral("error")).size(), 1);
    QCOMPARE(lines(rig.form2->m_outputBox).size(), 3);
    QTest::qWait(150);
    QVERIFY(rig.framesSeen().isEmpty());
    QCOMPARE(rig.state().ReceivedBytes, 0);  // nothing went out, nothing came back
}

void TestCommandWindow::refusedWithoutSelectionBusyOrChannel()
{
    Rig rig;
    QVERIFY(rig.start({}, false));
    addButton(rig, QStringLiteral("发"), QStringLiteral("'{\"TYPE\":\"HEX\",\"DATA\":\"01\"}'"), QStringLiteral("'x'"));
    rig.form2->runSelectedCommand();  // nothing selected
    QVERIFY(rig.form2->m_outputBox->toPlainText().isEmpty());
    QVERIFY(rig.dialogs.shown.isEmpty());

    {
        ExchangeEngine::Guard other(rig.session->engine);
        // The list that starts commands is disabled during another exchange; a run asked for
        // anyway is refused in the log and the status panel, without a box.
        QVERIFY(!rig.form2->m_commandList->isEnabled());
        run(rig, 0);
        QVERIFY(rig.dialogs.shown.isEmpty());
        QVERIFY(rig.memo1().contains(ExchangeEngine::BusyText()));
        QCOMPARE(rig.form->resultText(), ExchangeEngine::BusyText());
        QVERIFY(rig.form2->m_outputBox->toPlainText().isEmpty());
    }
    QVERIFY(rig.form2->m_commandList->isEnabled());

    run(rig, 0);  // no channel open
    QCOMPARE(rig.dialogs.texts(QStringLiteral("error")).last(), QStringLiteral("Device not opened."));
    QCOMPARE(lines(rig.form2->m_outputBox), QStringList{QStringLiteral("[发]")});
    QCOMPARE(rig.memo1().last(), QStringLiteral("下行HEX：01"));
}

void TestCommandWindow::visibleMenuEntryShowsWindow()
{
    Rig rig;
    QVERIFY(rig.start({}, false));
    auto *entry = rig.form->findChild<QAction *>(QStringLiteral("NCmdWindow"));
    QVERIFY(entry);
    QVERIFY(entry->isVisible());
    QCOMPARE(entry->text(), QStringLiteral("命令执行窗口"));
    QVERIFY(rig.form2->isHidden());
    entry->trigger();
    QVERIFY(rig.form2->isVisible());
    QTest::mouseClick(rig.form2->m_okButton, Qt::LeftButton);
    QVERIFY(rig.form2->isHidden());
    rig.form->m_otherActionsAction->trigger();  // the hidden entry does the same
    QVERIFY(rig.form2->isVisible());
}

QTEST_MAIN(TestCommandWindow)
#include "tst_command_window.moc"
