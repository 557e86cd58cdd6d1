#pragma once
// The "语言 / Language" menu: picks the interface language, remembered in the user's settings.
#include <QMenu>

class Dialogs;

class LanguageMenu : public QMenu {
    Q_OBJECT
public:
    LanguageMenu(Dialogs &dialogs, QWidget *parent);

    // The entries by language code ("zh", "en"), for tests.
    QAction *entry(const QString &code) const;
    // Told in both languages: the windows are built once, so a new choice holds from the next start.
    static QString RestartNotice();

private:
    Dialogs &m_dialogs;
};
