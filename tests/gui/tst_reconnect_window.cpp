// The window against a simulated device that vanishes and comes back: panel 1, m_log and
// m_tcpStatusLabel follow it, the port opens again without a click, "关闭串口"/"断开" stop the attempts,
// and the session log holds every line the views showed plus both directions of the frames.
#include "app/main_window.h"
#include "session/core_session.h"
#include "support/fake_port_listing.h"
#include "support/isolated_home.h"
#include "support/scripted_dialogs.h"
#include "support/sim_process.h"
#include "state/user_settings.h"
#include "widgets/conversation_view.h"
#include "widgets/reconnect_ui.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>
#include <csignal>

namespace {
struct Rig {
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    SimProcess sim;
    std::unique_ptr<CoreSession> session;
    std::unique_ptr<MainWindow> form;

    Rig()
    {
        QDir::setCurrent(dir.path());
        QFile::copy(QStringLiteral(DTU_SOURCE_DIR "/examples/script.js"), dir.filePath(QStringLiteral("script.js")));
    }
    ~Rig()
    {
        form.reset();
        session.reset();
        sim.stop();
        QDir::setCurrent(QDir::tempPath());
    }
    QString link() const { return dir.filePath(QStringLiteral("dtu")); }
    bool start(const QStringList &simArgs)
    {
        if (!sim.start(simArgs))
            return false;
        // A test that turned "自动重连" off and failed before turning it on again leaves no trace.
        UserSettings().setAutoReconnect(true);
        session = std::make_unique<CoreSession>();
        form = std::make_unique<MainWindow>(*session, dialogs);
        session->state.FastReplies = true;
        form->show();
        return QTest::qWaitForWindowExposed(form.get());
    }
    template <typename T>
    T *child(const char *name) const
    {
        T *w = form->findChild<T *>(QLatin1String(name));
        if (!w)
            qWarning("no %s", name);
        return w;
    }
    QString panel1() const { return child<QLabel>("StatusBar1Panel1")->text(); }
    QStringList lines(const char *memo) const
    {
        return child<ConversationView>(memo)->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    void openPort(const QString &path)
    {
        child<QLineEdit>("Edit1")->setText(path);
        child<QPushButton>("Button3")->click();
    }
    QStringList logLines() const
    {
        session->log.sync();
        QFile f(session->log.currentFile());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    // The log entries of one view, without their time stamps and tag.
    QStringList logged(const QString &tag) const
    {
        QStringList out;
        const QString mark = QLatin1Char(' ') + tag + QLatin1Char(' ');
        for (const QString &l : logLines())
            if (l.mid(23).startsWith(mark))
                out << l.mid(23 + mark.size());
        return out;
    }
};
} // namespace

class TestReconnectWindow : public QObject {
    Q_OBJECT
private slots:
    void serialComesBackWithoutAClickAndTheLogHoldsEverything()
    {
        Rig r;
        QVERIFY2(r.start({"--pty", "--link", r.link(), "--state", "3", "--vanish-pause", "800"}), qPrintable(r.sim.errorText()));
        QVERIFY(r.child<QAction>("NAutoReconnect")->isChecked());
        r.openPort(r.link());
        QVERIFY(r.panel1().startsWith(r.link() + QStringLiteral("打开成功,BaudRate=")));
        const QString opened = r.panel1();
        // A list showing another choice, not picked (no reopen): the port still runs at 57600.
        r.child<QComboBox>("ComboBox1")->setCurrentText(QStringLiteral("9600"));
        r.child<QPushButton>("Button9")->click();
        QTRY_VERIFY(r.lines("Memo4").contains(QStringLiteral("DTU状态=3,PPP拨号状态")));

        QVERIFY(r.sim.signal(SIGUSR1));
        QTRY_COMPARE_WITH_TIMEOUT(r.panel1(), r.link() + QStringLiteral("已断开，等待设备重新连接..."), 5000);
        QCOMPARE(r.lines("Memo1").filter(QStringLiteral("已断开，等待设备重新连接...")).size(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(r.panel1(), opened, 8000);
        QTRY_VERIFY(r.lines("Memo1").contains(QStringLiteral("[串口已重新连接]")));
        r.child<QPushButton>("Button9")->click();
        QTRY_COMPARE(r.lines("Memo4").filter(QStringLiteral("DTU状态=3")).size(), 2);

        // Every line the views showed, in order, and the frames both ways.
        QTRY_COMPARE(r.logged(QStringLiteral("Form1.Memo1")), r.lines("Memo1"));
        QCOMPARE(r.logged(QStringLiteral("Form1.Memo4")), r.lines("Memo4"));
        const QStringList all = r.logLines();
        QCOMPARE(all.filter(QRegularExpression(QStringLiteral("^\\S+ \\S+ TX AA 55 00 04 E0 04 "))).size(), 2);
        QCOMPARE(all.filter(QRegularExpression(QStringLiteral("^\\S+ \\S+ RX AA 55 00 05 E0 04 03 "))).size(), 2);
        for (int i = 1; i < all.size(); ++i)
            QVERIFY(all[i].left(23) >= all[i - 1].left(23));

        // The menu entry shows the log's folder.
        QUrl shown;
        r.form->reconnectUi().openUrl = [&shown](const QUrl &u) { shown = u; return true; };
        r.child<QAction>("NLogFolder")->trigger();
        QCOMPARE(shown.toLocalFile(), QFileInfo(r.session->log.currentFile()).absolutePath());
    }

    void hiddenViewsAreNotLoggedAndAFailedLogIsSaid()
    {
        Rig r;
        QVERIFY2(r.start({"--pty", "--link", r.link()}), qPrintable(r.sim.errorText()));
        // Typing in the control page's payload box fills its never-shown hex mirror.
        auto *payload = r.child<QPlainTextEdit>("Memo5");
        QTest::keyClicks(payload, QStringLiteral("AB"));
        QCOMPARE(r.child<QPlainTextEdit>("Memo7")->toPlainText(), QStringLiteral("4142"));
        r.session->state.log(QStringLiteral("shown"));
        QTRY_COMPARE(r.logged(QStringLiteral("Form1.Memo1")).filter(QStringLiteral("shown")).size(), 1);
        QCOMPARE(r.logged(QStringLiteral("Form1.Memo7")), QStringList());

        // A log folder that cannot be made: said once in panel 3 and Memo1, again when it works.
        const QString blocker = r.dir.filePath(QStringLiteral("blocker"));
        QFile(blocker).open(QIODevice::WriteOnly);
        r.session->log.openFolder(blocker + QStringLiteral("/logs"), 30, 0);
        auto *panel3 = r.child<QLabel>("StatusBar1Panel3");
        r.session->state.log(QStringLiteral("lost 1"));
        r.session->state.log(QStringLiteral("lost 2"));
        QTRY_VERIFY(panel3->text().startsWith(QStringLiteral("日志文件无法写入：") + blocker));
        r.session->state.log(QStringLiteral("lost 3"));
        r.session->log.sync();
        QTest::qWait(50);
        QCOMPARE(r.lines("Memo1").filter(QStringLiteral("日志文件无法写入：")).size(), 1);
        QVERIFY(QFile::remove(blocker));
        r.session->state.log(QStringLiteral("written"));
        QTRY_VERIFY(panel3->text().startsWith(QStringLiteral("日志文件恢复写入：")));
        QCOMPARE(r.lines("Memo1").filter(QStringLiteral("日志文件恢复写入：")).size(), 1);
        QTRY_VERIFY(r.logged(QStringLiteral("Form1.Memo1")).contains(QStringLiteral("written")));
    }

    void edit1FollowsTheAdapterToItsNewName()
    {
        Rig r;
        const QString linkB = r.dir.filePath(QStringLiteral("dtuB"));
        QVERIFY2(r.start({"--pty", "--link", r.link(), "--state", "3"}), qPrintable(r.sim.errorText()));
        FakePortListing listing{{{r.link(), QStringLiteral("A9XK12")}, {linkB, QStringLiteral("A9XK12")}}};
        r.session->serialReconnect.setLister([&listing] { return listing(); });
        r.openPort(r.link());
        QVERIFY(r.session->link.serial().isOpen());
        r.sim.stop();
        QTRY_COMPARE_WITH_TIMEOUT(r.panel1(), r.link() + QStringLiteral("已断开，等待设备重新连接..."), 5000);
        // The adapter is back under another name.
        SimProcess again;
        QVERIFY2(again.start({"--pty", "--link", linkB, "--state", "5"}), qPrintable(again.errorText()));
        const QString newName = QFileInfo(linkB).canonicalFilePath();
        QTRY_COMPARE_WITH_TIMEOUT(r.child<QLineEdit>("Edit1")->text(), newName, 5000);
        QVERIFY(r.panel1().startsWith(newName + QStringLiteral("打开成功,BaudRate=57600,参数=8N1")));
        r.child<QPushButton>("Button9")->click();
        QTRY_VERIFY(r.lines("Memo4").contains(QStringLiteral("DTU状态=5,在线状态，已登录到数据中心")));
    }

    void anAdapterThatCannotBeToldApartIsLeftToTheUser()
    {
        // Two units on adapters of one model without serial numbers: when unit A's goes, the
        // adapter that comes back under its name may be unit B's.
        Rig r;
        const QString linkB = r.dir.filePath(QStringLiteral("dtuB"));
        QVERIFY2(r.start({"--pty", "--link", r.link(), "--state", "3"}), qPrintable(r.sim.errorText()));
        SimProcess unitB;
        QVERIFY2(unitB.start({"--pty", "--link", linkB, "--state", "7"}), qPrintable(unitB.errorText()));
        FakePortListing listing{{{r.link(), QString()}, {linkB, QString()}}};
        r.session->serialReconnect.setLister([&listing] { return listing(); });
        r.openPort(r.link());
        QVERIFY(r.session->link.serial().isOpen());
        r.sim.stop();
        const QString said = SerialReconnector::CannotConfirmText(r.link());
        QVERIFY(said.contains(QStringLiteral("无法确认是同一个适配器")));
        QTRY_COMPARE_WITH_TIMEOUT(r.panel1(), said, 5000);
        // Unit B's adapter takes the name: it is not opened behind the user's back.
        unitB.stop();
        QVERIFY2(unitB.start({"--pty", "--link", r.link(), "--state", "7"}), qPrintable(unitB.errorText()));
        QTest::qWait(4 * SerialReconnector::kRetryMs);
        QVERIFY(!r.session->link.serial().isOpen());
        QCOMPARE(r.panel1(), said);
        QCOMPARE(r.lines("Memo1").filter(said).size(), 1);
        QVERIFY(!r.lines("Memo1").contains(QStringLiteral("[串口已重新连接]")));
    }

    void autoReconnectOffAndOnDuringAnOutage()
    {
        Rig r;
        QVERIFY2(r.start({"--pty", "--link", r.link(), "--vanish-pause", "1500"}), qPrintable(r.sim.errorText()));
        SimProcess tcpSim;
        QVERIFY2(tcpSim.start({"--tcp", "0", "--vanish-pause", "1500"}), qPrintable(tcpSim.errorText()));
        auto *autoReconnect = r.child<QAction>("NAutoReconnect");
        auto *label10 = r.child<QLabel>("Label10");
        r.openPort(r.link());
        const QString opened = r.panel1();
        r.child<QLineEdit>("Edit8")->setText(QStringLiteral("127.0.0.1:%1").arg(tcpSim.tcpPort()));
        r.child<QPushButton>("Button15")->click();
        QTRY_COMPARE(label10->text(), QStringLiteral("TCP维护端口连接成功"));

        QVERIFY(r.sim.signal(SIGUSR1));
        QVERIFY(tcpSim.signal(SIGUSR1));
        QTRY_COMPARE_WITH_TIMEOUT(r.panel1(), r.link() + QStringLiteral("已断开，等待设备重新连接..."), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(label10->text(), TcpReconnector::WaitingText(1, 1), 5000);
        // Off: both say plainly that the link is gone, and no attempt is made.
        autoReconnect->trigger();
        QCOMPARE(r.panel1(), r.link() + QStringLiteral("已断开"));
        QCOMPARE(label10->text(), QStringLiteral("TCP维护端口连接失败"));
        QVERIFY(!r.sim.waitForLine(QStringLiteral("RETURNED"), 5000).isEmpty());
        QTest::qWait(TcpReconnector::kFirstPauseMs + 500);
        QVERIFY(!r.session->link.serial().isOpen());
        QVERIFY(!r.session->link.tcp().isActive());
        // On again: the attempts are taken up, and both come back.
        autoReconnect->trigger();
        QCOMPARE(r.panel1(), r.link() + QStringLiteral("已断开，等待设备重新连接..."));
        QCOMPARE(label10->text(), TcpReconnector::WaitingText(1, 1));
        QTRY_COMPARE_WITH_TIMEOUT(r.panel1(), opened, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(label10->text(), QStringLiteral("TCP维护端口连接成功"), 5000);
    }

    void replyWaitEndsAtOnceAndCloseStopsTheAttempts()
    {
        Rig r;
        QVERIFY2(r.start({"--pty", "--link", r.link(), "--silent", "E004", "--vanish-after", "1", "--vanish-pause", "1500"}),
                 qPrintable(r.sim.errorText()));
        r.openPort(r.link());
        QElapsedTimer t;
        t.start();
        r.child<QPushButton>("Button9")->click();
        QTRY_VERIFY(r.lines("Memo4").contains(QStringLiteral("DTU状态读取失败，设备无响应！")));
        QVERIFY2(t.elapsed() < 2500, qPrintable(QString::number(t.elapsed())));  // not the 4 s time-out
        QTRY_VERIFY(r.session->serialReconnect.isWaiting());
        r.child<QPushButton>("ButtonClosePort")->click();
        QVERIFY(!r.session->serialReconnect.isWaiting());
        QCOMPARE(r.panel1(), QStringLiteral("串口未打开"));
        QVERIFY(!r.sim.waitForLine(QStringLiteral("RETURNED"), 5000).isEmpty());
        QTest::qWait(3 * SerialReconnector::kRetryMs);
        QVERIFY(!r.session->link.serial().isOpen());
        QVERIFY(!r.lines("Memo1").contains(QStringLiteral("[串口已重新连接]")));
    }

    void tcpAttemptsShownAndDisconnectStopsThem()
    {
        Rig r;
        QVERIFY2(r.start({"--tcp", "0", "--state", "4", "--vanish-pause", "1500"}), qPrintable(r.sim.errorText()));
        r.child<QLineEdit>("Edit8")->setText(QStringLiteral("127.0.0.1:%1").arg(r.sim.tcpPort()));
        r.child<QPushButton>("Button15")->click();
        auto *label10 = r.child<QLabel>("Label10");
        QTRY_COMPARE(label10->text(), QStringLiteral("TCP维护端口连接成功"));
        QVERIFY(r.sim.signal(SIGUSR1));
        QTRY_COMPARE_WITH_TIMEOUT(label10->text(), TcpReconnector::WaitingText(1, 1), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(label10->text(), TcpReconnector::WaitingText(2, 2), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(label10->text(), QStringLiteral("TCP维护端口连接成功"), 8000);
        r.child<QPushButton>("Button9")->click();
        QTRY_VERIFY(r.lines("Memo4").contains(QStringLiteral("DTU状态=4,在线状态，未登录到数据中心")));

        // Gone again; "断开" while waiting for the next attempt ends them.
        QVERIFY(r.sim.signal(SIGUSR1));
        QTRY_VERIFY_WITH_TIMEOUT(r.session->tcpReconnect.isWaiting(), 5000);
        r.child<QPushButton>("Button18")->click();
        QVERIFY(!r.session->tcpReconnect.isWaiting());
        QCOMPARE(label10->text(), QString());
        QTest::qWait(TcpReconnector::kFirstPauseMs + 300);
        QVERIFY(!r.session->link.tcp().isActive());
    }
};

QTEST_MAIN(TestReconnectWindow)
#include "tst_reconnect_window.moc"
