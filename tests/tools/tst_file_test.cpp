// The file send/receive window against the simulated device: packets and their lines, the
// end of the file, stopping, the start checks, failing sends, and the receive file.
#include "tool_rig.h"
#include "support/fake_channel.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QTextDocument>
#include <QPushButton>

using namespace toolrig;

class TestFileTest : public QObject {
    Q_OBJECT
private slots:
    void tenBytesInPacketsOfFour();
    void exactMultipleEndsWithEmptyPacket();
    void stopMidSendAndZeroInterval();
    void startChecks();
    void failedSendStopsOnce();
    void deviceActionsWaitWhileAPacketIsWritten();
    void readErrorIsNoEndOfFile();
    void receiveFileIsFilled();
    void receiveFileWriteFailureIsReported();
    void fourGigabyteFileIsSentInBoundedMemory();

private:
    static QString writeData(Rig &rig, const QByteArray &bytes, bool readOnly = false)
    {
        const QString p = rig.path(QStringLiteral("data.bin"));
        QFile f(p);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return QString();
        f.write(bytes);
        f.close();
        if (readOnly)
            f.setPermissions(QFileDevice::ReadOwner);
        return p;
    }
    // Opens `file` and starts with `interval` units (20 ms each) and `packLen`.
    static void startSending(Rig &rig, const QString &file, const QString &interval, const QString &packLen)
    {
        FileTestWindow *w = rig.fileTest.get();
        w->setIntervalUnitMs(20);
        rig.dialogs.fileAnswers << file;
        QTest::mouseClick(w->m_openFileButton, Qt::LeftButton);
        QVERIFY(!w->m_openFileButton->isEnabled());
        QVERIFY(w->m_sendFileButton->isEnabled());
        w->m_intervalEdit->setText(interval);
        w->m_packetLengthEdit->setText(packLen);
        QTest::mouseClick(w->m_sendFileButton, Qt::LeftButton);
        QVERIFY(w->m_intervalEdit->text().isEmpty() && w->m_packetLengthEdit->text().isEmpty());
        QVERIFY(w->m_stopSendButton->isEnabled());
        QVERIFY(!w->m_sendFileButton->isEnabled());
    }
    static bool finishedState(FileTestWindow *w)
    {
        return w->m_openFileButton->isEnabled() && !w->m_sendFileButton->isEnabled() && !w->m_stopSendButton->isEnabled() &&
               !w->m_packetTimer.isActive();
    }
};

void TestFileTest::tenBytesInPacketsOfFour()
{
    Rig rig;
    QVERIFY(rig.start());
    rig.form->m_transparentPage->m_hexCheck->click();
    FileTestWindow *w = rig.fileTest.get();
    startSending(rig, writeData(rig, "0123456789", true), QStringLiteral("1"), QStringLiteral("4"));
    QTRY_VERIFY(finishedState(w));
    QCOMPARE(lines(w->m_logBox), (QStringList{QStringLiteral("0123"), QStringLiteral("4567"), QStringLiteral("89"),
                                           QStringLiteral("文件发送完毕!")}));
    QCOMPARE(rig.state().SentBytes, 10);
    const QStringList sent = rig.conversation().filter(QStringLiteral("发送数据"));
    QCOMPARE(sent.size(), 3);
    QVERIFY(sent[0].endsWith(QStringLiteral(" 发送数据：{30 31 32 33 }0123")));
    QVERIFY(sent[2].endsWith(QStringLiteral(" 发送数据：{38 39 }89")));
    // The device loops the packets back.
    QTRY_COMPARE(rig.state().ReceivedBytes, 10);
}

void TestFileTest::exactMultipleEndsWithEmptyPacket()
{
    Rig rig;
    QVERIFY(rig.start());
    FileTestWindow *w = rig.fileTest.get();
    startSending(rig, writeData(rig, "abcdefgh"), QStringLiteral("1"), QStringLiteral("4"));
    QTRY_VERIFY(finishedState(w));
    QCOMPARE(lines(w->m_logBox), (QStringList{QStringLiteral("abcd"), QStringLiteral("efgh"), QString(),
                                           QStringLiteral("文件发送完毕!")}));
    QCOMPARE(rig.state().SentBytes, 8);
    QCOMPARE(rig.conversation().filter(QStringLiteral("发送数据")).size(), 3);
    // A new file can be opened and sent again.
    startSending(rig, writeData(rig, "xy"), QStringLiteral("1"), QStringLiteral("4"));
    QTRY_VERIFY(finishedState(w));
    QCOMPARE(lines(w->m_logBox).mid(4), (QStringList{QStringLiteral("xy"), QStringLiteral("文件发送完毕!")}));
}

void TestFileTest::stopMidSendAndZeroInterval()
{
    Rig rig;
    QVERIFY(rig.start());
    FileTestWindow *w = rig.fileTest.get();
    startSending(rig, writeData(rig, QByteArray(100, 'k')), QStringLiteral("10"), QStringLiteral("10"));
    QTRY_COMPARE(lines(w->m_logBox).size(), 2);
    QTest::mouseClick(w->m_stopSendButton, Qt::LeftButton);
    QVERIFY(finishedState(w));
    QTest::qWait(500);
    QCOMPARE(lines(w->m_logBox).size(), 2);
    QCOMPARE(rig.state().SentBytes, 20);

    // An interval of 0 never ticks: nothing goes out until stopped.
    startSending(rig, writeData(rig, "zero"), QStringLiteral("0"), QStringLiteral("2"));
    QVERIFY(!w->m_packetTimer.isActive());
    QTest::qWait(200);
    QCOMPARE(lines(w->m_logBox).size(), 2);
    QCOMPARE(rig.state().SentBytes, 20);
    QTest::mouseClick(w->m_stopSendButton, Qt::LeftButton);
    QVERIFY(finishedState(w));
}

void TestFileTest::startChecks()
{
    Rig rig;
    QVERIFY(rig.start({}, false));
    FileTestWindow *w = rig.fileTest.get();
    rig.dialogs.fileAnswers << rig.path(QStringLiteral("missing.bin"));
    w->chooseFile();
    QCOMPARE(rig.dialogs.texts(QStringLiteral("information")), QStringList{QStringLiteral("读取文件失败!")});
    QVERIFY(w->m_openFileButton->isEnabled());
    QCOMPARE(rig.dialogs.shown.first().caption, QStringLiteral("选择文件"));

    rig.dialogs.fileAnswers << writeData(rig, "data");
    w->chooseFile();
    const auto attempt = [&](const QString &interval, const QString &packLen) {
        w->m_intervalEdit->setText(interval);
        w->m_packetLengthEdit->setText(packLen);
        w->startSending();
        return rig.dialogs.texts(QStringLiteral("information")).last();
    };
    QCOMPARE(attempt(QStringLiteral("1"), QString()), QStringLiteral("请输入包长度"));
    QCOMPARE(attempt(QString(), QStringLiteral("4")), QStringLiteral("请输入时间间隔"));
    QCOMPARE(attempt(QStringLiteral("100001"), QStringLiteral("4")), QStringLiteral("时间间隔不能超过100000秒"));
    QCOMPARE(w->m_intervalEdit->text(), QStringLiteral("100001"));  // nothing changed
    QVERIFY(w->m_sendFileButton->isEnabled());
    QTest::keyClicks(w->m_packetLengthEdit, QStringLiteral("x9"));
    QCOMPARE(w->m_packetLengthEdit->text(), QStringLiteral("49"));
    // 100000 is accepted (the field's five digits cannot say more than 99999 anyway).
    w->m_intervalEdit->setText(QStringLiteral("100000"));
    w->startSending();
    QVERIFY(w->m_stopSendButton->isEnabled());
    QCOMPARE(w->m_packetTimer.interval(), 100000 * 1000);
    w->stopSending();
}

void TestFileTest::failedSendStopsOnce()
{
    Rig rig;
    QVERIFY(rig.start({}, false));
    FileTestWindow *w = rig.fileTest.get();
    startSending(rig, writeData(rig, "0123456789"), QStringLiteral("1"), QStringLiteral("4"));
    QTRY_VERIFY(finishedState(w));
    QTest::qWait(100);
    QCOMPARE(rig.dialogs.texts(QStringLiteral("error")), QStringList{QStringLiteral("Device not opened.")});
    QCOMPARE(lines(w->m_logBox), QStringList{QStringLiteral("0123")});
    QCOMPARE(rig.state().SentBytes, 0);
}

// A packet's write takes long on a slow line: meanwhile no read or device command may start,
// or its frame would go into the file stream and its wait would read file data.
void TestFileTest::deviceActionsWaitWhileAPacketIsWritten()
{
    Rig rig;
    QVERIFY(rig.start({}, false));
    FakeChannel device;
    device.open();
    rig.session->link.setOverrideChannel(&device);
    QList<bool> busyDuringWrite, readEnabledDuringWrite;
    device.setResponder([&](const QByteArray &) {
        busyDuringWrite << rig.session->engine.isBusy();
        readEnabledDuringWrite << rig.form->m_commPage->m_readButton->isEnabled();
    });
    QVERIFY(rig.form->m_commPage->m_readButton->isEnabled());
    FileTestWindow *w = rig.fileTest.get();
    startSending(rig, writeData(rig, "0123456789"), QStringLiteral("1"), QStringLiteral("4"));
    QTRY_VERIFY(finishedState(w));
    QCOMPARE(device.written(), QByteArray("0123456789"));
    QCOMPARE(busyDuringWrite, (QList<bool>{true, true, true}));
    QCOMPARE(readEnabledDuringWrite, (QList<bool>{false, false, false}));
    // Between packets and after the last one, the window is free again.
    QVERIFY(!rig.session->engine.isBusy());
    QVERIFY(rig.form->m_commPage->m_readButton->isEnabled());
    rig.session->link.setOverrideChannel(nullptr);
}

void TestFileTest::readErrorIsNoEndOfFile()
{
    Rig rig;
    QVERIFY(rig.start());
    FileTestWindow *w = rig.fileTest.get();
    // Opens for reading, then every read fails (address 0 of the process is not mapped).
    startSending(rig, QStringLiteral("/proc/self/mem"), QStringLiteral("1"), QStringLiteral("4"));
    QTRY_VERIFY(finishedState(w));
    QCOMPARE(lines(w->m_logBox), QStringList{QStringLiteral("读取文件失败!")});
    QCOMPARE(rig.dialogs.texts(QStringLiteral("information")), QStringList{QStringLiteral("读取文件失败!")});
    QCOMPARE(rig.state().SentBytes, 0);
    QVERIFY(rig.conversation().filter(QStringLiteral("发送数据")).isEmpty());
}

void TestFileTest::receiveFileIsFilled()
{
    Rig rig;
    QVERIFY(rig.start());
    FileTestWindow *w = rig.fileTest.get();
    w->m_receiveFileEdit->clear();
    w->m_receiveToFileCheck->click();
    QCOMPARE(rig.dialogs.texts(QStringLiteral("information")), QStringList{QStringLiteral("请指定文件名!")});
    QVERIFY(w->m_receiveToFileCheck->isChecked());
    w->m_receiveToFileCheck->click();  // unchecking with no file open is quiet
    QCOMPARE(rig.dialogs.shown.size(), 1);

    w->m_receiveFileEdit->setText(rig.path(QStringLiteral("no/such/dir/recv.dat")));
    w->m_receiveToFileCheck->click();
    QCOMPARE(rig.dialogs.texts(QStringLiteral("information")).last(), QStringLiteral("创建文件失败!"));
    w->m_receiveToFileCheck->click();
    QVERIFY(w->m_receiveFileEdit->text().isEmpty());

    const QString recv = rig.path(QStringLiteral("recv.dat"));
    writeData(rig, "old");
    QFile::rename(rig.path(QStringLiteral("data.bin")), recv);
    w->m_receiveFileEdit->setText(QStringLiteral("recv.dat"));  // relative to the working directory
    w->m_receiveToFileCheck->click();
    QCOMPARE(QFileInfo(recv).size(), 0);  // emptied
    TransparentPage *page = rig.form->m_transparentPage;
    page->m_inputEdit->setPlainText(QStringLiteral("first "));
    page->sendInput();
    QTRY_COMPARE(QFileInfo(recv).size(), 6);
    page->m_hexCheck->click();
    page->m_inputEdit->setPlainText(QStringLiteral("00FF0D0A"));
    page->sendInput();
    QTRY_COMPARE(QFileInfo(recv).size(), 10);
    QFile f(recv);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("first \x00\xFF\r\n", 10));

    w->m_receiveToFileCheck->click();  // closed: later data stay out
    QVERIFY(w->m_receiveFileEdit->text().isEmpty());
    page->m_inputEdit->setPlainText(QStringLiteral("41"));
    page->sendInput();
    QTRY_COMPARE(rig.state().ReceivedBytes, 11);
    QCOMPARE(QFileInfo(recv).size(), 10);
}

void TestFileTest::receiveFileWriteFailureIsReported()
{
    Rig rig;
    QVERIFY(rig.start());
    FileTestWindow *w = rig.fileTest.get();
    QStringList log;
    connect(&rig.state(), &AppState::logAppended, this, [&](const QString &l) { log << l; });
    // A device that is always full: opening works, every write fails.
    w->m_receiveFileEdit->setText(QStringLiteral("/dev/full"));
    w->m_receiveToFileCheck->click();
    QVERIFY(rig.dialogs.shown.isEmpty());
    TransparentPage *page = rig.form->m_transparentPage;
    for (const char *text : {"one", "two"}) {
        page->m_inputEdit->setPlainText(QString::fromLatin1(text));
        page->sendInput();
        QTRY_VERIFY(rig.state().ReceivedBytes >= (text[0] == 'o' ? 3 : 6));
    }
    // Reported once, in the main log, naming the file.
    QTRY_COMPARE(log.filter(QStringLiteral("/dev/full")).size(), 1);
    QVERIFY(log.filter(QStringLiteral("/dev/full")).first().startsWith(QStringLiteral("[接收数据写入文件")));
}

// A 4 GB file (sparse, so the test writes nothing): chosen at once, sent packet by packet, and
// neither the log box nor the conversation keeps more than its cap of text.
void TestFileTest::fourGigabyteFileIsSentInBoundedMemory()
{
    Rig rig;
    QVERIFY(rig.start());
    FileTestWindow *w = rig.fileTest.get();
    const QString path = rig.path(QStringLiteral("big.bin"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(4LL * 1024 * 1024 * 1024));
    }
    QElapsedTimer t;
    t.start();
    // 99999: the longest packet the five-digit length box takes.
    startSending(rig, path, QStringLiteral("1"), QStringLiteral("99999"));
    QVERIFY2(t.elapsed() < 2000, qPrintable(QString::number(t.elapsed())));
    // Enough packets to pass the text cap of both boxes more than once.
    const int packets = 3 * ConversationView::kMaxChars / 99999;
    QTRY_VERIFY_WITH_TIMEOUT(rig.state().SentBytes >= packets * 99999LL, 60000);
    QTest::mouseClick(w->m_stopSendButton, Qt::LeftButton);
    QVERIFY(finishedState(w));
    QCOMPARE(rig.state().SentBytes % 99999, 0);
    const int logChars = w->m_logBox->characterCount();
    QVERIFY2(logChars <= ConversationView::kMaxChars + 100000, qPrintable(QString::number(logChars)));
    QCOMPARE(w->m_logBox->lastLine().size(), 99999);
    rig.form->m_transparentPage->conversation().flush();
    const int talkChars = rig.form->m_transparentPage->m_conversationBox->characterCount();
    QVERIFY2(talkChars <= ConversationView::kMaxChars + 200000, qPrintable(QString::number(talkChars)));
}

QTEST_MAIN(TestFileTest)
#include "tst_file_test.moc"

