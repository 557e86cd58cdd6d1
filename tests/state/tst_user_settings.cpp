// The user's preferences: defaults, and that they outlive the object that wrote them.
#include "state/user_settings.h"
#include "support/temp_file_dir.h"

#include <QtTest>

class TestUserSettings : public QObject {
    Q_OBJECT
private slots:
    void defaultsThenStored()
    {
        TempFileDir dir;
        const QString ini = dir.filePath(QStringLiteral("user.ini"));
        {
            UserSettings s(ini);
            QVERIFY(s.autoReconnect());
            QVERIFY(!s.fastReplies());
            QCOMPARE(s.logFolder(), UserSettings::DefaultLogFolder());
            QVERIFY(s.logFolder().endsWith(QStringLiteral("/logs")));
            QCOMPARE(s.logKeepDays(), UserSettings::kDefaultKeepDays);
            s.setAutoReconnect(false);
            s.setFastReplies(true);
            s.setLogFolder(dir.filePath(QStringLiteral("mine")));
            s.setLogKeepDays(7);
            s.setLogMaxBytes(1000);
        }
        UserSettings again(ini);
        QVERIFY(!again.autoReconnect());
        QVERIFY(again.fastReplies());
        QCOMPARE(again.logFolder(), dir.filePath(QStringLiteral("mine")));
        QCOMPARE(again.logKeepDays(), 7);
        QCOMPARE(again.logMaxBytes(), qint64(1000));
        // Nonsense limits fall back to the defaults instead of deleting everything.
        again.setLogKeepDays(0);
        again.setLogMaxBytes(-5);
        QCOMPARE(again.logKeepDays(), UserSettings::kDefaultKeepDays);
        QCOMPARE(again.logMaxBytes(), UserSettings::kDefaultMaxLogBytes);
    }
};

QTEST_GUILESS_MAIN(TestUserSettings)
#include "tst_user_settings.moc"
