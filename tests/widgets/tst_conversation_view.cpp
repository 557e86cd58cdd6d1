// The conversation view against the text edit it replaces: the same text and line breaks,
// appending and trimming a 100 kB line at a fraction of the old view's cost (measured in the
// same run), selection and copy, the scroll rule, find and the accessible text.
#include "widgets/conversation_find.h"
#include "widgets/conversation_view.h"
#include "widgets/conversation_wrap.h"

#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QtTest>

namespace {
// The old view: a text edit trimmed from the start as the views were.
void appendToOldView(QPlainTextEdit &edit, const QString &line)
{
    edit.appendPlainText(line);
    QTextDocument *doc = edit.document();
    if (doc->characterCount() <= ConversationView::kMaxChars)
        return;
    const QTextBlock block = doc->findBlock(doc->characterCount() - ConversationView::kMaxChars / 4 * 3);
    QTextCursor cursor(doc);
    cursor.setPosition(block.next().isValid() ? block.next().position() : block.position());
    cursor.setPosition(0, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

// Median time of `turns` appends of a 100 kB line, each painted at once.
template <typename Append>
qint64 medianAppendNs(QWidget &view, int turns, Append append)
{
    QList<qint64> times;
    QElapsedTimer clock;
    for (int i = 0; i < turns; ++i) {
        const QString line = QString(100000, QLatin1Char('a' + i % 26)).replace(7 * (i + 1), 1, QLatin1Char(' '));
        clock.start();
        append(line);
        view.repaint();
        times.append(clock.nsecsElapsed());
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

QStringList shownLines(const QStringList &lines)
{
    QStringList out;
    for (const QString &l : lines)
        if (!l.isEmpty())
            out << l;
    return out;
}
} // namespace

class TestConversationView : public QObject {
    Q_OBJECT
private slots:
    void sameTextAndBreaksAsTextEdit_data();
    void sameTextAndBreaksAsTextEdit();
    void longLineCostsAFractionOfTheOldView();
    void longRunsOfNarrowCharactersBreakIntoRows_data();
    void longRunsOfNarrowCharactersBreakIntoRows();
    void selectionIsCopied();
    void followsUnlessScrolledUp();
    void findsBothWaysIgnoringCase();
    void textIsAccessible();
};

void TestConversationView::sameTextAndBreaksAsTextEdit_data()
{
    QTest::addColumn<QStringList>("appends");
    QTest::newRow("lines") << QStringList{QStringLiteral("a"), QStringLiteral("收到数据：b")};
    QTest::newRow("CR LF") << QStringList{QStringLiteral("AT\r\nOK\r\n"), QStringLiteral("x")};
    QTest::newRow("lone CR") << QStringList{QStringLiteral("a\rb\r")};
    QTest::newRow("empty first") << QStringList{QString(), QString(), QStringLiteral("a")};
    QTest::newRow("empty later") << QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")};
    QTest::newRow("break first") << QStringList{QStringLiteral("\na"), QStringLiteral("\n")};
    QTest::newRow("separators") << QStringList{QStringLiteral("p\u2029q\u2028r"), QStringLiteral("A\x01\tB")};
}

// Same text, the same number of lines, and the session log sees each shown line once.
void TestConversationView::sameTextAndBreaksAsTextEdit()
{
    QFETCH(QStringList, appends);
    QPlainTextEdit old;
    ConversationView view;
    QStringList announced;
    connect(&view, &ConversationView::linesAppended, this, [&](const QStringList &l) { announced += l; });
    for (const QString &text : appends) {
        old.appendPlainText(text);
        view.appendPlainText(text);
    }
    QCOMPARE(view.toPlainText(), old.toPlainText());
    QCOMPARE(view.characterCount(), old.document()->characterCount());
    if (!appends.first().contains(QChar(0x2028)))
        QCOMPARE(view.blockCount(), old.blockCount());
    QCOMPARE(shownLines(announced), shownLines(view.toPlainText().split(QLatin1Char('\n'))));
    // The batched way in shows the moment's lines as one append, as the old batches did.
    QPlainTextEdit oldBatch;
    oldBatch.appendPlainText(appends.join(QLatin1Char('\n')));
    ConversationView batched;
    for (const QString &text : appends)
        batched.appendLine(text);
    QCOMPARE(batched.toPlainText(), QString());
    QTRY_COMPARE(batched.toPlainText(), oldBatch.toPlainText());
}

// A 100 kB line appended to a view full to its cap (so every append trims) costs the new view
// a fraction of what it costs the old one, and no more than the same line in a nearly empty view.
void TestConversationView::longLineCostsAFractionOfTheOldView()
{
    QPlainTextEdit old;
    old.setReadOnly(true);
    ConversationView view;
    for (QWidget *w : {static_cast<QWidget *>(&old), static_cast<QWidget *>(&view)}) {
        w->resize(800, 600);
        w->show();
    }
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const qint64 emptyNs = medianAppendNs(view, 5, [&](const QString &l) { view.appendPlainText(l); });
    const int fill = ConversationView::kMaxChars / 100000 + 2;
    for (int i = 0; i < fill; ++i) {
        appendToOldView(old, QString(100000, QLatin1Char('f')));
        view.appendPlainText(QString(100000, QLatin1Char('f')));
    }
    QVERIFY(view.characterCount() <= ConversationView::kMaxChars);
    const qint64 oldNs = medianAppendNs(old, 3, [&](const QString &l) { appendToOldView(old, l); });
    const qint64 fullNs = medianAppendNs(view, 5, [&](const QString &l) { view.appendPlainText(l); });
    qInfo("100 kB line into a full view: old %.2f ms, new %.2f ms (ratio %.3f); new into an empty view %.2f ms",
          oldNs / 1e6, fullNs / 1e6, double(fullNs) / oldNs, emptyNs / 1e6);
    QVERIFY2(fullNs * 4 <= oldNs, "the new view is not four times cheaper than the old");
    QVERIFY2(fullNs <= 4 * emptyNs + 2000000, "a full view costs more per line than an empty one");
    QVERIFY(view.characterCount() <= ConversationView::kMaxChars);
    QCOMPARE(view.lastLine().size(), 100000);
}

// Blanks hang past the edge and zero-width characters take no room: a run of a million of
// them still breaks into rows of a bounded length, so a repaint lays out only what it shows.
void TestConversationView::longRunsOfNarrowCharactersBreakIntoRows_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("blanks") << QString(1000000, QLatin1Char(' '));
    QTest::newRow("zero-width spaces") << QString(1000000, QChar(0x200B));
    QTest::newRow("zero-width joiners after a word") << QStringLiteral("AT") + QString(1000000, QChar(0x200D));
    QTest::newRow("blanks and tabs") << QString(500000, QLatin1Char(' ')) + QString(500000, QLatin1Char('\t'));
}
void TestConversationView::longRunsOfNarrowCharactersBreakIntoRows()
{
    QFETCH(QString, line);
    ConversationWrap wrap;
    wrap.setMetrics(QFont(), 600);
    const QList<int> breaks = wrap.breaksOf(line);
    int start = 0;
    for (const int at : breaks + QList<int>{int(line.size())}) {
        QVERIFY2(at > start && at - start <= ConversationWrap::kMaxRowChars, qPrintable(QStringLiteral("%1..%2").arg(start).arg(at)));
        start = at;
    }
}

void TestConversationView::selectionIsCopied()
{
    ConversationView view;
    view.resize(400, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.appendPlainText(QStringLiteral("first line\nsecond 行\nthird"));
    QMenu *menu = view.createContextMenu();
    QVERIFY(!menu->actions().first()->isEnabled());  // nothing to copy yet
    delete menu;

    view.setSelection(6, 15);
    QCOMPARE(view.selectedText(), QStringLiteral("line\nseco"));
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("line\nseco"));

    // With the mouse, from the start of the first row into the second.
    const int row = view.fontMetrics().lineSpacing();
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, QPoint(1, row / 2));
    QTest::mouseMove(view.viewport(), QPoint(300, row + row / 2));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, QPoint(300, row + row / 2));
    QCOMPARE(view.selectedText(), QStringLiteral("first line\nsecond 行"));
    menu = view.createContextMenu();
    QVERIFY(menu->actions().first()->isEnabled());
    menu->actions().first()->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("first line\nsecond 行"));
    delete menu;

    QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(view.selectedText(), view.toPlainText());
    view.clear();
    QVERIFY(!view.hasSelection());
    QCOMPARE(view.toPlainText(), QString());
}

// New text scrolls into view unless the user scrolled up: then the rows read stay, even when
// the oldest lines are dropped, and a hint says new text came.
void TestConversationView::followsUnlessScrolledUp()
{
    ConversationView view;
    view.setMaximumBlockCount(300);
    view.resize(300, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QScrollBar *bar = view.verticalScrollBar();
    for (int i = 0; i < 200; ++i)
        view.appendPlainText(QStringLiteral("line %1").arg(i));
    QVERIFY(bar->maximum() > 100);
    QCOMPARE(bar->value(), bar->maximum());
    QVERIFY(view.isFollowing() && !view.newTextHintShown());

    bar->setValue(50);  // the user scrolls up
    QVERIFY(!view.isFollowing());
    for (int i = 200; i < 250; ++i)
        view.appendLine(QStringLiteral("line %1").arg(i));
    view.flush();
    QCOMPARE(view.line(bar->value()), QStringLiteral("line 50"));
    QVERIFY(view.newTextHintShown());
    // 100 more: the oldest 50 go, the row read stays on screen.
    for (int i = 250; i < 350; ++i)
        view.appendPlainText(QStringLiteral("line %1").arg(i));
    QCOMPARE(view.line(0), QStringLiteral("line 50"));
    QCOMPARE(view.line(bar->value()), QStringLiteral("line 50"));

    bar->setValue(bar->maximum());  // back at the end: following again
    QVERIFY(view.isFollowing() && !view.newTextHintShown());
    view.appendPlainText(QStringLiteral("last"));
    QCOMPARE(bar->value(), bar->maximum());
    QCOMPARE(view.lastLine(), QStringLiteral("last"));
}

void TestConversationView::findsBothWaysIgnoringCase()
{
    ConversationView view;
    view.resize(400, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.appendPlainText(QStringLiteral("alpha\nBeta gamma\nALPHA beta"));
    const struct {
        const char *text;
        bool backward;
        qsizetype start;  // -1: not found
    } steps[] = {{"beta", false, 6}, {"beta", false, 23}, {"beta", false, 6}, {"BETA", true, 23},
                 {"Alpha", true, 17}, {"alpha", true, 0}, {"zzz", false, -1}};
    for (const auto &s : steps) {
        const bool found = view.find(QString::fromLatin1(s.text), s.backward);
        QCOMPARE(found, s.start >= 0);
        if (found) {
            QCOMPARE(view.selectionStart(), s.start);
            QCOMPARE(view.selectedText().toLower(), QString::fromLatin1(s.text).toLower());
        }
    }
    // Ctrl+F, typing, Enter for the next, and a word when nothing matches.
    view.setSelection(0, 0);
    QTest::keyClick(&view, Qt::Key_F, Qt::ControlModifier);
    QLineEdit *field = view.findBar()->field();
    QVERIFY(view.findBar()->isVisible());
    QTest::keyClicks(field, QStringLiteral("GAM"));
    QCOMPARE(view.selectedText(), QStringLiteral("gam"));
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, QStringLiteral("mx"));
    QCOMPARE(view.findBar()->status(), QStringLiteral("未找到"));
    // Enter goes on from where the last match stood ("gam" in the second line).
    field->setText(QStringLiteral("a "));
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(view.selectionStart(), qsizetype(21));
    QTest::keyClick(field, Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(view.selectionStart(), qsizetype(9));
    QTest::keyClick(field, Qt::Key_Escape);
    QVERIFY(view.findBar()->isHidden());
}

// Found by its object name in the window's accessible tree, its text read as a value and
// through the text interface, as screen readers do.
void TestConversationView::textIsAccessible()
{
    QWidget window;
    auto *view = new ConversationView(&window);
    view->setObjectName(QStringLiteral("Memo2"));
    view->resize(300, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (int i = 0; i < 30; ++i)
        view->appendPlainText(QStringLiteral("行 %1").arg(i));

    std::function<QAccessibleInterface *(QAccessibleInterface *)> byName = [&](QAccessibleInterface *node) -> QAccessibleInterface * {
        if (node->object() && node->object()->objectName() == QLatin1String("Memo2"))
            return node;
        for (int i = 0; i < node->childCount(); ++i)
            if (QAccessibleInterface *found = byName(node->child(i)))
                return found;
        return nullptr;
    };
    QAccessibleInterface *a = byName(QAccessible::queryAccessibleInterface(&window));
    QVERIFY(a);
    QCOMPARE(a->role(), QAccessible::EditableText);
    QVERIFY(a->state().readOnly);
    QCOMPARE(a->text(QAccessible::Value), view->toPlainText());
    QAccessibleTextInterface *t = a->textInterface();
    QVERIFY(t);
    QCOMPARE(t->characterCount(), int(view->toPlainText().size()));
    QCOMPARE(t->text(t->characterCount() - 4, t->characterCount()), QStringLiteral("行 29"));
    t->setSelection(0, 2, 7);
    QCOMPARE(view->selectedText(), QStringLiteral("0\n行 1"));
    int start = -1, end = -1;
    t->selection(0, &start, &end);
    QCOMPARE(start, 2);
    QCOMPARE(end, 7);
}

QTEST_MAIN(TestConversationView)
#include "tst_conversation_view.moc"
