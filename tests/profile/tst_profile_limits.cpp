// Profiles past any sensible size: a file of 100 MB, a list of a million entries, nesting deep
// enough to exhaust the stack. Each is refused with a text saying why, quickly, and the profile
// loaded before stays as it was.
#include "support/process_memory.h"
#include "support/profile_rig.h"
#include "support/temp_file_dir.h"
#include "params/value_conversions.h"
#include "profile/param_row_loader.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {
const QString kGood = QStringLiteral(
    R"({"Title":"t","Params":[{"CMDID":"0012","PNAME":"A","PVALUE":"HEX:01","ONSET":"","ONGET":"hexinput","ONLIST":"","PNOTE":""}],)"
    R"("Buttons":[{"BNAME":"b","ONCLICK":"","ONREPLY":""}]})");

void loadGood(ProfileRig &rig, const TempFileDir &dir)
{
    QVERIFY(rig.profile.LoadProfile(dir.writeUtf8("good.txt", kGood)).ok);
    QCOMPARE(rig.mainCodes(), QStringList{"0012"});
}

void expectGoodKept(ProfileRig &rig, const TempFileDir &dir)
{
    QCOMPARE(rig.mainCodes(), QStringList{"0012"});
    QCOMPARE(rig.mainTable.row(0).shown, QStringLiteral("01"));
    QCOMPARE(rig.buttons.size(), 1);
    QCOMPARE(rig.profile.path(), dir.filePath("good.txt"));
}
} // namespace

class TestProfileLimits : public QObject {
    Q_OBJECT
private slots:
    void hundredMegabyteFileIsRefusedUnread()
    {
        ProfileRig rig;
        TempFileDir dir;
        loadGood(rig, dir);
        // Sparse: the size is there without writing 100 MB.
        QFile big(dir.filePath("big.txt"));
        QVERIFY(big.open(QIODevice::WriteOnly));
        QVERIFY(big.resize(100LL * 1024 * 1024));
        big.close();
        QElapsedTimer t;
        t.start();
        const ProfileLoadResult r = rig.profile.LoadProfile(big.fileName());
        QVERIFY(t.elapsed() < 1000);
        QVERIFY(!r.ok);
        QVERIFY2(r.error.contains(QStringLiteral("过大（100 MB）")) && r.error.contains(QStringLiteral("16 MB")),
                 qPrintable(r.error));
        expectGoodKept(rig, dir);
    }

    // Sizes are told rounded up, and a path holding place-holder characters is shown as it is.
    void oversizedFileTextNamesItExactly_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("expected");
        QTest::newRow("half a megabyte over") << "big.txt" << qint64(33) * 512 * 1024 << "过大（17 MB），配置文件不能超过 16 MB";
        QTest::newRow("one byte over") << "big.txt" << kMaxProfileBytes + 1 << "过大（17 MB）";
        QTest::newRow("place-holders in the name") << "unit%3A%1.txt" << qint64(20) * 1024 * 1024
                                                   << "unit%3A%1.txt 过大（20 MB）";
    }
    void oversizedFileTextNamesItExactly()
    {
        QFETCH(QString, name);
        QFETCH(qint64, size);
        QFETCH(QString, expected);
        ProfileRig rig;
        TempFileDir dir;
        QFile big(dir.filePath(name));
        QVERIFY(big.open(QIODevice::WriteOnly));
        QVERIFY(big.resize(size));
        big.close();
        const ProfileLoadResult r = rig.profile.LoadProfile(big.fileName());
        QVERIFY(!r.ok);
        QVERIFY2(r.error.contains(expected), qPrintable(r.error));
    }

    // A pipe has no size to check first: the read itself is bounded, and the process does not
    // take the pipe's whole content.
    void pipeOverTheLimitIsRefusedWithinTheBound()
    {
        ProfileRig rig;
        TempFileDir dir;
        loadGood(rig, dir);
        const QString fifo = dir.filePath("pipe.txt");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        std::signal(SIGPIPE, SIG_IGN);
        constexpr qint64 total = 64LL * 1024 * 1024;
        qint64 written = 0;
        std::thread writer([&] {
            const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY);
            if (fd < 0)
                return;
            const QByteArray block(1024 * 1024, ' ');
            while (written < total) {
                const ssize_t n = ::write(fd, block.constData(), size_t(block.size()));
                if (n <= 0)
                    break;  // the reader closed the pipe
                written += n;
            }
            ::close(fd);
        });
        QVERIFY(ResetPeakResident());
        const qint64 before = PeakResidentMb();
        const ProfileLoadResult r = rig.profile.LoadProfile(fifo);
        writer.join();
        QVERIFY(!r.ok);
        QVERIFY2(r.error.contains(QStringLiteral("过大，配置文件不能超过 16 MB")), qPrintable(r.error));
        QVERIFY2(written < total, qPrintable(QString::number(written)));
        const qint64 grown = PeakResidentMb() - before;
        qInfo("pipe of %lld MB refused after %lld MB; peak resident grew by %lld MB", total >> 20, written >> 20,
              static_cast<long long>(grown));
        QVERIFY2(grown < MemoryBoundMb(48), qPrintable(QString::number(grown)));
        expectGoodKept(rig, dir);

        // A pipe within the limit loads as a file does.
        const QString small = dir.filePath("small.txt");
        QCOMPARE(::mkfifo(QFile::encodeName(small).constData(), 0600), 0);
        std::thread feeder([&] {
            QFile w(small);
            if (w.open(QIODevice::WriteOnly))
                w.write(kGood.toUtf8());
        });
        const ProfileLoadResult ok = rig.profile.LoadProfile(small);
        feeder.join();
        QVERIFY2(ok.ok, qPrintable(ok.error));
        QCOMPARE(rig.mainCodes(), QStringList{"0012"});
    }

    // A file cut inside a long string: the parser's message quotes what it read last, and the
    // text shown is a line, not megabytes.
    void brokenJsonGivesAShortReason()
    {
        ProfileRig rig;
        TempFileDir dir;
        loadGood(rig, dir);
        const QByteArray cut = "{\"Title\":\"" + QByteArray(4 * 1024 * 1024, 'a');
        const ProfileLoadResult r = rig.profile.LoadProfile(dir.write("cut.txt", cut));
        QVERIFY(!r.ok);
        QVERIFY2(r.error.contains(QStringLiteral("不是有效的 JSON")), qPrintable(r.error.left(200)));
        QVERIFY2(r.error.size() < 1000, qPrintable(QString::number(r.error.size())));
        expectGoodKept(rig, dir);
    }

    void millionEntriesAreRefusedAndNothingIsLost()
    {
        ProfileRig rig;
        TempFileDir dir;
        loadGood(rig, dir);
        QByteArray many = "{\"Params\":[";
        many.reserve(3 * 1000000 + 32);
        for (int i = 0; i < 1000000; ++i)
            many += i ? ",{}" : "{}";
        many += "]}";
        QElapsedTimer t;
        t.start();
        const ProfileLoadResult r = rig.profile.LoadProfile(dir.write("many.txt", many));
        QVERIFY(!r.ok);
        QVERIFY2(r.error.contains(QStringLiteral("Params 有 1000000 项，超过上限 65536 项")), qPrintable(r.error));
        qInfo("refused a million entries in %lld ms", static_cast<long long>(t.elapsed()));
        expectGoodKept(rig, dir);
    }

    void extendedFileOverTheLimitKeepsTheMainTable()
    {
        ProfileRig rig;
        TempFileDir dir;
        QByteArray buttons = "{\"Params\":[],\"Buttons\":[";
        for (int i = 0; i <= kMaxProfileEntries; ++i)
            buttons += i ? ",{}" : "{}";
        buttons += "]}";
        dir.write("ext.txt", buttons);
        QString main = kGood;
        main.replace(QStringLiteral("\"Title\":\"t\""), QStringLiteral("\"ExParamFile\":\"%1\"").arg(dir.filePath("ext.txt")));
        const ProfileLoadResult r = rig.profile.LoadProfile(dir.writeUtf8("main.txt", main));
        QVERIFY(r.ok);
        QVERIFY(!r.extOk);
        QVERIFY2(r.extError.contains(QStringLiteral("Buttons 有 65537 项")), qPrintable(r.extError));
        QCOMPARE(rig.mainCodes(), QStringList{"0012"});
    }

    void deepNestingIsRefusedNotRecursedInto()
    {
        ProfileRig rig;
        TempFileDir dir;
        loadGood(rig, dir);
        // Deep enough to exhaust the stack of a recursive printer or comparison.
        const int depth = 2000000;
        const QByteArray nested = "{\"Title\":" + QByteArray(depth, '[') + QByteArray(depth, ']') + "}";
        const ProfileLoadResult r = rig.profile.LoadProfile(dir.write("deep.txt", nested));
        QVERIFY(!r.ok);
        QVERIFY2(r.error.contains(QStringLiteral("嵌套超过 512 层")), qPrintable(r.error));
        expectGoodKept(rig, dir);

        // The same in a row's value list, which the editor and the loader read on their own.
        const QString list = QStringLiteral("[[") + QString(depth, '[') + QString(depth, ']') + QStringLiteral("],[\"00\"]]");
        QString error;
        QVERIFY(!conv::ParseValueList(list, &error));
        QVERIFY2(error.contains(QStringLiteral("嵌套超过 512 层")), qPrintable(error));
        QString shown;
        QVERIFY(!ListShownValue(list, QStringLiteral("HEX:00"), &shown, &error));
        QVERIFY2(error.contains(QStringLiteral("嵌套超过 512 层")), qPrintable(error));
        // Nesting a profile may really use is read as before.
        QVERIFY(conv::ParseValueList(QStringLiteral("[[[1,[2]]],[\"00\"]]"), &error).has_value());
    }

    // A terminal named as a profile or a script (a serial adapter, a pseudo-terminal) is refused
    // at once with a reason, not waited on until someone types into it.
    void terminalInputFilesAreRefusedAtOnce_data()
    {
        QTest::addColumn<bool>("asScript");
        QTest::newRow("profile") << false;
        QTest::newRow("script") << true;
    }
    void terminalInputFilesAreRefusedAtOnce()
    {
        QFETCH(bool, asScript);
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
        const QString terminal = QString::fromLocal8Bit(::ptsname(master));
        ProfileRig rig;
        TempFileDir dir;
        loadGood(rig, dir);
        QElapsedTimer t;
        t.start();
        QString error;
        if (asScript)
            rig.script.evaluateFile(terminal, &error);
        else
            error = rig.profile.LoadProfile(terminal).error;
        ::close(master);
        QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
        QVERIFY2(error.contains(QStringLiteral("这是一个设备，不是文件")), qPrintable(error));
        expectGoodKept(rig, dir);
    }
};

QTEST_GUILESS_MAIN(TestProfileLimits)
#include "tst_profile_limits.moc"
