// The test pages' displays and the two secondary windows: batching of the conversation box,
// the AT reply box, the command window's list and hiding, the file-test window's start state.
#include "window_fixture.h"

#include "text/text_codec.h"
#include "widgets/conversation_view.h"
#include "tools/modem_page.h"
#include "tools/command_window.h"
#include "tools/file_test_window.h"
#include "tools/transparent_page.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeView>
#include <QtTest>

class TestToolWindows : public QObject {
    Q_OBJECT
private slots:
    void conversationLinesAreBatched();
    void conversationIsCapped();
    void conversationIsCappedInCharacters();
    void modemChunksBecomeLines();
    void commandWindowListsProfileButtons();
    void fileTestWindowStartsIdle();
};

void TestToolWindows::conversationLinesAreBatched()
{
    WindowFixture fx;
    MainWindow &w = fx.create();
    ConversationView *memo2 = w.m_transparentPage->m_conversationBox;
    QVERIFY(memo2->isReadOnly());
    QSignalSpy changes(memo2, &ConversationView::linesAppended);

    for (int i = 0; i < 500; ++i)
        emit fx.session->poll.transparentLine(QStringLiteral("line %1").arg(i));
    // Nothing is drawn per line; the batch lands once the interval is over.
    QVERIFY(memo2->toPlainText().isEmpty());
    QTRY_COMPARE(memo2->blockCount(), 500);
    QVERIFY2(changes.count() <= 3, qPrintable(QString::number(changes.count())));
    QCOMPARE(memo2->line(0), QStringLiteral("line 0"));
    QCOMPARE(memo2->line(499), QStringLiteral("line 499"));
}

void TestToolWindows::conversationIsCapped()
{
    ConversationView memo;
    ConversationView &batch = memo;
    const int total = ConversationView::kMaxBlocks + 1500;
    for (int i = 0; i < total; ++i)
        batch.appendLine(QString::number(i));
    QVERIFY(batch.pendingCount() <= ConversationView::kMaxBlocks);
    batch.flush();
    QCOMPARE(memo.blockCount(), ConversationView::kMaxBlocks);
    // The newest lines are the ones kept.
    QCOMPARE(memo.lastLine(), QString::number(total - 1));
    batch.appendLine(QStringLiteral("more"));
    batch.flush();
    QCOMPARE(memo.blockCount(), ConversationView::kMaxBlocks);
    QCOMPARE(memo.lastLine(), QStringLiteral("more"));
}

// Long lines (a fast stream gives one of 100 000 characters per poll) are capped by their text,
// not only by their number; the newest line always stays whole.
void TestToolWindows::conversationIsCappedInCharacters()
{
    ConversationView memo;
    ConversationView &batch = memo;
    const int lineLength = 100000;
    for (int i = 0; i < 100; ++i) {
        batch.appendLine(QString(lineLength, QLatin1Char('a' + i % 26)));
        if (i % 7 == 0)
            batch.flush();
        QVERIFY(memo.characterCount() <= ConversationView::kMaxChars + lineLength);
    }
    batch.flush();
    QVERIFY(memo.characterCount() <= ConversationView::kMaxChars + lineLength);
    QVERIFY(memo.blockCount() >= ConversationView::kMaxChars / 4 * 3 / (lineLength + 1) - 2);
    QCOMPARE(memo.lastLine(), QString(lineLength, QLatin1Char('a' + 99 % 26)));
    // Whole lines are dropped: the first kept line is complete.
    QCOMPARE(memo.line(0).size(), lineLength);
    // Pending lines alone never pile up past the cap either.
    for (int i = 0; i < 100; ++i)
        batch.appendLine(QString(lineLength, QLatin1Char('z')));
    QVERIFY(batch.pendingCount() * (lineLength + 1) <= ConversationView::kMaxChars + lineLength + 1);
    // One line over the cap on its own keeps its newest part.
    ConversationView single;
    single.appendPlainText(QString(ConversationView::kMaxChars, QLatin1Char('x')) + QStringLiteral("end"));
    QVERIFY(single.characterCount() <= ConversationView::kMaxChars);
    QVERIFY(single.toPlainText().endsWith(QStringLiteral("xend")));
}

void TestToolWindows::modemChunksBecomeLines()
{
    WindowFixture fx;
    MainWindow &w = fx.create();
    emit fx.session->poll.modemChunk(GbkEncode(QStringLiteral("OK 信号")));
    emit fx.session->poll.modemChunk(QByteArray("+CSQ: 20"));
    QTRY_COMPARE(w.m_modemPage->m_replyBox->toPlainText(), QStringLiteral("OK 信号\n+CSQ: 20"));
    QVERIFY(w.m_modemPage->m_replyBox->isReadOnly());
}

void TestToolWindows::commandWindowListsProfileButtons()
{
    WindowFixture fx;
    writeFile(fx.path("dev.txt"), profileText(QStringLiteral("A")));
    MainWindow &w = fx.create();
    CommandWindow form2(*fx.session, fx.dialogs);
    QCOMPARE(form2.windowTitle(), QStringLiteral("命令执行窗口"));
    QVERIFY(form2.isHidden());
    QVERIFY(form2.m_cancelButton->isHidden());
    QVERIFY(form2.m_outputBox->isReadOnly());
    QVERIFY(form2.m_outputBox->font().bold());
    QVERIFY(form2.m_commandList->isColumnHidden(1) && form2.m_commandList->isColumnHidden(2));
    QCOMPARE(form2.m_commandList->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("命令名称"));

    fx.dialogs.fileAnswers << fx.path("dev.txt");
    w.loadProfileFromMenu();
    QCOMPARE(form2.m_commandList->model()->rowCount(), 1);
    QCOMPARE(form2.m_commandList->model()->index(0, 0).data().toString(), QStringLiteral("查询"));

    form2.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form2));
    QVERIFY(!form2.close());  // closing only hides
    QVERIFY(form2.isHidden());
    form2.show();
    QTest::mouseClick(form2.m_okButton, Qt::LeftButton);
    QVERIFY(form2.isHidden());
}

void TestToolWindows::fileTestWindowStartsIdle()
{
    WindowFixture fx;
    fx.create();
    FileTestWindow window(*fx.session, fx.dialogs);
    QCOMPARE(window.windowTitle(), QStringLiteral("文件收发"));
    QVERIFY(window.isHidden());
    QVERIFY(window.m_openFileButton->isEnabled());
    QVERIFY(!window.m_sendFileButton->isEnabled());
    QVERIFY(!window.m_stopSendButton->isEnabled());
    QCOMPARE(window.m_intervalEdit->maxLength(), 8);
    QCOMPARE(window.m_packetLengthEdit->maxLength(), 5);
    QCOMPARE(window.m_receiveFileEdit->text(), QStringLiteral("recv.dat"));
    QVERIFY(!window.m_receiveToFileCheck->isChecked());
    QCOMPARE(window.m_receiveToFileCheck->text(), QStringLiteral("接收数据写入到文件:   "));
    QVERIFY(!window.m_packetTimer.isActive());
}

QTEST_MAIN(TestToolWindows)
#include "tst_tool_windows.moc"
