#include "app/language_menu.h"

#include "text/language.h"
#include "widgets/dialogs.h"

#include <QActionGroup>

LanguageMenu::LanguageMenu(Dialogs &dialogs, QWidget *parent)
    : QMenu(QStringLiteral("语言 / Language"), parent), m_dialogs(dialogs) // not translated: readable in both languages
{
    setObjectName(QStringLiteral("languageMenu"));
    auto *group = new QActionGroup(this);
    const struct {
        UiLanguage language;
        QString caption;
    } choices[] = {
        {UiLanguage::Chinese, QStringLiteral("中文")}, // not translated: each language by its own name
        {UiLanguage::English, QStringLiteral("English")},
    };
    // The entry of the language the user chose, which may differ from the one in force (--lang).
    const UiLanguage chosen = StoredLanguage();
    for (const auto &c : choices) {
        QAction *a = addAction(c.caption);
        a->setObjectName(QStringLiteral("language_") + LanguageCode(c.language));
        a->setCheckable(true);
        a->setChecked(c.language == chosen);
        group->addAction(a);
        const UiLanguage language = c.language;
        connect(a, &QAction::triggered, this, [this, language] {
            if (language == StoredLanguage())
                return;
            StoreLanguage(language);
            m_dialogs.information(this, RestartNotice());
        });
    }
}

QAction *LanguageMenu::entry(const QString &code) const
{
    return findChild<QAction *>(QStringLiteral("language_") + code);
}

QString LanguageMenu::RestartNotice()
{
    // The notice reads the same whichever language is in force.
    return QStringLiteral("语言设置已保存，将在下次启动时生效。\n" // not translated: both languages
                          "The language setting is saved and takes effect at the next start.");
}
