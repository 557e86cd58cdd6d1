// The sources stay in small files of one concern each: none grows past 400 lines unnoticed.
#include <QDirIterator>
#include <QFile>
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
};

QTEST_GUILESS_MAIN(TestSourceFiles)
#include "tst_source_files.moc"
