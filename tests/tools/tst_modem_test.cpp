// The AT-command entry: Enter and Ctrl+Z send the entry with their terminator. The simulated
// device loops the bytes back in work mode 0, where the conversation box shows them in hex.
#include "tool_rig.h"

#include "tools/modem_page.h"

#include <QCheckBox>

using namespace toolrig;

class TestModem : public QObject {
    Q_OBJECT
private slots:
    void enterAndCtrlZSendTerminators();
    void failedSendKeepsEntry();

private:
    // The hex parts of the echoed lines, joined.
    static QString echoedHex(Rig &rig)
    {
        QString hex;
        for (const QString &l : rig.conversation().filter(QStringLiteral("收到数据"))) {
            const int open = l.indexOf(QLatin1Char('{'));
            hex += l.mid(open + 1, l.indexOf(QLatin1Char('}')) - open - 1);
        }
        return hex;
    }
};

void TestModem::enterAndCtrlZSendTerminators()
{
    Rig rig;
    QVERIFY(rig.start());
    rig.form->m_transparentPage->m_hexCheck->click();
    QLineEdit *edit = rig.form->m_modemPage->m_atCommandEdit;
    QTest::keyClicks(edit, QStringLiteral("AT"));
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(edit->text().isEmpty());
    QTRY_COMPARE(echoedHex(rig), QStringLiteral("41 54 0D "));

    QTest::keyClick(edit, Qt::Key_Enter);  // empty entry: the carriage return alone
    QTRY_COMPARE(echoedHex(rig), QStringLiteral("41 54 0D 0D "));

    QTest::keyClicks(edit, QStringLiteral("hi"));
    QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(edit->text().isEmpty());
    QTRY_COMPARE(echoedHex(rig), QStringLiteral("41 54 0D 0D 68 69 1A "));
    QCOMPARE(rig.state().ReceivedBytes, 7);

    // At level 1 the bytes sent are logged.
    rig.state().PrivilegeLevel = 1;
    QTest::keyClicks(edit, QStringLiteral("A"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(rig.memo1().first(), QStringLiteral("下行：41 0D "));
}

void TestModem::failedSendKeepsEntry()
{
    Rig rig;
    QVERIFY(rig.start({}, false));
    QLineEdit *edit = rig.form->m_modemPage->m_atCommandEdit;
    QTest::keyClicks(edit, QStringLiteral("ATD123"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(rig.dialogs.texts(QStringLiteral("error")), QStringList{QStringLiteral("Device not opened.")});
    QCOMPARE(edit->text(), QStringLiteral("ATD123"));
    QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);  // not the edit's undo either
    QCOMPARE(edit->text(), QStringLiteral("ATD123"));
    QCOMPARE(rig.dialogs.texts(QStringLiteral("error")).size(), 2);
}

QTEST_MAIN(TestModem)
#include "tst_modem_test.moc"
