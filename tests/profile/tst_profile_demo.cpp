// The shipped demo profile, extended file and script.js work together.
#include "support/profile_rig.h"
#include "support/temp_file_dir.h"

#include <QDir>
#include <QtTest>

namespace {
const QString kExamples = QStringLiteral(DTU_SOURCE_DIR "/examples");

struct CwdGuard {
    QString saved = QDir::currentPath();
    ~CwdGuard() { QDir::setCurrent(saved); }
};

QString shownOf(const ParamTable &t, const QString &code)
{
    const int i = t.findByCode(code);
    return i < 0 ? QStringLiteral("<missing>") : t.row(i).shown;
}
} // namespace

class TestProfileDemo : public QObject {
    Q_OBJECT
private slots:
    void init();
    void demoProfileLoads();
    void commandWords_data();
    void commandWords();
    void conversionsRoundTrip_data();
    void conversionsRoundTrip();
    void conversionsRejectBadInput();

private:
    std::unique_ptr<ProfileRig> m_rig;
};

void TestProfileDemo::init()
{
    m_rig = std::make_unique<ProfileRig>();
    QString fileError;
    const ScriptResult r = m_rig->script.evaluateFile(kExamples + "/script.js", &fileError);
    QVERIFY2(fileError.isEmpty() && r.ok, qPrintable(fileError + r.error));
}

void TestProfileDemo::demoProfileLoads()
{
    CwdGuard guard;
    TempFileDir elsewhere;  // the extended file is found beside the profile
    QVERIFY(QDir::setCurrent(elsewhere.path()));
    ProfileRig &rig = *m_rig;
    const ProfileLoadResult r = rig.profile.LoadProfile(kExamples + "/demo_profile.txt");
    QVERIFY2(r.ok, qPrintable(r.error));
    QVERIFY2(r.entryErrors.isEmpty(), qPrintable(r.entryErrors.join('\n')));
    QVERIFY2(r.extOk, qPrintable(r.extError));
    QCOMPARE(rig.profile.encoding(), TextEncoding::Gbk);
    QCOMPARE(r.settings.title, QString::fromUtf8("DTU-200 演示设备"));
    QCOMPARE(r.settings.tcpConfigIp, QStringLiteral("127.0.0.1:8888"));
    QCOMPARE(r.settings.comport, QStringLiteral("/tmp/dtu-demo-pty"));
    QCOMPARE(rig.state.MainParamChannel, 1);
    QVERIFY(rig.state.ExtTabVisible);

    QVERIFY(rig.mainTable.size() >= 25);
    QVERIFY(rig.buttons.size() >= 4 && rig.buttons.size() <= 6);
    int extCoded = 0;
    for (const ParamRow &row : rig.extTable.rows()) {
        if (row.isHeading())
            continue;
        ++extCoded;
        const int code = row.cmdId.toInt(nullptr, 16);
        QVERIFY2(code >= 0x0101 && code <= 0x0120, qPrintable(row.cmdId));
    }
    QVERIFY(extCoded >= 8 && extCoded <= 12);
    for (const ParamRow &row : rig.mainTable.rows()) {
        const int code = row.cmdId.toInt(nullptr, 16);
        QVERIFY2(row.isHeading() || (code >= 0x0001 && code <= 0x0030) || code == 0x0091, qPrintable(row.cmdId));
        QVERIFY2(!row.note.isEmpty(), qPrintable(row.name));
    }
    QVERIFY(rig.mainTable.findByCode(QStringLiteral("0091")) >= 0);

    QCOMPARE(shownOf(rig.mainTable, "0001"), QString::fromUtf8("透明传输"));
    QCOMPARE(shownOf(rig.mainTable, "0002"), QStringLiteral("10000001"));
    QCOMPARE(shownOf(rig.mainTable, "0004"), QStringLiteral("60"));
    QCOMPARE(shownOf(rig.mainTable, "0010"), QStringLiteral("CMNET"));
    QCOMPARE(shownOf(rig.mainTable, "0013"), QStringLiteral("TCP"));
    QCOMPARE(shownOf(rig.mainTable, "0014"), QStringLiteral("192.168.1.100"));
    QCOMPARE(shownOf(rig.mainTable, "0015"), QStringLiteral("8080"));
    QCOMPARE(shownOf(rig.mainTable, "0027"), QStringLiteral("35.500"));
    QCOMPARE(shownOf(rig.extTable, "0107"), QStringLiteral("1.000"));

    // Every button describes a frame the command window understands.
    for (int i = 0; i < rig.buttons.size(); ++i) {
        const ScriptResult click = rig.script.evaluate(rig.buttons.row(i).onClick);
        QVERIFY2(click.ok, qPrintable(click.error));
        const auto desc = ParseLenientJson(click.text, nullptr);
        QVERIFY2(desc && desc->is_object(), qPrintable(click.text));
        const std::string type = desc->value("TYPE", "");
        QVERIFY(type == "PACKET" || type == "HEX" || type == "ASCII");
    }
    rig.script.setHexInput(QStringLiteral("AA550005E0231700FF"));
    QCOMPARE(rig.script.evaluate(rig.buttons.row(0).onReply).text, QString::fromUtf8("信号强度：23"));
}

void TestProfileDemo::commandWords_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("word");
    QTest::newRow("read") << "CMD_GETPARAM" << "E001";
    QTest::newRow("read reply") << "CMD_REPLYCONFIG" << "E081";
    QTest::newRow("version") << "CMD_GETDTUVER" << "E003";
    QTest::newRow("status") << "CMD_GETSTATUS" << "E004";
    QTest::newRow("reset") << "CMD_RESET" << "E005";
    QTest::newRow("defaults") << "CMD_SETDEFAULT" << "E006";
    QTest::newRow("unknown") << "CMD_NOSUCH" << "";
    QTest::newRow("inherited name") << "toString" << "";
}

void TestProfileDemo::commandWords()
{
    QFETCH(QString, name);
    QFETCH(QString, word);
    QCOMPARE(m_rig->script.getCmd(name).text, word);
    QCOMPARE(m_rig->script.prevCmd().text, QString());
    m_rig->script.evaluate(QStringLiteral("PREFIX=\"0102\";"));
    QCOMPARE(m_rig->script.prevCmd().text, QStringLiteral("0102"));
}

void TestProfileDemo::conversionsRoundTrip_data()
{
    QTest::addColumn<QString>("get");
    QTest::addColumn<QString>("set");
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QString>("text");
    QTest::newRow("u8") << "GetU8()" << "SetU8()" << "FF" << "255";
    QTest::newRow("u16") << "GetU16()" << "SetU16()" << "1F90" << "8080";
    QTest::newRow("u32") << "GetU32()" << "SetU32()" << "FFFFFFFE" << "4294967294";
    QTest::newRow("port") << "GetPort()" << "SetPort()" << "0050" << "80";
    QTest::newRow("ip") << "GetIp()" << "SetIp()" << "0A00FF01" << "10.0.255.1";
    QTest::newRow("text") << "GetStr()" << "SetStr()" << "4142" << "AB";
    QTest::newRow("float") << "GetFloat()" << "SetFloat()" << "00002040" << "2.500";
    QTest::newRow("float one") << "GetFloat()" << "SetFloat()" << "0000803F" << "1.000";
}

void TestProfileDemo::conversionsRoundTrip()
{
    QFETCH(QString, get);
    QFETCH(QString, set);
    QFETCH(QString, hex);
    QFETCH(QString, text);
    ScriptHost &s = m_rig->script;
    s.setHexInput(hex);
    QCOMPARE(s.evaluate(get).text, text);
    s.setAscInput(text);
    QCOMPARE(s.evaluate(set).text, hex);
}

void TestProfileDemo::conversionsRejectBadInput()
{
    ScriptHost &s = m_rig->script;
    const QList<QPair<QString, QString>> bad = {{"SetU8()", "256"}, {"SetU16()", "12a"}, {"SetIp()", "300.1.1.1"},
                                                {"SetIp()", "1.2.3"}, {"SetFloat()", "abc"}, {"SetPort()", ""}};
    for (const auto &[expr, input] : bad) {
        s.setAscInput(input);
        QVERIFY2(!s.evaluate(expr).ok, qPrintable(expr + " " + input));
    }
}

QTEST_GUILESS_MAIN(TestProfileDemo)
#include "tst_profile_demo.moc"
