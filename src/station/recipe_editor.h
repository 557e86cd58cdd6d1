#pragma once
// The recipe as a form, for the engineer who sets the bench up (privilege level 2): saving
// checks the recipe as a run would read it and writes it atomically.
#include "provision/recipe.h"

#include <QDialog>

class AppState;
class Dialogs;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

class RecipeEditor : public QDialog {
    Q_OBJECT
public:
    RecipeEditor(const AppState &state, Dialogs &dialogs, const QString &path, const Recipe &recipe,
                 QWidget *parent = nullptr);

    // Checks and writes the form to the file; false (the reason shown) when refused.
    bool save();
    const QString &path() const { return m_path; }

signals:
    void saved(const QString &path, const Recipe &recipe);

private:
    const AppState &m_state;
    Dialogs &m_dialogs;
    QString m_path;
    QLineEdit *m_station, *m_golden, *m_script, *m_ports, *m_tcpHosts, *m_units, *m_db, *m_printer, *m_identity;
    QPlainTextEdit *m_unique;
    QCheckBox *m_onlyChanged;
    QSpinBox *m_target;
};

// Privilege level that may edit and save a recipe.
constexpr int kRecipeEditLevel = 2;
