// The in-place editor of the real window: list and text forms, the character filter and
// length limit, float and script conversions, headings and the protected row, placement
// over the value cell while the table scrolls or its columns resize, the extended table.
#include "sim_window_rig.h"

#include "params/param_ops.h"
#include "params/ui/param_editor.h"

#include <QHeaderView>
#include <QScrollBar>

using namespace rig;

class TestParamsEditor : public QObject {
    Q_OBJECT
private slots:
    void listRowIsChosenWithTheMouseOnly();
    void maskedTextRowDropsCharactersAndStopsAtLength();
    void floatScriptAndPlainTextRows();
    void headingAndProtectedRow();
    void editorFollowsScrollingAndResizing();
    void extendedTabCarriesTheEditor();
};

void TestParamsEditor::listRowIsChosenWithTheMouseOnly()
{
    SimWindowRig r;
    Options o;
    o.openPort = false;
    QVERIFY(r.start(o));
    r.selectMain("0001");
    QVERIFY(r.gCombo()->isVisible());
    QVERIFY(!r.gEdit()->isVisible());
    QCOMPARE(r.gCombo()->count(), 2);
    QCOMPARE(r.gCombo()->currentText(), QStringLiteral("透明"));

    // Keys never change the choice.
    r.gCombo()->setFocus();
    QTest::keyClick(r.gCombo(), Qt::Key_Down);
    QTest::keyClick(r.gCombo(), Qt::Key_End);
    QCOMPARE(r.gCombo()->currentText(), QStringLiteral("透明"));
    QCOMPARE(r.stored("0001"), QStringLiteral("HEX:00"));

    r.pick(QStringLiteral("协议"));
    QCOMPARE(r.stored("0001"), QStringLiteral("HEX:01"));
    QCOMPARE(r.shown("0001"), QStringLiteral("协议"));
    // The table shows the new value in its value column.
    QCOMPARE(r.main().index(r.rowOf("0001"), ParamTable::ColShown).data().toString(), QStringLiteral("协议"));
}

void TestParamsEditor::maskedTextRowDropsCharactersAndStopsAtLength()
{
    SimWindowRig r;
    Options o;
    o.openPort = false;
    QVERIFY(r.start(o));
    r.selectMain("0002");
    QVERIFY(r.gEdit()->isVisible());
    QVERIFY(!r.gCombo()->isVisible());
    QCOMPARE(r.gEdit()->text(), QStringLiteral("cmnet"));
    QCOMPARE(r.gEdit()->maxLength(), 8);

    // Digits, capitals and blanks are not in the mask; Backspace still works.
    r.retype(QStringLiteral("ab1C d.xyzqrs"));
    QCOMPARE(r.gEdit()->text(), QStringLiteral("abd.xyzq"));
    QCOMPARE(r.stored("0002"), QStringLiteral("HEX:6162642E78797A71"));
    QCOMPARE(r.shown("0002"), QStringLiteral("abd.xyzq"));
    QTest::keyClick(r.gEdit(), Qt::Key_Backspace);
    QCOMPARE(r.shown("0002"), QStringLiteral("abd.xyz"));
    QCOMPARE(r.stored("0002"), QStringLiteral("HEX:6162642E78797A"));

    // A row without a list accepts anything up to 199 characters.
    r.selectMain("0005");
    QCOMPARE(r.gEdit()->maxLength(), 199);
    QCOMPARE(r.gEdit()->text(), QStringLiteral("user"));
    r.retype(QStringLiteral("Ab 1\"x"));
    QCOMPARE(r.stored("0005"), QStringLiteral("HEX:416220312278"));
}

void TestParamsEditor::floatScriptAndPlainTextRows()
{
    SimWindowRig r;
    Options o;
    o.openPort = false;
    QVERIFY(r.start(o));
    r.selectMain("0004");
    QCOMPARE(r.gEdit()->text(), QStringLiteral("1.000"));
    r.retype(QStringLiteral("2.5"));
    QCOMPARE(r.stored("0004"), QStringLiteral("HEX:00002040"));
    // Text that is no number keeps the last good value.
    QTest::keyClicks(r.gEdit(), QStringLiteral("x"));
    QCOMPARE(r.gEdit()->text(), QStringLiteral("2.5x"));
    QCOMPARE(r.stored("0004"), QStringLiteral("HEX:00002040"));
    QCOMPARE(r.shown("0004"), QStringLiteral("2.5"));

    r.selectMain("0003");
    QCOMPARE(r.gEdit()->text(), QStringLiteral("8080"));
    r.retype(QStringLiteral("9000"));
    QCOMPARE(r.stored("0003"), QStringLiteral("HEX:2328"));
    QCOMPARE(r.shown("0003"), QStringLiteral("9000"));
    // The script refuses a value out of range: the row keeps its last values.
    QTest::keyClicks(r.gEdit(), QStringLiteral("0"));
    QCOMPARE(r.gEdit()->text(), QStringLiteral("90000"));
    QCOMPARE(r.stored("0003"), QStringLiteral("HEX:2328"));
    QCOMPARE(r.shown("0003"), QStringLiteral("9000"));
}

void TestParamsEditor::headingAndProtectedRow()
{
    SimWindowRig r;
    Options o;
    o.openPort = false;
    QVERIFY(r.start(o));
    r.selectMain("0002");
    QVERIFY(r.gEdit()->isVisible());
    r.main().setSelectedRow(1);   // the heading
    QVERIFY(!r.gEdit()->isVisible());
    QVERIFY(!r.gCombo()->isVisible());
    QVERIFY(r.gEdit()->isReadOnly());
    QCOMPARE(r.main().index(1, ParamTable::ColName).data(ParamTable::HeadingRole).toBool(), true);

    for (int level : {0, 1}) {
        r.session->state.PrivilegeLevel = level;
        r.selectMain("0002");
        r.selectMain("0091");
        QVERIFY(!r.gEdit()->isVisible());
        QVERIFY(r.gEdit()->isReadOnly());
        QCOMPARE(r.gEdit()->text(), QString());
        // A key release in the hidden box leaves the row alone.
        QTest::keyClick(r.gEdit(), Qt::Key_5);
        QCOMPARE(r.stored("0091"), QStringLiteral("HEX:05"));
    }

    r.session->state.PrivilegeLevel = 2;
    r.selectMain("0002");
    r.selectMain("0091");
    QVERIFY(r.gEdit()->isVisible());
    QVERIFY(!r.gEdit()->isReadOnly());
    QCOMPARE(r.gEdit()->text(), QStringLiteral("5"));
    r.retype(QStringLiteral("12"));
    QCOMPARE(r.stored("0091"), QStringLiteral("HEX:0C"));
}

void TestParamsEditor::editorFollowsScrollingAndResizing()
{
    SimWindowRig r;
    Options o;
    o.openPort = false;
    QVERIFY(r.start(o));
    ParamView *view = r.form->m_commPage->m_paramView;
    view->setFixedHeight(90);
    r.selectMain("0005");
    QLineEdit *e = r.gEdit();
    const int row = r.rowOf("0005");
    QTRY_COMPARE(e->parentWidget(), view->viewport());
    QTRY_COMPARE(e->y(), view->rowViewportPosition(row));
    QCOMPARE(e->x(), view->columnViewportPosition(ParamTable::ColShown));
    QCOMPARE(e->width(), view->columnWidth(ParamTable::ColShown));

    QVERIFY(view->verticalScrollBar()->maximum() > 0);
    QVERIFY(view->verticalScrollBar()->value() > 0);   // selecting the row scrolled it into view
    const int before = e->y();
    view->verticalScrollBar()->setValue(0);
    QTRY_COMPARE(e->y(), view->rowViewportPosition(row));
    QVERIFY(e->y() != before);

    view->setColumnWidth(ParamTable::ColName, 260);
    QTRY_COMPARE(e->x(), view->columnViewportPosition(ParamTable::ColShown));
    QVERIFY(e->x() >= 260);

    // A click on the row puts the keyboard in its editor: typing goes there at once.
    view->scrollTo(r.main().index(row, 1));
    view->setFocus();
    QVERIFY(!e->hasFocus());
    const QPoint pt = view->visualRect(r.main().index(row, 1)).center();
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, pt);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, pt);
    QTRY_VERIFY(e->hasFocus());
    const QString typedBefore = e->text();
    QTest::keyClicks(r.form->focusWidget(), QStringLiteral("ab"));
    QCOMPARE(e->text(), typedBefore + QStringLiteral("ab"));
    // A double click does the same.
    view->setFocus();
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, pt);
    QTRY_VERIFY(e->hasFocus());
}

void TestParamsEditor::extendedTabCarriesTheEditor()
{
    SimWindowRig r;
    Options o;
    o.openPort = false;
    o.ext = true;
    QVERIFY(r.start(o));
    QVERIFY(r.form->isExtTabVisible());
    r.form->m_tabs->setCurrentIndex(MainWindow::kExtTabIndex);
    QCOMPARE(r.session->state.ParamChannel, 0);
    QCOMPARE(r.ext().selectedRow(), 0);
    ParamView *view2 = r.form->m_extPage->m_paramView;
    QTRY_COMPARE(r.gEdit()->parentWidget(), view2->viewport());
    QVERIFY(r.gEdit()->isVisible());
    QCOMPARE(r.gEdit()->text(), QStringLiteral("1"));

    r.ext().setSelectedRow(1);
    QVERIFY(r.gCombo()->isVisible());
    QCOMPARE(r.gCombo()->parentWidget(), view2->viewport());
    r.pick(QStringLiteral("变化"));
    QCOMPARE(r.ext().row(1).stored, QStringLiteral("HEX:01"));
    // The main table was not touched.
    QCOMPARE(r.stored("0001"), QStringLiteral("HEX:00"));

    // Back on the main tab the editor returns to the main table.
    r.form->m_tabs->setCurrentIndex(0);
    QCOMPARE(r.session->state.ParamChannel, 1);
    QTRY_COMPARE(r.gCombo()->parentWidget(), r.form->m_commPage->m_paramView->viewport());
    QVERIFY(r.gCombo()->isVisible());
    QCOMPARE(r.gCombo()->currentText(), QStringLiteral("透明"));
}

QTEST_MAIN(TestParamsEditor)
#include "tst_params_editor.moc"
