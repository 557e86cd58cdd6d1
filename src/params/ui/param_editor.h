#pragma once
// The in-place editor shared by both parameter tables: m_valueEdit (text form) or m_valueCombo (list
// form) laid over the value cell of the active table's selected row. Typing or choosing
// updates the row's stored and shown values at once; nothing is sent to the device here.
#include "params/param_context.h"

#include <QObject>
#include <QString>

class Dialogs;
class ParamTable;
class ParamView;
class QComboBox;
class QLineEdit;
class QWidget;
struct EditorSetup;

class ParamEditor : public QObject {
    Q_OBJECT
public:
    ParamEditor(ParamContext context, Dialogs &dialogs, ParamView *mainView, ParamView *extView,
                QLineEdit *valueEdit, QComboBox *valueCombo, QWidget *dialogParent);

    // Sets up the editor for row `index` of the active table.
    void ShowParamEditor(int index);
    // Makes m_valueEdit the visible editor; does nothing when neither table has a selected row.
    void ShowTextEditor(int maxLength, const QString &allowedChars);
    // Keeps both editors over the selected row's value cell (m_editorTimer and view signals).
    void place();

    void onMainRowClicked();
    void onMainRowChanged();
    void onExtRowChanged();
    void onRowDoubleClicked();
    void onTextKeyReleased();
    void onListChosen();

    void hideEditors();
    void clearEditorText();
    // Re-runs the set-up for the active table's selected row (after a tab change).
    void refresh();

    QString allowedChars() const { return m_allowedChars; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Shown { None, Text, List };
    // The view of the active table; nullptr when none is active.
    ParamView *activeView() const;
    bool anySelection() const;
    void changed(ParamView *view);
    void applyReadOnlyRule();
    void watchView(ParamView *view);

    ParamContext m_s;
    Dialogs &m_dialogs;
    ParamView *m_view1;
    ParamView *m_view2;
    QLineEdit *m_edit;
    QComboBox *m_combo;
    QWidget *m_dialogParent;
    QString m_allowedChars;
    Shown m_shown = Shown::None;
};
