// The interface language: the stored choice, the command line over it, and the embedded
// English catalogue switching the core's texts.
#include "params/param_ops.h"
#include "protocol/device_commands.h"
#include "protocol/result_codes.h"
#include "protocol/result_texts.h"
#include "support/temp_file_dir.h"
#include "text/language.h"

#include <QSettings>
#include <QtTest>

class TestLanguage : public QObject {
    Q_OBJECT

    TempFileDir settingsDir;

private slots:
    void initTestCase()
    {
        // Never the user's own settings.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    }
    void cleanup() { QVERIFY(ApplyLanguage(UiLanguage::Chinese)); }

    void storedChoiceAndCommandLine()
    {
        QCOMPARE(StoredLanguage(), UiLanguage::Chinese);  // nothing stored: the default
        UiLanguage start = UiLanguage::English;
        QString error;
        QVERIFY(StartLanguage(QString(), start, error));
        QCOMPARE(start, UiLanguage::Chinese);

        StoreLanguage(UiLanguage::English);
        QCOMPARE(StoredLanguage(), UiLanguage::English);
        QVERIFY(StartLanguage(QString(), start, error));
        QCOMPARE(start, UiLanguage::English);
        QVERIFY(StartLanguage(QStringLiteral("zh"), start, error));  // the command line wins
        QCOMPARE(start, UiLanguage::Chinese);
        QVERIFY(StartLanguage(QStringLiteral("EN"), start, error));
        QCOMPARE(start, UiLanguage::English);

        QVERIFY(!StartLanguage(QStringLiteral("fr"), start, error));
        QVERIFY2(error.contains(QStringLiteral("fr")), qPrintable(error));

        StoreLanguage(UiLanguage::Chinese);
        QCOMPARE(StoredLanguage(), UiLanguage::Chinese);
    }

    void englishCatalogueSwitchesCoreTexts()
    {
        QCOMPARE(ResetResultText(rcOk), QStringLiteral("[复位设备成功]"));
        QVERIFY(ApplyLanguage(UiLanguage::English));
        QCOMPARE(CurrentLanguage(), UiLanguage::English);
        QCOMPARE(ResetResultText(rcOk), QStringLiteral("[Device reset succeeded]"));
        QCOMPARE(ClockSetResultText(rcBadHeader), QStringLiteral("[Device clock setting failed, invalid parameter!]"));
        QCOMPARE(DeviceStateLine(5), QStringLiteral("DTU state=5, online, logged in to the data center"));
        QCOMPARE(ParamOps::ReadFailureText(frame::DataCheck::NoReply),
                 QStringLiteral("[Parameter read failed, the device did not respond!]"));
        const QStringList items = DeviceCommands::StateItems();
        QCOMPARE(items.first(), QStringLiteral("00-Sleep"));

        QVERIFY(ApplyLanguage(UiLanguage::Chinese));
        QCOMPARE(CurrentLanguage(), UiLanguage::Chinese);
        QCOMPARE(ResetResultText(rcOk), QStringLiteral("[复位设备成功]"));
        QCOMPARE(DeviceCommands::StateItems().first(), QStringLiteral("00-睡眠状态"));
    }
};

QTEST_GUILESS_MAIN(TestLanguage)
#include "tst_language.moc"
