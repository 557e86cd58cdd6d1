#pragma once
// The one seam for message boxes and file dialogs, so tests can answer them without a modal loop.
#include <QString>

class QWidget;

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // The application's standard error box.
    virtual void error(QWidget *parent, const QString &text) = 0;
    virtual void information(QWidget *parent, const QString &text) = 0;
    // OK/Cancel question; true for OK.
    virtual bool confirm(QWidget *parent, const QString &caption, const QString &text) = 0;
    // Empty text when the user cancels. `preset` is the initial file name (may hold a folder and a pattern).
    virtual QString openFile(QWidget *parent, const QString &caption, const QString &preset,
                             const QString &filter) = 0;
    virtual QString saveFile(QWidget *parent, const QString &caption, const QString &preset,
                             const QString &filter, const QString &defaultSuffix) = 0;
};

class AppState;

// An operation's error box, unless the program is closing: a wait or a write cut short by
// closing the window is no failure to tell about, and a box popped then outlives the window.
void ErrorUnlessClosing(Dialogs &dialogs, const AppState &state, QWidget *parent, const QString &text);

// Real message boxes and file dialogs.
class WidgetDialogs : public Dialogs {
public:
    void error(QWidget *parent, const QString &text) override;
    void information(QWidget *parent, const QString &text) override;
    bool confirm(QWidget *parent, const QString &caption, const QString &text) override;
    QString openFile(QWidget *parent, const QString &caption, const QString &preset,
                     const QString &filter) override;
    QString saveFile(QWidget *parent, const QString &caption, const QString &preset,
                     const QString &filter, const QString &defaultSuffix) override;
};
