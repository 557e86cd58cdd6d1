// The password box of the main log and the levels it grants.
#include "tool_rig.h"

#include "app/privilege.h"
#include "params/param_editor_logic.h"

using namespace toolrig;

class TestPrivilege : public QObject {
    Q_OBJECT
private slots:
    void ctrlAOpensTheBox();
    void passwordsGrantLevels();
    void protectedRowFollowsLevel();

private:
    static void enter(Rig &rig, const QString &text)
    {
        QTest::keyClicks(rig.form->m_passwordEdit, text);
        QTest::keyClick(rig.form->m_passwordEdit, Qt::Key_Return);
    }
};

void TestPrivilege::ctrlAOpensTheBox()
{
    Rig rig;
    QVERIFY(rig.start({}, false));
    QLineEdit *box = rig.form->m_passwordEdit;
    QVERIFY(box->isHidden());
    QCOMPARE(box->echoMode(), QLineEdit::Password);
    rig.form->m_log->setFocus();
    QTest::keyClick(rig.form->m_log, Qt::Key_B, Qt::ControlModifier);
    QVERIFY(box->isHidden());
    QTest::keyClick(rig.form->m_log, Qt::Key_A, Qt::ControlModifier);
    QVERIFY(box->isVisible());
    QTRY_VERIFY(box->hasFocus());

    // A wrong password (also the right one in upper case) only empties the box.
    enter(rig, QStringLiteral("LUMIX"));
    QVERIFY(box->isVisible());
    QVERIFY(box->text().isEmpty());
    QCOMPARE(rig.state().PrivilegeLevel, 0);
    QVERIFY(!rig.state().PasswordAccepted);
    QTest::keyClick(box, Qt::Key_Escape);
    QVERIFY(box->isVisible());
}

void TestPrivilege::passwordsGrantLevels()
{
    Rig rig;
    QVERIFY(rig.start({}, false));
    QLineEdit *box = rig.form->m_passwordEdit;
    QTest::keyClick(rig.form->m_log, Qt::Key_A, Qt::ControlModifier);
    enter(rig, QStringLiteral("qorvelmapt"));
    QCOMPARE(rig.state().PrivilegeLevel, 2);
    QVERIFY(rig.state().PasswordAccepted);
    QVERIFY(box->isHidden());
    QVERIFY(box->text().isEmpty());

    // Opens again at any level; the service password replaces the administrator's.
    QTest::keyClick(rig.form->m_log, Qt::Key_A, Qt::ControlModifier);
    QVERIFY(box->isVisible());
    enter(rig, QStringLiteral("lumix"));
    QCOMPARE(rig.state().PrivilegeLevel, 1);
    QVERIFY(box->isHidden());

    QCOMPARE(PasswordLevel(QStringLiteral("lumix ")), 0);
    QCOMPARE(PasswordLevel(QString()), 0);
}

void TestPrivilege::protectedRowFollowsLevel()
{
    Rig rig;
    QVERIFY(rig.start({}, false));
    QVERIFY(IsProtectedRow(QStringLiteral("0091"), rig.state().PrivilegeLevel));
    QTest::keyClick(rig.form->m_log, Qt::Key_A, Qt::ControlModifier);
    enter(rig, QStringLiteral("qorvelmapt"));
    QVERIFY(!IsProtectedRow(QStringLiteral("0091"), rig.state().PrivilegeLevel));
    QTest::keyClick(rig.form->m_log, Qt::Key_A, Qt::ControlModifier);
    enter(rig, QStringLiteral("lumix"));
    QVERIFY(IsProtectedRow(QStringLiteral("0091"), rig.state().PrivilegeLevel));
}

QTEST_MAIN(TestPrivilege)
#include "tst_privilege.moc"
