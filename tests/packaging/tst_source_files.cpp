// The sources stay in small files of one concern each: none grows past 400 lines unnoticed, and
// the operating system is called from src/platform/ (and the simulator) only, so that another
// system is one folder's work.
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

class TestSourceFiles : public QObject {
    Q_OBJECT
private slots:
    void noSourceFileOver400Lines()
    {
        constexpr int kMaxLines = 400;
        QStringList tooLong;
        int files = 0;
        QDirIterator it(QStringLiteral(DTU_SOURCE_DIR "/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile f(it.next());
            QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(f.fileName()));
            const int lines = int(f.readAll().count('\n'));
            ++files;
            if (lines > kMaxLines)
                tooLong << QStringLiteral("%1: %2 lines").arg(f.fileName(), QString::number(lines));
        }
        QVERIFY(files > 100);
        QVERIFY2(tooLong.isEmpty(), qPrintable(tooLong.join(QLatin1Char('\n'))));
    }

    void systemHeadersOnlyInThePlatformFolder()
    {
        const QRegularExpression systemHeader(
            QStringLiteral(R"(^\s*#\s*include\s*<(unistd\.h|fcntl\.h|csignal|signal\.h|poll\.h|termios\.h|dirent\.h|)"
                           R"(sys/[^>]+|netinet/[^>]+|arpa/[^>]+|windows\.h|winsock2\.h|io\.h)>)"),
            QRegularExpression::MultilineOption);
        QStringList outside;
        QDirIterator it(QStringLiteral(DTU_SOURCE_DIR "/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (path.contains(QLatin1String("/src/platform/")) || path.contains(QLatin1String("/src/sim/")))
                continue;
            QFile f(path);
            QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(path));
            const QRegularExpressionMatch m = systemHeader.match(QString::fromUtf8(f.readAll()));
            if (m.hasMatch())
                outside << QStringLiteral("%1: <%2>").arg(path, m.captured(1));
        }
        QVERIFY2(outside.isEmpty(), qPrintable(outside.join(QLatin1Char('\n'))));
    }
};

QTEST_GUILESS_MAIN(TestSourceFiles)
#include "tst_source_files.moc"
