// The file send/receive window against the simulated device: packets and their lines, the
// end of the file, stopping, the start checks, failing sends, and the receive file.
#include "tool_rig.h"

#include <QCheckBox>
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
    void receiveFileIsFilled();
    void receiveFileWriteFailureIsReported();

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
        TfrmFileTest *w = rig.fileTest.get();
        w->setIntervalUnitMs(20);
        rig.dialogs.fileAnswers << file;
        QTest::mouseClick(w->btOpenFile, Qt::LeftButton);
        QVERIFY(!w->btOpenFile->isEnabled());
        QVERIFY(w->btSendFile->isEnabled());
        w->edinteval->setText(interval);
        w->edPackLen->setText(packLen);
        QTest::mouseClick(w->btSendFile, Qt::LeftButton);
        QVERIFY(w->edinteval->text().isEmpty() && w->edPackLen->text().isEmpty());
        QVERIFY(w->btStopSend->isEnabled());
        QVERIFY(!w->btSendFile->isEnabled());
    }
    static bool finishedState(TfrmFileTest *w)
    {
        return w->btOpenFile->isEnabled() && !w->btSendFile->isEnabled() && !w->btStopSend->isEnabled() &&
               !w->Timer2.isActive();
    }
};

void TestFileTest::tenBytesInPacketsOfFour()
{
    Rig rig;
    QVERIFY(rig.start());
    rig.form->TabSheet2->CheckBox2->click();
    TfrmFileTest *w = rig.fileTest.get();
    startSending(rig, writeData(rig, "0123456789", true), QStringLiteral("1"), QStringLiteral("4"));
    QTRY_VERIFY(finishedState(w));
    QCOMPARE(lines(w->Memo2), (QStringList{QStringLiteral("0123"), QStringLiteral("4567"), QStringLiteral("89"),
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
    TfrmFileTest *w = rig.fileTest.get();
    startSending(rig, writeData(rig, "abcdefgh"), QStringLiteral("1"), QStringLiteral("4"));
    QTRY_VERIFY(finishedState(w));
    QCOMPARE(lines(w->Memo2), (QStringList{QStringLiteral("abcd"), QStringLiteral("efgh"), QString(),
                                           QStringLiteral("文件发送完毕!")}));
    QCOMPARE(rig.state().SentBytes, 8);
    QCOMPARE(rig.conversation().filter(QStringLiteral("发送数据")).size(), 3);
    // A new file can be opened and sent again.
    startSending(rig, writeData(rig, "xy"), QStringLiteral("1"), QStringLiteral("4"));
    QTRY_VERIFY(finishedState(w));
    QCOMPARE(lines(w->Memo2).mid(4), (QStringList{QStringLiteral("xy"), QStringLiteral("文件发送完毕!")}));
}

void TestFileTest::stopMidSendAndZeroInterval()
{
    Rig rig;
    QVERIFY(rig.start());
    TfrmFileTest *w = rig.fileTest.get();
    startSending(rig, writeData(rig, QByteArray(100, 'k')), QStringLiteral("10"), QStringLiteral("10"));
    QTRY_COMPARE(lines(w->Memo2).size(), 2);
    QTest::mouseClick(w->btStopSend, Qt::LeftButton);
    QVERIFY(finishedState(w));
    QTest::qWait(500);
    QCOMPARE(lines(w->Memo2).size(), 2);
    QCOMPARE(rig.state().SentBytes, 20);

    // An interval of 0 never ticks: nothing goes out until stopped.
    startSending(rig, writeData(rig, "zero"), QStringLiteral("0"), QStringLiteral("2"));
    QVERIFY(!w->Timer2.isActive());
    QTest::qWait(200);
    QCOMPARE(lines(w->Memo2).size(), 2);
    QCOMPARE(rig.state().SentBytes, 20);
    QTest::mouseClick(w->btStopSend, Qt::LeftButton);
    QVERIFY(finishedState(w));
}

void TestFileTest::startChecks()
{
    Rig rig;
    QVERIFY(rig.start({}, false));
    TfrmFileTest *w = rig.fileTest.get();
    rig.dialogs.fileAnswers << rig.path(QStringLiteral("missing.bin"));
    w->btOpenFileClick();
    QCOMPARE(rig.dialogs.texts(QStringLiteral("information")), QStringList{QStringLiteral("读取文件失败!")});
    QVERIFY(w->btOpenFile->isEnabled());
    QCOMPARE(rig.dialogs.shown.first().caption, QStringLiteral("选择文件"));

    rig.dialogs.fileAnswers << writeData(rig, "data");
    w->btOpenFileClick();
    const auto attempt = [&](const QString &interval, const QString &packLen) {
        w->edinteval->setText(interval);
        w->edPackLen->setText(packLen);
        w->btSendFileClick();
        return rig.dialogs.texts(QStringLiteral("information")).last();
    };
    QCOMPARE(attempt(QStringLiteral("1"), QString()), QStringLiteral("请输入包长度"));
    QCOMPARE(attempt(QString(), QStringLiteral("4")), QStringLiteral("请输入时间间隔"));
    QCOMPARE(attempt(QStringLiteral("100001"), QStringLiteral("4")), QStringLiteral("最大延时不能超过100000ms"));
    QCOMPARE(w->edinteval->text(), QStringLiteral("100001"));  // nothing changed
    QVERIFY(w->btSendFile->isEnabled());
    QTest::keyClicks(w->edPackLen, QStringLiteral("x9"));
    QCOMPARE(w->edPackLen->text(), QStringLiteral("49"));
    // 100000 is accepted (the field's five digits cannot say more than 99999 anyway).
    w->edinteval->setText(QStringLiteral("100000"));
    w->btSendFileClick();
    QVERIFY(w->btStopSend->isEnabled());
    QCOMPARE(w->Timer2.interval(), 100000 * 1000);
    w->btStopSendClick();
}

void TestFileTest::failedSendStopsOnce()
{
    Rig rig;
    QVERIFY(rig.start({}, false));
    TfrmFileTest *w = rig.fileTest.get();
    startSending(rig, writeData(rig, "0123456789"), QStringLiteral("1"), QStringLiteral("4"));
    QTRY_VERIFY(finishedState(w));
    QTest::qWait(100);
    QCOMPARE(rig.dialogs.texts(QStringLiteral("error")), QStringList{QStringLiteral("Device not opened.")});
    QCOMPARE(lines(w->Memo2), QStringList{QStringLiteral("0123")});
    QCOMPARE(rig.state().SentBytes, 0);
}

void TestFileTest::receiveFileIsFilled()
{
    Rig rig;
    QVERIFY(rig.start());
    TfrmFileTest *w = rig.fileTest.get();
    w->Edit1->clear();
    w->CheckBox1->click();
    QCOMPARE(rig.dialogs.texts(QStringLiteral("information")), QStringList{QStringLiteral("请指定文件名!")});
    QVERIFY(w->CheckBox1->isChecked());
    w->CheckBox1->click();  // unchecking with no file open is quiet
    QCOMPARE(rig.dialogs.shown.size(), 1);

    w->Edit1->setText(rig.path(QStringLiteral("no/such/dir/recv.dat")));
    w->CheckBox1->click();
    QCOMPARE(rig.dialogs.texts(QStringLiteral("information")).last(), QStringLiteral("创建文件失败!"));
    w->CheckBox1->click();
    QVERIFY(w->Edit1->text().isEmpty());

    const QString recv = rig.path(QStringLiteral("recv.dat"));
    writeData(rig, "old");
    QFile::rename(rig.path(QStringLiteral("data.bin")), recv);
    w->Edit1->setText(QStringLiteral("recv.dat"));  // relative to the working directory
    w->CheckBox1->click();
    QCOMPARE(QFileInfo(recv).size(), 0);  // emptied
    TransparentPage *page = rig.form->TabSheet2;
    page->Memo3->setPlainText(QStringLiteral("first "));
    page->Button8Click();
    QTRY_COMPARE(QFileInfo(recv).size(), 6);
    page->CheckBox2->click();
    page->Memo3->setPlainText(QStringLiteral("00FF0D0A"));
    page->Button8Click();
    QTRY_COMPARE(QFileInfo(recv).size(), 10);
    QFile f(recv);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("first \x00\xFF\r\n", 10));

    w->CheckBox1->click();  // closed: later data stay out
    QVERIFY(w->Edit1->text().isEmpty());
    page->Memo3->setPlainText(QStringLiteral("41"));
    page->Button8Click();
    QTRY_COMPARE(rig.state().ReceivedBytes, 11);
    QCOMPARE(QFileInfo(recv).size(), 10);
}

void TestFileTest::receiveFileWriteFailureIsReported()
{
    Rig rig;
    QVERIFY(rig.start());
    TfrmFileTest *w = rig.fileTest.get();
    QStringList log;
    connect(&rig.state(), &AppState::logAppended, this, [&](const QString &l) { log << l; });
    // A device that is always full: opening works, every write fails.
    w->Edit1->setText(QStringLiteral("/dev/full"));
    w->CheckBox1->click();
    QVERIFY(rig.dialogs.shown.isEmpty());
    TransparentPage *page = rig.form->TabSheet2;
    for (const char *text : {"one", "two"}) {
        page->Memo3->setPlainText(QString::fromLatin1(text));
        page->Button8Click();
        QTRY_VERIFY(rig.state().ReceivedBytes >= (text[0] == 'o' ? 3 : 6));
    }
    // Reported once, in the main log, naming the file.
    QTRY_COMPARE(log.filter(QStringLiteral("/dev/full")).size(), 1);
    QVERIFY(log.filter(QStringLiteral("/dev/full")).first().startsWith(QStringLiteral("[接收数据写入文件")));
}

QTEST_MAIN(TestFileTest)
#include "tst_file_test.moc"
