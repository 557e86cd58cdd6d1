// The session log on disk: line format, order, both directions of the wire, one file per
// day, retention by age and size, and a folder that cannot be written.
#include "log/session_log.h"
#include "support/temp_file_dir.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

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
        touch(d.filePath(SessionLog::FileNameFor(today.addDays(-40))), 10);
        touch(d.filePath(SessionLog::FileNameFor(today.addDays(-30))), 10);  // 31st day back: too old
        touch(d.filePath(SessionLog::FileNameFor(today.addDays(-29))), 10);  // 30th day: kept
        touch(d.filePath(QStringLiteral("notes.txt")), 10);                  // not ours: never touched
        const QString current = d.filePath(SessionLog::FileNameFor(today));
        touch(current, 10);
        SessionLog::Prune(dir.path(), today, 30, 0, current);
        QCOMPARE(d.entryList(QDir::Files, QDir::Name),
                 QStringList({SessionLog::FileNameFor(today.addDays(-29)), SessionLog::FileNameFor(today), QStringLiteral("notes.txt")}));

        touch(d.filePath(SessionLog::FileNameFor(today.addDays(-2))), 100);
        touch(d.filePath(SessionLog::FileNameFor(today.addDays(-1))), 100);
        // 220 bytes of ours, 150 allowed: the oldest go first, today's file always stays.
        SessionLog::Prune(dir.path(), today, 30, 150, current);
        QCOMPARE(d.entryList({QStringLiteral("dtu-config-*")}, QDir::Files, QDir::Name),
                 QStringList({SessionLog::FileNameFor(today.addDays(-1)), SessionLog::FileNameFor(today)}));
        SessionLog::Prune(dir.path(), today, 30, 1, current);
        QCOMPARE(d.entryList({QStringLiteral("dtu-config-*")}, QDir::Files), QStringList({SessionLog::FileNameFor(today)}));
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
