// A unit's label written as a PDF is read back by tools that are not ours: the page rendered by
// pdftoppm, the QR code decoded by zbarimg, the page size by pdfinfo.
#include "label/label_printer.h"

#include <QGuiApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using Values = QList<QPair<QString, QString>>;
Q_DECLARE_METATYPE(Values)

namespace {
QString Run(const QString &tool, const QStringList &args, int *exitCode = nullptr)
{
    QProcess process;
    process.start(tool, args);
    process.waitForFinished(60000);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput());
}
} // namespace

class TestUnitLabel : public QObject {
    Q_OBJECT
private slots:
    void pdfLabelDecodesToTheHandedOutValues_data()
    {
        QTest::addColumn<Values>("values");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("one id") << Values{{QStringLiteral("设备ID"), QStringLiteral("10000007")}}
                                << QStringLiteral("DTU-V2.1.7") << QStringLiteral("10000007.pdf");
        QTest::newRow("id and key from a file")
            << Values{{QStringLiteral("设备ID"), QStringLiteral("20000001")},
                      {QStringLiteral("0F02"), QStringLiteral("K3y:AB/CD")}}
            << QStringLiteral("V1") << QStringLiteral("20000001_K3y_AB_CD.pdf");
        QTest::newRow("long value, no version")
            << Values{{QStringLiteral("SN"), QString(60, QLatin1Char('7'))}} << QString()
            << QString(60, QLatin1Char('7')) + QStringLiteral(".pdf");
    }
    void pdfLabelDecodesToTheHandedOutValues()
    {
        QFETCH(Values, values);
        QFETCH(QString, version);
        QFETCH(QString, fileName);
        for (const char *tool : {"pdftoppm", "zbarimg", "pdfinfo"})
            QVERIFY2(!QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty(), tool);
        QTemporaryDir dir;
        const UnitLabel label{values, version, QDate(2026, 12, 10), QString()};
        const LabelPrinter printer(QStringLiteral("pdf:labels/"), dir.path());
        QVERIFY(printer.enabled());
        QString written;
        const QString error = printer.print(label, &written);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(written, dir.filePath(QStringLiteral("labels/") + fileName));

        const QString info = Run(QStringLiteral("pdfinfo"), {written});
        // 50 × 30 mm is 141.73 × 85.04 pt; the PDF states whole points.
        const QRegularExpressionMatch size =
            QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+) pts")).match(info);
        QVERIFY2(size.hasMatch(), qPrintable(info));
        QVERIFY2(qAbs(size.captured(1).toDouble() - 141.73) < 1 && qAbs(size.captured(2).toDouble() - 85.04) < 1,
                 qPrintable(size.captured(0)));

        int rc = 0;
        const QString png = dir.filePath(QStringLiteral("page"));
        Run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-png"),
                                         QStringLiteral("-singlefile"), written, png}, &rc);
        QCOMPARE(rc, 0);
        const QString decoded = Run(QStringLiteral("zbarimg"), {QStringLiteral("--raw"), QStringLiteral("-q"),
                                                                png + QStringLiteral(".png")}, &rc);
        QCOMPARE(rc, 0);
        QCOMPARE(decoded.trimmed(), LabelPayload(label));
        for (const auto &value : values)
            QVERIFY(decoded.contains(value.first + QLatin1Char('=') + value.second));

        // A reprint replaces the file instead of adding another.
        QVERIFY(printer.print(label).isEmpty());
        QCOMPARE(QDir(dir.filePath(QStringLiteral("labels"))).entryList(QDir::Files).size(), 1);
    }

    // With no values handed out, each unit's label is a file of its own; its reprint replaces it.
    void labelsWithoutValuesKeepAFileEach()
    {
        QTemporaryDir dir;
        const LabelPrinter printer(QStringLiteral("pdf:labels/"), dir.path());
        const QDate day(2026, 12, 10);
        for (const QString &unit : {QStringLiteral("2026-12-10-083001-000-ttyUSB0"), QStringLiteral("2026-12-10-083001-000-ttyUSB1"),
                                    QStringLiteral("2026-12-10-083005-120-ttyUSB0"), QStringLiteral("2026-12-10-083001-000-ttyUSB0")}) {
            QString written;
            QVERIFY(printer.print(UnitLabel{{}, QStringLiteral("V1"), day, unit}, &written).isEmpty());
            QCOMPARE(QFileInfo(written).fileName(), QStringLiteral("label-") + unit + QStringLiteral(".pdf"));
        }
        QCOMPARE(QDir(dir.filePath(QStringLiteral("labels"))).entryList(QDir::Files).size(), 3);
    }

    void printerSettingsAndTheirFailures_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("error");
        QTest::newRow("none") << QString() << false << QString();
        QTest::newRow("blanks only") << QStringLiteral("  ") << false << QString();
        QTest::newRow("folder blocked by a file") << QStringLiteral("pdf:blocker/labels") << true
                                                  << QStringLiteral("标签文件夹无法创建：");
        QTest::newRow("unknown printer") << QStringLiteral("no-such-printer-7") << true
                                         << QStringLiteral("找不到打印机：no-such-printer-7");
    }
    void printerSettingsAndTheirFailures()
    {
        QFETCH(QString, setting);
        QFETCH(bool, enabled);
        QFETCH(QString, error);
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const LabelPrinter printer(setting, dir.path());
        QCOMPARE(printer.enabled(), enabled);
        QString written = QStringLiteral("stale");
        const QString got = printer.print(UnitLabel{{{QStringLiteral("设备ID"), QStringLiteral("1")}}, {}, {}, {}}, &written);
        QVERIFY2(error.isEmpty() ? got.isEmpty() : got.startsWith(error), qPrintable(got));
        QVERIFY(written.isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("blocker")});
    }
};

QTEST_MAIN(TestUnitLabel)
#include "tst_unit_label.moc"
