// The windows in English and in Chinese: every caption, button, label, tab and menu entry
// is translated, the Chinese texts stay as they were, and the language menu remembers a choice.
#include "app/language_menu.h"
#include "protocol/result_texts.h"
#include "text/language.h"
#include "tools/command_window.h"
#include "tools/file_test_window.h"
#include "window_fixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QSettings>
#include <QTabWidget>
#include <QtTest>

namespace {
bool hasChinese(const QString &s)
{
    for (const QChar c : s)
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF)
            return true;
    return false;
}

// Every text a user can read on `w` and its children (the language menu excepted: it names
// both languages on purpose), "Class: text" each.
QStringList shownTexts(const QWidget *w)
{
    QStringList out;
    auto add = [&out](const char *kind, const QString &text) {
        if (!text.isEmpty())
            out << QLatin1String(kind) + QStringLiteral(": ") + text;
    };
    add("title", w->windowTitle());
    for (const QAbstractButton *b : w->findChildren<QAbstractButton *>())
        if (!b->findChild<LanguageMenu *>())
            add("button", b->text());
    for (const QLabel *l : w->findChildren<QLabel *>())
        add("label", l->text());
    for (const QGroupBox *g : w->findChildren<QGroupBox *>())
        add("group", g->title());
    for (const QTabWidget *t : w->findChildren<QTabWidget *>())
        for (int i = 0; i < t->count(); ++i)
            add("tab", t->tabText(i));
    for (const QAction *a : w->findChildren<QAction *>())
        if (!qobject_cast<LanguageMenu *>(a->parent()) && !qobject_cast<LanguageMenu *>(a->menu()))
            add("action", a->text());
    for (const QMenu *m : w->findChildren<QMenu *>())
        if (!qobject_cast<const LanguageMenu *>(m))
            add("menu", m->title());
    return out;
}
} // namespace

class TestLanguageWindows : public QObject {
    Q_OBJECT

    QTemporaryDir settingsDir;

private slots:
    void initTestCase() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path()); }
    void cleanup() { QVERIFY(ApplyLanguage(UiLanguage::Chinese)); }

    void englishWindowsHaveNoChineseLeft()
    {
        QVERIFY(ApplyLanguage(UiLanguage::English));
        WindowFixture fx;
        MainWindow &main = fx.create();
        CommandWindow command(*fx.session, fx.dialogs);
        FileTestWindow fileTest(*fx.session, fx.dialogs);
        main.attachToolWindows(command, fileTest);

        for (const QWidget *w : {static_cast<const QWidget *>(&main), static_cast<const QWidget *>(&command),
                                 static_cast<const QWidget *>(&fileTest)}) {
            const QStringList texts = shownTexts(w);
            QVERIFY(texts.size() >= 2);  // at least a caption and a button
            QStringList chinese;
            for (const QString &t : texts)
                if (hasChinese(t))
                    chinese << t;
            QVERIFY2(chinese.isEmpty(), qPrintable(chinese.join('\n')));
        }
        const QStringList mainTexts = shownTexts(&main);
        QVERIFY(mainTexts.contains(QStringLiteral("action: Factory Defaults")));
        QVERIFY(mainTexts.contains(QStringLiteral("tab: Transparent Mode Test")));
        QVERIFY(mainTexts.contains(QStringLiteral("button: Open Port")));
        QVERIFY(shownTexts(&fileTest).contains(QStringLiteral("title: File Transfer")));
        QVERIFY(shownTexts(&command).contains(QStringLiteral("title: Command Window")));
        // A device result in the log follows the language too.
        QCOMPARE(ResetResultText(0), QStringLiteral("[Device reset succeeded]"));
    }

    void chineseWindowsStayAsTheyWere()
    {
        WindowFixture fx;
        MainWindow &main = fx.create();
        CommandWindow command(*fx.session, fx.dialogs);
        FileTestWindow fileTest(*fx.session, fx.dialogs);
        const QStringList mainTexts = shownTexts(&main);
        QVERIFY(mainTexts.contains(QStringLiteral("action: 恢复出厂默认设置")));
        QVERIFY(mainTexts.contains(QStringLiteral("tab:   透明传输测试  ")));
        QVERIFY(mainTexts.contains(QStringLiteral("button: 打开串口")));
        QVERIFY(shownTexts(&fileTest).contains(QStringLiteral("title: 文件收发")));
        QVERIFY(shownTexts(&command).contains(QStringLiteral("title: 命令执行窗口")));
    }

    void menuRemembersTheChoice()
    {
        WindowFixture fx;
        MainWindow &main = fx.create();
        auto *menu = main.findChild<LanguageMenu *>();
        QVERIFY(menu);
        QCOMPARE(menu->title(), QStringLiteral("语言 / Language"));
        QVERIFY(menu->entry(QStringLiteral("zh"))->isChecked());

        menu->entry(QStringLiteral("en"))->trigger();
        QCOMPARE(StoredLanguage(), UiLanguage::English);
        QCOMPARE(fx.dialogs.texts(QStringLiteral("information")), QStringList{LanguageMenu::RestartNotice()});
        QVERIFY(menu->entry(QStringLiteral("en"))->isChecked());

        menu->entry(QStringLiteral("zh"))->trigger();
        QCOMPARE(StoredLanguage(), UiLanguage::Chinese);
        QCOMPARE(fx.dialogs.texts(QStringLiteral("information")).size(), 2);
    }
};

QTEST_MAIN(TestLanguageWindows)
#include "tst_language_windows.moc"
