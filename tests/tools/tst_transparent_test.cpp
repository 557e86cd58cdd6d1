// The transparent page against the simulated device, which loops the data back: text and hex
// sends with repeats, the echoed lines, the input helpers, and the window's responsiveness
// while the device streams.
#include "tool_rig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

using namespace toolrig;

class TestTransparent : public QObject {
    Q_OBJECT
private slots:
    void textSendIsEchoed();
    void hexSendDropsBlanksAndOddDigit();
    void receivedNulShowsAs01();
    void tenThousandRepeatsMakeOneLine();
    void nothingToSendOrNoChannel();
    void inputHelpers();
    void staysResponsiveWhileStreaming();
    void closingTheWindowStopsALongRepeat();
    void sendsLockedWhileAReplyIsAwaited();
};

void TestTransparent::textSendIsEchoed()
{
    Rig rig;
    QVERIFY(rig.start());
    TransparentPage *page = rig.form->m_transparentPage;
    page->m_inputEdit->setPlainText(QStringLiteral("hello测试"));
    QTest::mouseClick(page->m_sendButton, Qt::LeftButton);
    // 5 ASCII bytes and two GBK characters of 2 bytes each.
    QCOMPARE(rig.state().SentBytes, 9);
    QVERIFY(page->m_inputEdit->toPlainText().isEmpty());
    QVERIFY(page->m_hexMirrorBox->toPlainText().isEmpty());
    const QRegularExpression sent(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d 发送数据：hello测试\\[1次\\]$"));
    QVERIFY2(rig.conversation().first().contains(sent), qPrintable(rig.conversation().first()));
    QTRY_COMPARE(rig.state().ReceivedBytes, 9);
    QTRY_VERIFY(!linesContaining(rig.memo2(), QStringLiteral(" 收到数据：hello测试")).isEmpty());
}

void TestTransparent::hexSendDropsBlanksAndOddDigit()
{
    Rig rig;
    QVERIFY(rig.start());
    TransparentPage *page = rig.form->m_transparentPage;
    QTest::mouseClick(page->m_hexCheck, Qt::LeftButton);
    QVERIFY(page->hexMode());
    page->m_inputEdit->setPlainText(QStringLiteral("41 42 4"));
    page->m_repeatCombo->setCurrentIndex(1);  // 10
    page->sendInput();
    QCOMPARE(rig.state().SentBytes, 20);
    const QStringList out = rig.conversation().filter(QStringLiteral("发送数据"));
    QCOMPARE(out.size(), 1);
    QVERIFY2(out.first().endsWith(QStringLiteral(" 发送数据：{41 42 }AB[10次]")), qPrintable(out.first()));
    // The device got exactly 41 42, ten times over: the echo adds up to 20 bytes of A and B.
    QTRY_COMPARE(rig.state().ReceivedBytes, 20);
    QString echoed;
    for (const QString &l : rig.conversation().filter(QStringLiteral("收到数据")))
        echoed += l.mid(l.indexOf(QLatin1Char('}')) + 1);
    QCOMPARE(echoed, QStringLiteral("AB").repeated(10));
}

void TestTransparent::receivedNulShowsAs01()
{
    Rig rig;
    QVERIFY(rig.start());
    TransparentPage *page = rig.form->m_transparentPage;
    page->m_hexCheck->click();
    page->m_inputEdit->setPlainText(QStringLiteral("410042"));
    page->sendInput();
    QTRY_VERIFY(!rig.conversation().filter(QStringLiteral("收到数据")).isEmpty());
    const QString line = rig.conversation().filter(QStringLiteral("收到数据")).first();
    QVERIFY2(line.endsWith(QStringLiteral(" 收到数据：{41 00 42 }A\x01" "B")), qPrintable(line));
    QCOMPARE(rig.state().ReceivedBytes, 3);
}

void TestTransparent::tenThousandRepeatsMakeOneLine()
{
    Rig rig;
    QVERIFY(rig.start());
    TransparentPage *page = rig.form->m_transparentPage;
    page->m_inputEdit->setPlainText(QStringLiteral("0123456789"));
    page->m_repeatCombo->setCurrentIndex(5);
    QCOMPARE(page->m_repeatCombo->currentText(), QStringLiteral("10000"));
    QElapsedTimer t;
    t.start();
    page->sendInput();
    const qint64 ms = t.elapsed();
    qInfo("10000 sends of 10 bytes took %lld ms", ms);
    QCOMPARE(rig.state().SentBytes, 100000);
    const QStringList sent = rig.conversation().filter(QStringLiteral("发送数据"));
    QCOMPARE(sent.size(), 1);
    QVERIFY(sent.first().endsWith(QStringLiteral("0123456789[10000次]")));
    QVERIFY2(ms < 30000, qPrintable(QString::number(ms)));
    // Every byte came back through the poll, also those received during the loop.
    QTRY_COMPARE_WITH_TIMEOUT(rig.state().ReceivedBytes, 100000, 20000);
}

void TestTransparent::nothingToSendOrNoChannel()
{
    {
        Rig rig;
        QVERIFY(rig.start({}, false));
        TransparentPage *page = rig.form->m_transparentPage;
        page->m_inputEdit->setPlainText(QStringLiteral("abc"));
        page->sendInput();
        QCOMPARE(rig.dialogs.texts(QStringLiteral("information")),
                 QStringList{QStringLiteral("数据通道未打开，请先打开串口或建立TCP链接")});
        QCOMPARE(page->m_inputEdit->toPlainText(), QStringLiteral("abc"));
        QCOMPARE(rig.state().SentBytes, 0);
    }
    Rig rig;
    QVERIFY(rig.start());
    TransparentPage *page = rig.form->m_transparentPage;
    page->sendInput();  // empty
    page->m_hexCheck->click();
    page->m_inputEdit->setPlainText(QStringLiteral("   "));
    page->sendInput();  // only blanks in hex mode
    page->m_inputEdit->setPlainText(QStringLiteral("7"));
    page->sendInput();  // one odd digit
    QCOMPARE(rig.state().SentBytes, 0);
    QVERIFY(rig.conversation().isEmpty());
    QVERIFY(rig.dialogs.shown.isEmpty());
    QCOMPARE(page->m_inputEdit->toPlainText(), QStringLiteral("7"));
}

void TestTransparent::inputHelpers()
{
    Rig rig;
    QVERIFY(rig.start({}, false));
    TransparentPage *page = rig.form->m_transparentPage;
    // The mode is named only once it is chosen.
    QCOMPARE(rig.form->findChild<QGroupBox *>(QStringLiteral("GroupBox1"))->title(), QStringLiteral("文字输入窗口"));
    page->m_inputEdit->setFocus();
    QTest::keyClicks(page->m_inputEdit, QStringLiteral("G z"));
    QCOMPARE(page->m_inputEdit->toPlainText(), QStringLiteral("G z"));
    QCOMPARE(page->m_hexMirrorBox->toPlainText(), QStringLiteral("47207A"));

    page->m_inputEdit->clear();
    QTest::mouseClick(page->m_hexCheck, Qt::LeftButton);
    QCOMPARE(page->m_inputGroup->title(), QStringLiteral("文字输入窗口[HEX模式]"));
    QTest::keyClicks(page->m_inputEdit, QStringLiteral("G 1aF9x"));
    QTest::keyClick(page->m_inputEdit, Qt::Key_Return);
    QCOMPARE(page->m_inputEdit->toPlainText(), QStringLiteral("1aF9"));
    QTest::keyClick(page->m_inputEdit, Qt::Key_Backspace);
    QCOMPARE(page->m_inputEdit->toPlainText(), QStringLiteral("1aF"));
    QTest::mouseClick(page->m_hexCheck, Qt::LeftButton);
    QCOMPARE(page->m_inputGroup->title(), QStringLiteral("文字输入窗口(文本模式)"));
    QCOMPARE(page->m_inputEdit->toPlainText(), QStringLiteral("1aF"));

    // m_hexCharEdit takes upper-case hex only; "添加HEX字符" appends that character.
    page->m_inputEdit->clear();
    QTest::keyClicks(page->m_hexCharEdit, QStringLiteral("4g1a"));
    QCOMPARE(page->m_hexCharEdit->text(), QStringLiteral("41"));
    page->appendHexChar();
    page->appendHexChar();
    QCOMPARE(page->m_inputEdit->toPlainText(), QStringLiteral("AA"));
    QCOMPARE(page->m_hexCharEdit->text(), QStringLiteral("41"));

    rig.state().SentBytes = 12;
    rig.state().ReceivedBytes = 34;
    QTest::mouseClick(page->m_clearCountersButton, Qt::LeftButton);
    QCOMPARE(rig.state().SentBytes, 0);
    QCOMPARE(rig.state().ReceivedBytes, 0);
    QCOMPARE(page->m_counterLabel->text(), QStringLiteral("收：0字节，发:0字节"));
}

void TestTransparent::staysResponsiveWhileStreaming()
{
    Rig rig;
    QVERIFY(rig.start({QStringLiteral("--stream"), QStringLiteral("1000000")}));
    // The device starts streaming once it hears from the tool.
    rig.form->m_transparentPage->m_inputEdit->setPlainText(QStringLiteral("go"));
    rig.form->m_transparentPage->sendInput();
    QTRY_VERIFY(rig.state().ReceivedBytes > 0);
    // A 10 ms timer stands for the user: its largest gap is how long the window froze.
    QElapsedTimer since;
    qint64 maxGap = 0;
    int ticks = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(10);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (ticks++ > 0)
            maxGap = std::max(maxGap, since.elapsed());
        since.restart();
    });
    since.start();
    probe.start();
    const int received0 = rig.state().ReceivedBytes;
    QElapsedTimer run;
    run.start();
    QTest::qWait(3000);
    const double seconds = run.elapsed() / 1000.0;
    probe.stop();
    const int lines = rig.conversation().size();
    const int bytes = rig.state().ReceivedBytes - received0;
    qInfo("streaming: max gap between 10 ms ticks %lld ms, %d ticks, %.0f Memo2 lines/s, %.0f bytes/s", maxGap,
          ticks, lines / seconds, bytes / seconds);
    QVERIFY(bytes > 0);
    QVERIFY2(maxGap < 250, qPrintable(QString::number(maxGap)));
}

void TestTransparent::closingTheWindowStopsALongRepeat()
{
    Rig rig;
    QVERIFY(rig.start());
    TransparentPage *page = rig.form->m_transparentPage;
    page->m_inputEdit->setPlainText(QString(1000, QLatin1Char('x')));
    page->m_repeatCombo->setCurrentIndex(5);  // 10 000 times 1000 bytes: far longer than this test
    QElapsedTimer t;
    qint64 closedAt = -1;
    QTimer::singleShot(300, rig.form.get(), [&] {
        closedAt = t.elapsed();
        rig.form->close();
    });
    t.start();
    QTest::mouseClick(rig.form->findChild<QPushButton *>(QStringLiteral("Button8")), Qt::LeftButton);
    const qint64 ended = t.elapsed();
    QVERIFY(closedAt >= 0);
    QVERIFY2(ended - closedAt < 1500, qPrintable(QStringLiteral("%1 ms after closing").arg(ended - closedAt)));
    QVERIFY(rig.state().SentBytes < 10000 * 1000);
    QVERIFY(rig.dialogs.shown.isEmpty());  // the program ends: no box about the unsent rest
}

void TestTransparent::sendsLockedWhileAReplyIsAwaited()
{
    Rig rig;
    QVERIFY(rig.start());
    auto *send = rig.form->findChild<QPushButton *>(QStringLiteral("Button8"));
    auto *atInput = rig.form->findChild<QLineEdit *>(QStringLiteral("Edit5"));
    QVERIFY(send && atInput);
    QVERIFY(send->isEnabled() && atInput->isEnabled());
    rig.form->m_transparentPage->m_inputEdit->setPlainText(QStringLiteral("abc"));
    {
        ExchangeEngine::Guard wait(rig.session->engine);
        QVERIFY(!send->isEnabled());
        QVERIFY(!atInput->isEnabled());
        // A send asked for anyway is refused in the panel and the log, not in a box.
        rig.form->m_transparentPage->sendInput();
        QVERIFY(rig.dialogs.shown.isEmpty());
        QCOMPARE(rig.form->resultText(), ExchangeEngine::BusyText());
        QVERIFY(rig.memo1().contains(ExchangeEngine::BusyText()));
        QCOMPARE(rig.state().SentBytes, 0);
    }
    QVERIFY(send->isEnabled() && atInput->isEnabled());
    QTest::mouseClick(send, Qt::LeftButton);
    QCOMPARE(rig.state().SentBytes, 3);
}

QTEST_MAIN(TestTransparent)
#include "tst_transparent_test.moc"
