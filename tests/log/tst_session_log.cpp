// The session log on disk: line format, order, both directions of the wire, one file per
// day and its numbered parts, retention by age and size over our own files only, the change
// of day, and writes that fail (said once, said again when they work, never run together).
#include "log/session_log.h"
#include "support/temp_file_dir.h"

#include <sys/resource.h>
#include <csignal>

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

#include <sys/stat.h>

namespace {
QStringList linesOf(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void touch(const QString &path, qint64 size)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(size, 'x'));
}

// A file last written at noon of `day`, whatever its name says.
void touchOn(const QString &path, qint64 size, const QDate &day)
{
    touch(path, size);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(QDateTime(day, QTime(12, 0)), QFileDevice::FileModificationTime));
}

// A log file of `day`, written that day.
void touchLogOf(const QDir &d, const QDate &day, qint64 size)
{
    touchOn(d.filePath(SessionLog::FileNameFor(day)), size, day);
}

qint64 at(const QDate &day, const QTime &time)
{
    return QDateTime(day, time).toMSecsSinceEpoch();
}

// The texts of the lines, without their time stamps and tags.
QStringList textsOf(const QString &path)
{
    QStringList out;
    for (const QString &l : linesOf(path))
        out << l.section(QLatin1Char(' '), 3);
    return out;
}

// Lets the test process's files grow by `bytes` more at most (RLIMIT_FSIZE); restores on exit.
struct FileSizeLimit {
    rlimit old{};
    explicit FileSizeLimit(qint64 bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of ending the process
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit r = old;
        r.rlim_cur = static_cast<rlim_t>(bytes);
        setrlimit(RLIMIT_FSIZE, &r);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old); }
};
QString touchAndReturn(const QString &path)
{
    touch(path, 1);
    return path;
}
} // namespace

class TestSessionLog : public QObject {
    Q_OBJECT
private slots:
    void linesAndFramesInOrderWithTimeStamps()
    {
        TempFileDir dir;
        SessionLog log;
        log.openFolder(dir.filePath(QStringLiteral("logs")), 30, 0);
        log.line(QStringLiteral("Memo1"), QStringLiteral("[参数读取中，请稍候...]"));
        log.sent(QByteArray::fromHex("AA550004E00E00F2"));
        log.received(QByteArray::fromHex("AA55000400F000F4"));
        log.line(QStringLiteral("Memo8"), QStringLiteral("AT\r\nOK\r\n"));
        log.received(QByteArray("\x00\xFF", 2));
        log.sync();

        const QString file = QDir(dir.filePath(QStringLiteral("logs"))).filePath(SessionLog::FileNameFor(QDate::currentDate()));
        QCOMPARE(log.currentFile(), file);
        const QStringList lines = linesOf(file);
        QCOMPARE(lines.size(), 5);
        static const QRegularExpression stamp(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} "));
        for (const QString &l : lines)
            QVERIFY2(stamp.match(l).hasMatch(), qPrintable(l));
        QCOMPARE(lines[0].mid(24), QStringLiteral("Memo1 [参数读取中，请稍候...]"));
        QCOMPARE(lines[1].mid(24), QStringLiteral("TX AA 55 00 04 E0 0E 00 F2 "));
        QCOMPARE(lines[2].mid(24), QStringLiteral("RX AA 55 00 04 00 F0 00 F4 "));
        // A view line stays one log line.
        QCOMPARE(lines[3].mid(24), QStringLiteral("Memo8 AT\\r\\nOK\\r\\n"));
        QCOMPARE(lines[4].mid(24), QStringLiteral("RX 00 FF "));
        // Time stamps never go backwards.
        for (int i = 1; i < lines.size(); ++i)
            QVERIFY(lines[i].left(23) >= lines[i - 1].left(23));
    }

    void manyLinesFromABusyStreamAllArrive()
    {
        TempFileDir dir;
        SessionLog log;
        const QString path = dir.filePath(QStringLiteral("cli.log"));
        log.openFile(path);
        QByteArray chunk(4096, '\x5A');
        for (int i = 0; i < 2000; ++i)
            log.received(chunk);
        log.line(QStringLiteral("Memo1"), QStringLiteral("end"));
        log.close();
        const QStringList lines = linesOf(path);
        QCOMPARE(lines.size(), 2001);
        QCOMPARE(lines.last().mid(24), QStringLiteral("Memo1 end"));
        QCOMPARE(lines.first().size(), 24 + 3 + 4096 * 3);
        // Appends to what is there: a second run keeps the first.
        SessionLog again;
        again.openFile(path);
        again.line(QStringLiteral("Memo1"), QStringLiteral("second run"));
        again.close();
        QCOMPARE(linesOf(path).size(), 2002);
    }

    void oldFilesGoByAgeThenBySize()
    {
        TempFileDir dir;
        const QDate today(2026, 3, 10);
        QDir d(dir.path());
        touchLogOf(d, today.addDays(-40), 10);
        touchLogOf(d, today.addDays(-30), 10);  // 31st day back: too old
        touchLogOf(d, today.addDays(-29), 10);  // 30th day: kept
        touch(d.filePath(QStringLiteral("notes.txt")), 10);                  // not ours: never touched
        const QString current = d.filePath(SessionLog::FileNameFor(today));
        touchOn(current, 10, today);
        SessionLog::Prune(dir.path(), today, 30, 0, current);
        QCOMPARE(d.entryList(QDir::Files, QDir::Name),
                 QStringList({SessionLog::FileNameFor(today.addDays(-29)), SessionLog::FileNameFor(today), QStringLiteral("notes.txt")}));

        touchLogOf(d, today.addDays(-2), 100);
        touchLogOf(d, today.addDays(-1), 100);
        // 220 bytes of ours, 150 allowed: the oldest go first, today's file always stays.
        SessionLog::Prune(dir.path(), today, 30, 150, current);
        QCOMPARE(d.entryList({QStringLiteral("dtu-config-*")}, QDir::Files, QDir::Name),
                 QStringList({SessionLog::FileNameFor(today.addDays(-1)), SessionLog::FileNameFor(today)}));
        SessionLog::Prune(dir.path(), today, 30, 1, current);
        QCOMPARE(d.entryList({QStringLiteral("dtu-config-*")}, QDir::Files), QStringList({SessionLog::FileNameFor(today)}));
    }

    // A name may say any date: age and order are the files' own times, so a file named for a
    // day to come goes when it is old, and does not push the real logs out before it.
    void filesGoByTheirOwnTimesNotTheirNames()
    {
        TempFileDir dir;
        QDir d(dir.path());
        const QDate today = QDate::currentDate();
        const QString futureOld = SessionLog::FileNameFor(QDate(2099, 1, 1));
        const QString futureNew = SessionLog::FileNameFor(QDate(2099, 6, 1));
        touchOn(d.filePath(futureOld), 10, today.addDays(-40));
        touchLogOf(d, today.addDays(-2), 100);
        touchOn(d.filePath(futureNew), 100, today.addDays(-1));
        const QString current = d.filePath(SessionLog::FileNameFor(today));
        touchOn(current, 10, today);
        // 210 bytes left, 150 allowed: the file written longest ago goes, whatever its name.
        SessionLog::Prune(dir.path(), today, 30, 150, current);
        QCOMPARE(d.entryList(QDir::Files, QDir::Name), QStringList({SessionLog::FileNameFor(today), futureNew}));
    }

    // Two windows logging into one folder: neither prunes the file the other is writing.
    void aFileAnotherWriterHoldsIsNeverPruned()
    {
        TempFileDir dir;
        SessionLog other;
        other.openFolder(dir.path(), 30, 0);
        other.line(QStringLiteral("Memo1"), QStringLiteral("the other window"));
        other.sync();
        const QString held = other.currentFile();
        QVERIFY(!held.isEmpty());
        // As the second window prunes: everything too old, or over a total of one byte.
        const QDate later = QDate::currentDate().addDays(400);
        SessionLog::Prune(dir.path(), later, 1, 1, dir.filePath(SessionLog::FileNameFor(later)));
        QVERIFY(QFileInfo::exists(held));
        other.close();
        SessionLog::Prune(dir.path(), later, 1, 1, dir.filePath(SessionLog::FileNameFor(later)));
        QVERIFY(!QFileInfo::exists(held));
    }

    // A FIFO named like today's file is no log file: refused with a reason, never waited on.
    void aFifoNamedLikeTodaysFileIsRefused()
    {
        TempFileDir dir;
        const QString fifo = dir.filePath(SessionLog::FileNameFor(QDate::currentDate()));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        SessionLog log;
        QSignalSpy failed(&log, &SessionLog::failed);
        log.openFolder(dir.path(), 30, 0);
        log.line(QStringLiteral("Memo1"), QStringLiteral("a"));
        log.sync();
        QTRY_COMPARE(failed.count(), 1);
        QCOMPARE(failed.first().first().toString(), SessionLog::FailedText(fifo, QStringLiteral("不是普通文件")));
        log.close();
    }

    void unwritableFolderIsReported()
    {
        TempFileDir dir;
        const QString blocker = dir.filePath(QStringLiteral("file"));
        touch(blocker, 1);
        SessionLog log;
        QSignalSpy failed(&log, &SessionLog::failed);
        log.openFolder(blocker + QStringLiteral("/logs"), 30, 0);
        log.line(QStringLiteral("Memo1"), QStringLiteral("a"));
        log.line(QStringLiteral("Memo1"), QStringLiteral("b"));
        log.sync();
        QTRY_COMPARE(failed.count(), 1);   // once, not per line
        QVERIFY(failed.first().first().toString().startsWith(QStringLiteral("日志文件无法写入：")));
    }

    void onlyOurOwnFilesArePruned()
    {
        TempFileDir dir;
        QDir d(dir.path());
        const QDate old(2020, 1, 1);
        // The user's files, named much like ours.
        const QStringList foreign = {QStringLiteral("dtu-config-bench-archive.log"), QStringLiteral("dtu-config-2020-01-01-station7.log"),
                                     QStringLiteral("dtu-config-2020-01-01.log.bak"), QStringLiteral("dtu-config-2020-1-1.log"),
                                     QStringLiteral("dtu-config-2020-01-01.01.log"), QStringLiteral("dtu-config-2020-01-01.x.log"),
                                     QStringLiteral("DTU-CONFIG-2020-01-01.log"), QStringLiteral("dtu-config-2020-02-30.log")};
        for (const QString &name : foreign)
            touch(d.filePath(name), 10);
        // Ours: a day file and a numbered part of it, far too old.
        touchLogOf(d, old, 10);
        touchOn(d.filePath(QStringLiteral("dtu-config-2020-01-01.3.log")), 10, old);

        // dtucfg --log writing into the same folder prunes nothing.
        {
            SessionLog cli;
            cli.openFile(d.filePath(QStringLiteral("run.log")));
            cli.line(QStringLiteral("Memo1"), QStringLiteral("cli"));
        }
        QCOMPARE(d.entryList(QDir::Files).size(), foreign.size() + 3);

        // The window's log prunes at its first line: our two old files go, nothing else.
        SessionLog log;
        log.openFolder(dir.path(), 30, 1);
        log.line(QStringLiteral("Memo1"), QStringLiteral("first"));
        log.sync();
        QStringList expected = foreign;
        expected << QStringLiteral("run.log") << QFileInfo(log.currentFile()).fileName();
        expected.sort();
        QStringList left = d.entryList(QDir::Files);
        left.sort();
        QCOMPARE(left, expected);
    }

    void linesBeforeAndAfterMidnightInTheirOwnDaysFiles()
    {
        TempFileDir dir;
        const QDate day(2026, 3, 10);
        const QList<qint64> times = {at(day, QTime(23, 59, 59, 100)), at(day, QTime(23, 59, 59, 999)),
                                     at(day.addDays(1), QTime(0, 0)), at(day.addDays(1), QTime(0, 0, 0, 1)),
                                     at(day.addDays(1), QTime(0, 0, 1))};
        int next = 0;
        SessionLog log;
        log.setClock([&] { return times.at(std::min<int>(next++, times.size() - 1)); });
        log.openFolder(dir.path(), 30, 0);
        log.line(QStringLiteral("Memo1"), QStringLiteral("a"));
        log.sent(QByteArray::fromHex("AA55"));
        log.line(QStringLiteral("Memo1"), QStringLiteral("c"));
        log.received(QByteArray::fromHex("0D0A"));
        log.line(QStringLiteral("Memo1"), QStringLiteral("e"));
        log.sync();
        QCOMPARE(next, times.size());
        const QString before = dir.filePath(SessionLog::FileNameFor(day));
        const QString after = dir.filePath(SessionLog::FileNameFor(day.addDays(1)));
        QCOMPARE(textsOf(before), QStringList({QStringLiteral("a"), QStringLiteral("AA 55 ")}));
        QCOMPARE(textsOf(after), QStringList({QStringLiteral("c"), QStringLiteral("0D 0A "), QStringLiteral("e")}));
        QCOMPARE(linesOf(before).last().left(23), QStringLiteral("2026-03-10 23:59:59.999"));
        QCOMPARE(linesOf(after).first().left(23), QStringLiteral("2026-03-11 00:00:00.000"));
        QCOMPARE(log.currentFile(), after);
    }

    void aLongDayRollsOverAndTheTotalBoundsAllButTheCurrentFile()
    {
        TempFileDir dir;
        const QDate day(2026, 3, 10);
        qint64 t = at(day, QTime(8, 0));
        SessionLog log;
        log.setClock([&] { return t += 10; });
        // Files of about 1000 bytes, 2500 in total: each line below is 126 bytes.
        log.openFolder(dir.path(), 30, 2500, 1000);
        const int count = 60;
        for (int i = 0; i < count; ++i)
            log.line(QStringLiteral("Memo1"), QStringLiteral("%1 ").arg(i, 4, 10, QLatin1Char('0')) + QString(90, QLatin1Char('x')));
        log.sync();
        QDir d(dir.path());
        const QStringList names = d.entryList(QDir::Files, QDir::Name);
        qint64 total = 0;
        QStringList texts;
        // Part numbers sort as numbers, not as text (".10" after ".9").
        QStringList ordered = names;
        std::sort(ordered.begin(), ordered.end(), [](const QString &a, const QString &b) {
            return a.section(QLatin1Char('.'), -2, -2).toInt() < b.section(QLatin1Char('.'), -2, -2).toInt();
        });
        for (const QString &name : ordered) {
            QVERIFY2(QFileInfo(d.filePath(name)).size() <= 1000, qPrintable(name));
            total += QFileInfo(d.filePath(name)).size();
            texts += textsOf(d.filePath(name));
        }
        QVERIFY2(total <= 2500, qPrintable(QString::number(total)));
        QVERIFY(names.size() >= 2);
        QCOMPARE(log.currentFile(), d.filePath(ordered.last()));
        // What is left is the newest lines, every one, in order.
        QVERIFY(!texts.isEmpty());
        QVERIFY(texts.last().startsWith(QStringLiteral("%1 ").arg(count - 1, 4, 10, QLatin1Char('0'))));
        const int first = texts.first().left(4).toInt();
        for (int i = 0; i < texts.size(); ++i)
            QCOMPARE(texts[i].left(4).toInt(), first + i);

        // A new run the same day goes on in the last part.
        log.close();
        SessionLog again;
        again.setClock([&] { return t += 10; });
        again.openFolder(dir.path(), 30, 2500, 1000);
        again.line(QStringLiteral("Memo1"), QStringLiteral("next run"));
        again.sync();
        QVERIFY(again.currentFile() == d.filePath(ordered.last()) ||
                QFileInfo(again.currentFile()).fileName().section(QLatin1Char('.'), -2, -2).toInt() ==
                    ordered.last().section(QLatin1Char('.'), -2, -2).toInt() + 1);
        QCOMPARE(textsOf(again.currentFile()).last(), QStringLiteral("next run"));
    }

    void aFailedWriteIsSaidOnceAndAgainWhenWritingWorks()
    {
        // A device that takes no byte at all.
        {
            SessionLog log;
            QSignalSpy failed(&log, &SessionLog::failed);
            log.openFile(QStringLiteral("/dev/full"));
            for (int i = 0; i < 5; ++i)
                log.line(QStringLiteral("Memo1"), QStringLiteral("lost"));
            log.sync();
            QTRY_COMPARE(failed.count(), 1);
            QVERIFY(failed.first().first().toString().startsWith(QStringLiteral("日志文件无法写入：/dev/full（")));
        }
        // A folder that cannot be made, and then can.
        TempFileDir dir;
        const QString blocker = touchAndReturn(dir.filePath(QStringLiteral("blocker")));
        SessionLog log;
        QSignalSpy failed(&log, &SessionLog::failed);
        QSignalSpy recovered(&log, &SessionLog::recovered);
        log.openFolder(blocker + QStringLiteral("/logs"), 30, 0);
        log.line(QStringLiteral("Memo1"), QStringLiteral("a"));
        log.line(QStringLiteral("Memo1"), QStringLiteral("b"));
        log.sync();
        QVERIFY(QFile::remove(blocker));
        log.line(QStringLiteral("Memo1"), QStringLiteral("c"));
        log.sync();
        QTRY_COMPARE(recovered.count(), 1);
        QCOMPARE(failed.count(), 1);
        QCOMPARE(recovered.first().first().toString(), SessionLog::RecoveredText(log.currentFile(), 2));
        QCOMPARE(textsOf(log.currentFile()), QStringList{QStringLiteral("c")});
    }

    void aLineCutShortNeverRunsIntoTheNext()
    {
        TempFileDir dir;
        const QString path = dir.filePath(QStringLiteral("cut.log"));
        SessionLog log;
        QSignalSpy failed(&log, &SessionLog::failed);
        QSignalSpy recovered(&log, &SessionLog::recovered);
        log.openFile(path);
        log.line(QStringLiteral("Memo1"), QStringLiteral("before"));
        log.sync();
        {
            // Room for part of the next line only: the disk fills in the middle of it.
            const FileSizeLimit limit(QFileInfo(path).size() + 40);
            log.line(QStringLiteral("Memo1"), QString(200, QLatin1Char('y')));
            log.sync();
        }
        log.line(QStringLiteral("Memo1"), QStringLiteral("after"));
        log.sync();
        QTRY_COMPARE(recovered.count(), 1);
        QCOMPARE(failed.count(), 1);
        // The system's error for a write cut short is no error at all: the text says what it means.
        QCOMPARE(failed.first().first().toString(), SessionLog::FailedText(path, QStringLiteral("磁盘已满或文件过大")));
        const QStringList lines = linesOf(path);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[1].size(), 40);   // what the disk took of the cut line
        QVERIFY2(lines[2].endsWith(QStringLiteral(" Memo1 after")) && lines[2].size() == 24 + 11, qPrintable(lines[2]));
    }

    void closedLogWritesNothing()
    {
        TempFileDir dir;
        SessionLog log;
        log.line(QStringLiteral("Memo1"), QStringLiteral("before"));
        log.sync();
        QVERIFY(!log.isOpen());
        QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSessionLog)
#include "tst_session_log.moc"
