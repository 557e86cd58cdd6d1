// Loading a profile into the tables: index walk, members, settings, extended file, failures.
#include "support/profile_rig.h"
#include "support/temp_file_dir.h"

#include <QDir>
#include <QtTest>

namespace {
QString entry(const QString &code, const QString &name, const QString &value = QString(),
              const QString &onGet = QString())
{
    return QStringLiteral(R"({"CMDID":"%1","PNAME":"%2","PVALUE":"%3","ONSET":"","ONGET":"%4","ONLIST":"","PNOTE":"n%1"})")
        .arg(code, name, value, onGet);
}

QString threeEntries(const QString &sep)
{
    return QStringLiteral("{\"Params\":[") + sep + entry("0012", "A") + "," + sep + entry("0013", "B") + "," + sep
        + entry("0091", "C") + sep + "]}";
}

// Restores the working directory a test changes.
struct CwdGuard {
    QString saved = QDir::currentPath();
    ~CwdGuard() { QDir::setCurrent(saved); }
};
} // namespace

class TestProfileLoad : public QObject {
    Q_OBJECT
private slots:
    void indexWalkCoversEveryEntry_data();
    void indexWalkCoversEveryEntry();
    void readListSkipsZeroCodes();
    void membersReadAsText();
    void settingsAndCaption();
    void channelRules_data();
    void channelRules();
    void extendedFilePathResolution();
    void unreadableExtendedFileStillSetsTcp();
    void badEntriesKeepRowsAndGoOn();
    void unreadableProfileChangesNothing();
    void repeatedLoadDoesNotDuplicate();
    void paramsMissingOrMalformedStillLoadsButtons();
};

void TestProfileLoad::indexWalkCoversEveryEntry_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("lines");
    QTest::newRow("array, one entry a line") << threeEntries("\n") << 5;
    QTest::newRow("array, one line") << threeEntries("") << 1;
    QTest::newRow("object keyed by index, out of order")
        << QStringLiteral("{\"Params\":{\"2\":%3,\n\"0\":%1,\n\"1\":%2}}")
               .arg(entry("0012", "A"), entry("0013", "B"), entry("0091", "C"))
        << 3;
    // A gap in the keys loses nothing after it; keys that are not plain indexes are no entries.
    QTest::newRow("object keyed by index, with gaps")
        << QStringLiteral("{\"Params\":{\"7\":%3,\n\"0\":%1,\n\"note\":{},\"02\":{},\n\"2\":%2}}")
               .arg(entry("0012", "A"), entry("0013", "B"), entry("0091", "C"))
        << 4;
}

void TestProfileLoad::indexWalkCoversEveryEntry()
{
    QFETCH(QString, text);
    QFETCH(int, lines);
    TempFileDir dir;
    ProfileRig rig;
    const ProfileLoadResult r = rig.profile.LoadProfile(dir.writeUtf8("p.txt", text));
    QVERIFY2(r.ok, qPrintable(r.error));
    QVERIFY(r.entryErrors.isEmpty());
    QCOMPARE(rig.mainCodes(), QStringList({"0012", "0013", "0091"}));
    QCOMPARE(rig.mainTable.row(1).name, QStringLiteral("B"));
    QCOMPARE(rig.mainTable.row(2).note, QStringLiteral("n0091"));
    QCOMPARE(rig.mainTable.readList(), QByteArray::fromHex("001200130091"));
    QCOMPARE(rig.profile.lineCount(), lines);
}

void TestProfileLoad::readListSkipsZeroCodes()
{
    TempFileDir dir;
    ProfileRig rig;
    const QString text = QStringLiteral("{\"Params\":[%1,%2,%3,%4,%5]}")
                             .arg(entry("", "heading"), entry("0000", "zero"), entry("00", "short zero"),
                                  entry("a0b1", "lower case"), entry("ZZZZ", "not hex"));
    QVERIFY(rig.profile.LoadProfile(dir.writeUtf8("p.txt", text)).ok);
    QCOMPARE(rig.mainTable.size(), 5);
    QCOMPARE(rig.mainTable.readList(), QByteArray::fromHex("A0B1"));
}

void TestProfileLoad::membersReadAsText()
{
    TempFileDir dir;
    ProfileRig rig;
    const QString text = QStringLiteral(
        R"J({"Params":[{"CMDID":"0005"},{"CMDID":"0006","PNAME":7,"PVALUE":"HEX:0A","ONGET":"hexinput+'!'","PNOTE":2.5}]})J");
    const ProfileLoadResult r = rig.profile.LoadProfile(dir.writeUtf8("p.txt", text));
    QVERIFY(r.ok);
    QVERIFY(r.entryErrors.isEmpty());
    const ParamRow &bare = rig.mainTable.row(0);
    QCOMPARE(bare.cmdId, QStringLiteral("0005"));
    QVERIFY(bare.name.isEmpty() && bare.stored.isEmpty() && bare.shown.isEmpty() && bare.onList.isEmpty()
            && bare.onGet.isEmpty() && bare.onSet.isEmpty() && bare.note.isEmpty());
    const ParamRow &numbers = rig.mainTable.row(1);
    QCOMPARE(numbers.name, QStringLiteral("7"));
    QCOMPARE(numbers.note, QStringLiteral("2.5"));
    QCOMPARE(numbers.shown, QStringLiteral("0A!"));
}

void TestProfileLoad::settingsAndCaption()
{
    TempFileDir dir;
    ProfileRig rig;
    const QString full = QString::fromUtf8(
        R"({"Title":"演示 设备","Comport":"/dev/ttyS3","Baudrate":57600,"ComOption":"8E1","TcpConfigIP":"127.0.0.1:8888"})");
    ProfileLoadResult r = rig.profile.LoadProfile(dir.writeGbk("full.txt", full));
    QVERIFY(r.ok);
    QCOMPARE(r.settings.title, QString::fromUtf8("演示 设备"));
    QCOMPARE(r.settings.comport, QStringLiteral("/dev/ttyS3"));
    QCOMPARE(r.settings.baudrate, QStringLiteral("57600"));
    QCOMPARE(r.settings.comOption, QStringLiteral("8E1"));
    QCOMPARE(r.settings.tcpConfigIp, QStringLiteral("127.0.0.1:8888"));
    QCOMPARE(rig.profile.encoding(), TextEncoding::Gbk);

    r = rig.profile.LoadProfile(dir.writeUtf8("bare.txt", QStringLiteral("{}")));
    QVERIFY(r.ok);
    QVERIFY(r.settings.title.isEmpty());
    QVERIFY(r.settings.comport.isEmpty());
    QVERIFY(r.settings.tcpConfigIp.isEmpty());
    QCOMPARE(rig.profile.path(), dir.filePath("bare.txt"));
}

void TestProfileLoad::channelRules_data()
{
    QTest::addColumn<QString>("members");
    QTest::addColumn<int>("channel");
    QTest::addColumn<bool>("extVisible");
    QTest::newRow("no extended file") << QStringLiteral(R"("ExParamChannel":5)") << 1 << false;
    QTest::newRow("empty extended file name") << QStringLiteral(R"("ExParamFile":"","ExParamChannel":5)") << 1 << false;
    QTest::newRow("extended file, no channel") << QStringLiteral(R"("ExParamFile":"ext.txt")") << 0 << true;
    QTest::newRow("extended file, channel 2") << QStringLiteral(R"("ExParamFile":"ext.txt","ExParamChannel":2)") << 2 << true;
}

void TestProfileLoad::channelRules()
{
    QFETCH(QString, members);
    QFETCH(int, channel);
    QFETCH(bool, extVisible);
    TempFileDir dir;
    dir.writeUtf8("ext.txt", QStringLiteral("{\"Params\":[%1]}").arg(entry("0101", "E")));
    ProfileRig rig;
    rig.state.ParamChannel = -1;  // as after a port open
    rig.state.ExtTabVisible = !extVisible;
    const ProfileLoadResult r = rig.profile.LoadProfile(dir.writeUtf8("p.txt", "{" + members + "}"));
    QVERIFY(r.ok);
    QVERIFY(r.extOk);
    QCOMPARE(rig.state.MainParamChannel, channel);
    QCOMPARE(rig.state.ParamChannel, channel);
    QCOMPARE(rig.state.ExtTabVisible, extVisible);
    QCOMPARE(rig.extTable.size(), extVisible ? 1 : 0);
}

void TestProfileLoad::extendedFilePathResolution()
{
    CwdGuard guard;
    TempFileDir profileDir;
    TempFileDir workDir;
    profileDir.writeUtf8("ext.txt", QStringLiteral("{\"Params\":[%1]}").arg(entry("0102", "beside")));
    const QString profile = profileDir.writeUtf8("p.txt", QStringLiteral(R"({"ExParamFile":"ext.txt"})"));
    QVERIFY(QDir::setCurrent(workDir.path()));

    ProfileRig rig;
    // Not in the working directory: the file beside the profile is used.
    QVERIFY(rig.profile.LoadProfile(profile).extOk);
    QCOMPARE(rig.extTable.size(), 1);
    QCOMPARE(rig.extTable.row(0).name, QStringLiteral("beside"));

    // In the working directory: that one wins.
    workDir.writeUtf8("ext.txt", QStringLiteral("{\"Params\":[%1,%2]}").arg(entry("0103", "cwd"), entry("0104", "x")));
    QVERIFY(rig.profile.LoadProfile(profile).extOk);
    QCOMPARE(rig.extTable.size(), 2);
    QCOMPARE(rig.extTable.row(0).name, QStringLiteral("cwd"));
    QCOMPARE(rig.extTable.readList(), QByteArray::fromHex("01030104"));
}

void TestProfileLoad::unreadableExtendedFileStillSetsTcp()
{
    TempFileDir dir;
    ProfileRig rig;
    const QString text = QStringLiteral(R"({"ExParamFile":"%1","TcpConfigIP":"127.0.0.1:8888","Params":[%2]})")
                             .arg(dir.filePath("missing.txt"), entry("0001", "A"));
    const ProfileLoadResult r = rig.profile.LoadProfile(dir.writeUtf8("p.txt", text));
    QVERIFY(r.ok);
    QVERIFY(!r.extOk);
    QVERIFY(r.extError.contains(QStringLiteral("missing.txt")));
    QCOMPARE(r.settings.tcpConfigIp, QStringLiteral("127.0.0.1:8888"));
    QCOMPARE(rig.mainTable.size(), 1);
    QCOMPARE(rig.extTable.size(), 0);

    // An extended file that is not JSON is reported the same way.
    dir.writeUtf8("broken.txt", QStringLiteral("{\"Params\":[ nope"));
    const ProfileLoadResult broken = rig.profile.LoadProfile(
        dir.writeUtf8("p2.txt", QStringLiteral(R"({"ExParamFile":"%1"})").arg(dir.filePath("broken.txt"))));
    QVERIFY(broken.ok);
    QVERIFY(!broken.extOk);
    QVERIFY(!broken.extError.isEmpty());
}

void TestProfileLoad::badEntriesKeepRowsAndGoOn()
{
    TempFileDir dir;
    ProfileRig rig;
    const QString text = QString::fromUtf8(
        R"J({"Params":[%1,
"not an object",
{"CMDID":"0003","PNAME":"list","PVALUE":"HEX:00","ONLIST":"[[\"A\"],[\"00\",\"01\"]]","PNOTE":"kept"},
{"CMDID":"0004","PNAME":"script","PVALUE":"HEX:01","ONGET":"noSuchFunction()"},
%2],
"Buttons":[{"BNAME":"b1","ONCLICK":"c1","ONREPLY":"r1"}]})J")
                             .arg(entry("0001", "first", "HEX:05", "hexinput"), entry("0005", "last", "HEX:07", "hexinput"));
    const ProfileLoadResult r = rig.profile.LoadProfile(dir.writeUtf8("p.txt", text));
    QVERIFY(r.ok);
    QCOMPARE(rig.mainTable.size(), 5);
    QCOMPARE(r.entryErrors.size(), 3);
    QVERIFY(r.entryErrors.at(0).startsWith(QStringLiteral("参数项 1 载入失败：")));
    QVERIFY(r.entryErrors.at(1).startsWith(QStringLiteral("参数项 2 (0003) 载入失败：")));
    QVERIFY2(r.entryErrors.at(2).contains(QStringLiteral("noSuchFunction")), qPrintable(r.entryErrors.at(2)));

    const ParamRow &list = rig.mainTable.row(2);
    QVERIFY(list.shown.isEmpty());
    QCOMPARE(list.stored, QStringLiteral("HEX:00"));
    QCOMPARE(list.note, QStringLiteral("kept"));
    QVERIFY(list.onList.startsWith(QStringLiteral("[[")));
    QVERIFY(rig.mainTable.row(3).shown.isEmpty());
    QCOMPARE(rig.mainTable.row(3).onGet, QStringLiteral("noSuchFunction()"));
    // Rows after the failures are still made, and so are the buttons.
    QCOMPARE(rig.mainTable.row(4).shown, QStringLiteral("07"));
    QCOMPARE(rig.buttons.size(), 1);
    QCOMPARE(rig.buttons.row(0).onReply, QStringLiteral("r1"));
    QCOMPARE(rig.mainTable.readList(), QByteArray::fromHex("0001000300040005"));
}

void TestProfileLoad::unreadableProfileChangesNothing()
{
    TempFileDir dir;
    ProfileRig rig;
    const QString good = dir.writeUtf8("good.txt", threeEntries("\n"));
    QVERIFY(rig.profile.LoadProfile(good).ok);

    const QStringList bad = {dir.filePath("absent.txt"), dir.writeUtf8("array.txt", QStringLiteral("[1,2]")),
                             dir.writeUtf8("broken.txt", QStringLiteral("{\"Params\": ["))};
    for (const QString &path : bad) {
        const ProfileLoadResult r = rig.profile.LoadProfile(path);
        QVERIFY2(!r.ok, qPrintable(path));
        QVERIFY(!r.error.isEmpty());
        QCOMPARE(rig.mainTable.size(), 3);
        QCOMPARE(rig.profile.path(), good);
    }
}

void TestProfileLoad::repeatedLoadDoesNotDuplicate()
{
    TempFileDir dir;
    dir.writeUtf8("ext.txt", QStringLiteral("{\"Params\":[%1,%2]}").arg(entry("0101", "E1"), entry("0102", "E2")));
    const QString withExt = dir.writeUtf8(
        "p.txt", QStringLiteral(R"({"ExParamFile":"%1","Params":[%2],"Buttons":[{"BNAME":"b"},{"BNAME":"c"}]})")
                     .arg(dir.filePath("ext.txt"), entry("0001", "A")));
    ProfileRig rig;
    QVERIFY(rig.profile.LoadProfile(withExt).ok);
    QVERIFY(rig.profile.LoadProfile(withExt).ok);
    QCOMPARE(rig.mainTable.size(), 1);
    QCOMPARE(rig.extTable.size(), 2);
    QCOMPARE(rig.extTable.readList(), QByteArray::fromHex("01010102"));
    QCOMPARE(rig.buttons.size(), 2);

    const QString plain = dir.writeUtf8("plain.txt", QStringLiteral("{\"Params\":[%1]}").arg(entry("0002", "B")));
    QVERIFY(rig.profile.LoadProfile(plain).ok);
    QCOMPARE(rig.extTable.size(), 0);
    QCOMPARE(rig.buttons.size(), 0);
    QVERIFY(!rig.state.ExtTabVisible);
}

void TestProfileLoad::paramsMissingOrMalformedStillLoadsButtons()
{
    TempFileDir dir;
    ProfileRig rig;
    ProfileLoadResult r = rig.profile.LoadProfile(
        dir.writeUtf8("a.txt", QStringLiteral(R"({"Buttons":[{"BNAME":"b","ONCLICK":"c"}, 3, {"BNAME":"d"}]})")));
    QVERIFY(r.ok);
    QCOMPARE(rig.mainTable.size(), 0);
    QCOMPARE(rig.buttons.size(), 2);
    QCOMPARE(rig.buttons.row(1).name, QStringLiteral("d"));
    QCOMPARE(r.entryErrors.size(), 1);  // the button that is not an object

    // Buttons keyed by index with a gap: every one, in index order.
    r = rig.profile.LoadProfile(dir.writeUtf8(
        "g.txt", QStringLiteral(R"({"Buttons":{"5":{"BNAME":"late"},"0":{"BNAME":"first"},"3":{"BNAME":"mid"}}})")));
    QVERIFY(r.ok);
    QCOMPARE(rig.buttons.size(), 3);
    QCOMPARE(rig.buttons.row(0).name, QStringLiteral("first"));
    QCOMPARE(rig.buttons.row(1).name, QStringLiteral("mid"));
    QCOMPARE(rig.buttons.row(2).name, QStringLiteral("late"));

    r = rig.profile.LoadProfile(dir.writeUtf8("b.txt", QStringLiteral(R"({"Params":"none","Buttons":[{"BNAME":"b"}]})")));
    QVERIFY(r.ok);
    QCOMPARE(r.entryErrors.size(), 1);
    QCOMPARE(rig.buttons.size(), 1);
}

QTEST_GUILESS_MAIN(TestProfileLoad)
#include "tst_profile_load.moc"
