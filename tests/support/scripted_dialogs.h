#pragma once
// Dialogs for tests: records every box shown and answers from queues, never modal.
#include "widgets/dialogs.h"

#include <QList>
#include <QStringList>

class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        QString kind;     // "error", "information", "confirm", "open", "save"
        QString caption;  // confirm caption or file dialog caption
        QString text;     // box text, or the file dialog's preset
    };

    QList<Shown> shown;
    QList<bool> confirmAnswers;  // taken in order; false (Cancel) when empty
    QStringList fileAnswers;     // taken in order; empty text (Cancel) when empty

    void error(QWidget *, const QString &text) override;
    void information(QWidget *, const QString &text) override;
    bool confirm(QWidget *, const QString &caption, const QString &text) override;
    QString openFile(QWidget *, const QString &caption, const QString &preset, const QString &filter) override;
    QString saveFile(QWidget *, const QString &caption, const QString &preset, const QString &filter,
                     const QString &defaultSuffix) override;

    // Texts of the boxes of one kind, in the order shown.
    QStringList texts(const QString &kind) const;
};
