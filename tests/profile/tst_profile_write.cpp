// Writing profiles: encodings and member order kept, save-as, write-back, atomic writes, lastfile.log.
#include "text/text_codec.h"
#include "support/profile_rig.h"
#include "support/temp_file_dir.h"

#include <QDir>
#include <QDirIterator>
#include <QtTest>

#include <csignal>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {
const char *kProfile = R"J({
  "Title": "演示设备",
  "Zeta": "z",
  "Alpha": 1,
  "Params": [
    {"CMDID": "", "PNAME": "标题行", "PVALUE": ""},
    {"CMDID": "0012", "PNAME": "端口", "PVALUE": "HEX:1F90", "ONGET": "hexinput"},
    {"CMDID": "0013", "PNAME": "模式", "PVALUE": "HEX:00", "ONGET": "hexinput"}
  ],
  "Comport": "/dev/ttyS0"
})J";

QByteArray encoded(TextEncoding enc)
{
    return EncodeText(QString::fromUtf8(kProfile), enc);
}

nlohmann::ordered_json parsed(const QByteArray &bytes)
{
    return *ParseLenientJson(DecodeText(bytes).text, nullptr);
}

// Top-level member names in file order.
QStringList memberOrder(const QByteArray &bytes)
{
    QStringList keys;
    const nlohmann::ordered_json tree = parsed(bytes);
    for (const auto &item : tree.items())
        keys << QString::fromStdString(item.key());
    return keys;
}

struct CwdGuard {
    QString saved = QDir::currentPath();
    ~CwdGuard() { QDir::setCurrent(saved); }
};

// Limits the size of files this process may write, so a write fails partway even for root.
struct FileSizeLimit {
    rlimit saved{};
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit lim = saved;
        lim.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved); }
};

// File accesses of this thread as an unprivileged user's, so folder and file permissions hold
// also when the tests run as root (who may write anywhere).
struct UnprivilegedFiles {
    const bool root = geteuid() == 0;
    UnprivilegedFiles()
    {
        if (root)
            setfsuid(65534);
    }
    ~UnprivilegedFiles()
    {
        if (root)
            setfsuid(0);
    }
    bool active() const { return !root || setfsuid(static_cast<uid_t>(-1)) == 65534; }
};

constexpr QFile::Permissions kReadOnlyFolder = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup
                                                | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
constexpr QFile::Permissions kWritableForAll = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
                                                | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
constexpr QFile::Permissions kReadOnlyForAll = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
} // namespace

class TestProfileWrite : public QObject {
    Q_OBJECT
private slots:
    void writeBackKeepsEncodingAndOrder_data();
    void writeBackKeepsEncodingAndOrder();
    void writeBackUsesTreeNotTable();
    void saveAsStoresTableValues();
    void failuresAreReported();
    void atomicWriteLeavesNoTemporary();
    void failedWriteKeepsOldContent();
    void readOnlyFolderWritesFileInPlace();
    void inPlaceWriteFailingHalfWayKeepsTheFile();
    void lastFileRoundTrip();
};

void TestProfileWrite::writeBackKeepsEncodingAndOrder_data()
{
    QTest::addColumn<int>("encoding");
    QTest::newRow("GBK") << int(TextEncoding::Gbk);
    QTest::newRow("UTF-8") << int(TextEncoding::Utf8);
    QTest::newRow("UTF-8 with BOM") << int(TextEncoding::Utf8Bom);
}

void TestProfileWrite::writeBackKeepsEncodingAndOrder()
{
    QFETCH(int, encoding);
    const auto enc = static_cast<TextEncoding>(encoding);
    TempFileDir dir;
    ProfileRig rig;
    const QString path = dir.write("p.txt", encoded(enc));
    QVERIFY(rig.profile.LoadProfile(path).ok);
    QCOMPARE(rig.profile.encoding(), enc);
    QString error;
    QVERIFY2(rig.profile.WriteBackProfile(&error), qPrintable(error));

    const QByteArray written = dir.read("p.txt");
    QCOMPARE(DecodeText(written).encoding, enc);
    QCOMPARE(written.startsWith("\xEF\xBB\xBF"), enc == TextEncoding::Utf8Bom);
    // Non-ASCII written as characters of the file's encoding, never as \u escapes.
    QVERIFY(!written.contains("\\u"));
    QVERIFY(written.contains(EncodeText(QString::fromUtf8("演示设备"), enc == TextEncoding::Gbk ? enc : TextEncoding::Utf8)));
    QVERIFY(written.contains("\n  \"Title\""));  // indented
    QCOMPARE(memberOrder(written), QStringList({"Title", "Zeta", "Alpha", "Params", "Comport"}));
    QCOMPARE(parsed(written), parsed(encoded(enc)));
}

void TestProfileWrite::writeBackUsesTreeNotTable()
{
    TempFileDir dir;
    ProfileRig rig;
    QVERIFY(rig.profile.LoadProfile(dir.write("p.txt", encoded(TextEncoding::Gbk))).ok);
    rig.mainTable.setStored(1, QStringLiteral("HEX:0050"));
    QVERIFY(rig.profile.SetTopLevelText(QStringLiteral("Comport"), QStringLiteral("/dev/ttyUSB1")));
    QVERIFY(rig.profile.SetTopLevelText(QStringLiteral("Baudrate"), QStringLiteral("9600")));
    QVERIFY(rig.profile.WriteBackProfile());

    const auto tree = parsed(dir.read("p.txt"));
    QCOMPARE(tree["Comport"].get<std::string>(), std::string("/dev/ttyUSB1"));
    QCOMPARE(tree["Baudrate"].get<std::string>(), std::string("9600"));
    QCOMPARE(tree["Params"][1]["PVALUE"].get<std::string>(), std::string("HEX:1F90"));
    QCOMPARE(memberOrder(dir.read("p.txt")).last(), QStringLiteral("Baudrate"));
}

void TestProfileWrite::saveAsStoresTableValues()
{
    TempFileDir dir;
    ProfileRig rig;
    const QByteArray original = encoded(TextEncoding::Gbk);
    QVERIFY(rig.profile.LoadProfile(dir.write("p.txt", original)).ok);
    rig.mainTable.setStored(1, QStringLiteral("HEX:0050"));
    rig.mainTable.setStored(2, QStringLiteral("HEX:01"));
    QString error;
    QVERIFY2(rig.profile.SaveProfileAs(dir.filePath("copy.txt"), &error), qPrintable(error));

    const auto copy = parsed(dir.read("copy.txt"));
    QCOMPARE(copy["Params"][1]["PVALUE"].get<std::string>(), std::string("HEX:0050"));
    QCOMPARE(copy["Params"][2]["PVALUE"].get<std::string>(), std::string("HEX:01"));
    QCOMPARE(copy["Params"][0]["PVALUE"].get<std::string>(), std::string(""));
    QCOMPARE(DecodeText(dir.read("copy.txt")).encoding, TextEncoding::Gbk);
    QCOMPARE(dir.read("p.txt"), original);
    QCOMPARE(rig.profile.path(), dir.filePath("p.txt"));

    // The stored values are now in the tree, so the next write-back carries them.
    QVERIFY(rig.profile.WriteBackProfile());
    QCOMPARE(parsed(dir.read("p.txt"))["Params"][1]["PVALUE"].get<std::string>(), std::string("HEX:0050"));
}

void TestProfileWrite::failuresAreReported()
{
    TempFileDir dir;
    ProfileRig rig;
    QString error;
    QVERIFY(!rig.profile.WriteBackProfile(&error));
    QVERIFY(!error.isEmpty());
    error.clear();
    QVERIFY(!rig.profile.SaveProfileAs(dir.filePath("x.txt"), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!rig.profile.SetTopLevelText(QStringLiteral("Comport"), QStringLiteral("x")));

    QVERIFY(rig.profile.LoadProfile(dir.write("p.txt", encoded(TextEncoding::Utf8))).ok);
    error.clear();
    QVERIFY(!rig.profile.SaveProfileAs(dir.filePath("no/such/folder/x.txt"), &error));
    QVERIFY(error.contains(QStringLiteral("x.txt")));
}

void TestProfileWrite::atomicWriteLeavesNoTemporary()
{
    TempFileDir dir;
    QString error;
    QVERIFY(WriteFileAtomically(dir.filePath("a.txt"), "first", &error));
    QVERIFY(WriteFileAtomically(dir.filePath("a.txt"), "second", &error));
    QCOMPARE(dir.read("a.txt"), QByteArray("second"));
    QCOMPARE(dir.entries(), QStringList({"a.txt"}));
}

void TestProfileWrite::failedWriteKeepsOldContent()
{
    TempFileDir dir;
    dir.write("a.txt", "old content");
    QString error;
    bool ok = true;
    {
        FileSizeLimit limit(4096);
        ok = WriteFileAtomically(dir.filePath("a.txt"), QByteArray(64 * 1024, 'x'), &error);
    }
    QVERIFY(!ok);
    QVERIFY(!error.isEmpty());
    QCOMPARE(dir.read("a.txt"), QByteArray("old content"));
    QCOMPARE(dir.entries(), QStringList({"a.txt"}));
}

namespace {
// The user's data folder (where a file written in place keeps its previous content meanwhile)
// in a folder the unprivileged user may write to.
struct OpenDataFolder {
    TempFileDir dir;
    QByteArray saved = qgetenv("XDG_DATA_HOME");
    OpenDataFolder()
    {
        QFile::setPermissions(dir.path(), kWritableForAll | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path()));
    }
    ~OpenDataFolder() { qputenv("XDG_DATA_HOME", saved); }
    // Files left in the data folder's recovery folder.
    QStringList leftOver() const
    {
        QStringList names;
        QDirIterator it(dir.path(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            names << QFileInfo(it.next()).fileName();
        return names;
    }
};
} // namespace

void TestProfileWrite::readOnlyFolderWritesFileInPlace()
{
    OpenDataFolder data;
    TempFileDir dir;
    ProfileRig rig;
    const QString path = dir.write("p.txt", encoded(TextEncoding::Gbk));
    QVERIFY(rig.profile.LoadProfile(path).ok);
    QVERIFY(QFile::setPermissions(path, kWritableForAll));
    QVERIFY(QFile::setPermissions(dir.path(), kReadOnlyFolder));
    QVERIFY(rig.profile.SetTopLevelText(QStringLiteral("Comport"), QStringLiteral("/dev/ttyUSB7")));
    bool written = false, refused = false, probeMade = false, readable = false;
    QString error, refusal;
    {
        UnprivilegedFiles user;
        QVERIFY(user.active());
        readable = QFile(path).open(QIODevice::ReadOnly);
        // The folder really takes no new file, so no temporary can be made beside the profile.
        probeMade = QFile(dir.filePath("probe")).open(QIODevice::WriteOnly);
        if (readable && !probeMade)
            written = rig.profile.WriteBackProfile(&error);
    }
    // A file that cannot be written either is still a failure, with its text.
    QVERIFY(QFile::setPermissions(path, kReadOnlyForAll));
    QVERIFY(rig.profile.SetTopLevelText(QStringLiteral("Comport"), QStringLiteral("/dev/ttyUSB8")));
    {
        UnprivilegedFiles user;
        QVERIFY(user.active());
        refused = !rig.profile.WriteBackProfile(&refusal);
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!readable)
        QSKIP("the temporary folder's parents are closed to an unprivileged user");
    QVERIFY(!probeMade);
    QVERIFY2(written, qPrintable(error));
    const auto tree = parsed(dir.read("p.txt"));
    QCOMPARE(tree["Comport"].get<std::string>(), std::string("/dev/ttyUSB7"));
    QCOMPARE(tree["Params"][1]["PVALUE"].get<std::string>(), std::string("HEX:1F90"));
    QCOMPARE(dir.entries(), QStringList({"p.txt"}));
    QVERIFY(refused);
    QVERIFY2(refusal.contains(QStringLiteral("p.txt")), qPrintable(refusal));
    QCOMPARE(parsed(dir.read("p.txt"))["Comport"].get<std::string>(), std::string("/dev/ttyUSB7"));
    QCOMPARE(data.leftOver(), QStringList());
}

void TestProfileWrite::inPlaceWriteFailingHalfWayKeepsTheFile()
{
    OpenDataFolder data;
    TempFileDir dir;
    ProfileRig rig;
    const QString path = dir.write("p.txt", encoded(TextEncoding::Gbk));
    const QByteArray before = dir.read("p.txt");
    QVERIFY(rig.profile.LoadProfile(path).ok);
    QVERIFY(QFile::setPermissions(path, kWritableForAll));
    QVERIFY(QFile::setPermissions(dir.path(), kReadOnlyFolder));
    // Longer than the files this process may write: the write stops part-way.
    QVERIFY(rig.profile.SetTopLevelText(QStringLiteral("Comport"), QString(8192, QLatin1Char('x'))));
    bool written = true, readable = false;
    QString error;
    {
        UnprivilegedFiles user;
        QVERIFY(user.active());
        readable = QFile(path).open(QIODevice::ReadOnly);
        FileSizeLimit limit(4096);
        if (readable)
            written = rig.profile.WriteBackProfile(&error);
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!readable)
        QSKIP("the temporary folder's parents are closed to an unprivileged user");
    QVERIFY(!written);
    QVERIFY2(error.contains(QStringLiteral("p.txt")), qPrintable(error));
    QCOMPARE(dir.read("p.txt"), before);
    QCOMPARE(data.leftOver(), QStringList());
}

void TestProfileWrite::lastFileRoundTrip()
{
    CwdGuard guard;
    TempFileDir dir;
    QVERIFY(QDir::setCurrent(dir.path()));
    QVERIFY(ReadLastFile().isEmpty());
    const QString profile = QString::fromUtf8("/data/设备 参数/p.txt");
    QVERIFY(WriteLastFile(profile));
    QCOMPARE(dir.read("lastfile.log"), profile.toUtf8());  // the path alone, no line break
    QCOMPARE(ReadLastFile(), profile);
    QVERIFY(WriteLastFile(QStringLiteral("/x.txt")));
    QCOMPARE(ReadLastFile(), QStringLiteral("/x.txt"));
}

QTEST_GUILESS_MAIN(TestProfileWrite)
#include "tst_profile_write.moc"
