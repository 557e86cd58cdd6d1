#include "widgets/dialogs.h"

#include "state/app_state.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {
QString appTitle()
{
    const QString name = QApplication::applicationDisplayName();
    return name.isEmpty() ? QStringLiteral("dtu-config") : name;
}

// A preset like "/dir/*.txt" is a folder plus a pattern; QFileDialog wants them apart.
QString presetDirectory(const QString &preset)
{
    if (preset.contains(QLatin1Char('*')))
        return QFileInfo(preset).path();
    return preset;
}
} // namespace

void WidgetDialogs::error(QWidget *parent, const QString &text)
{
    QMessageBox::critical(parent, appTitle(), text);
}

void WidgetDialogs::information(QWidget *parent, const QString &text)
{
    QMessageBox::information(parent, appTitle(), text);
}

bool WidgetDialogs::confirm(QWidget *parent, const QString &caption, const QString &text)
{
    return QMessageBox::question(parent, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Cancel)
        == QMessageBox::Ok;
}

QString WidgetDialogs::openFile(QWidget *parent, const QString &caption, const QString &preset,
                                const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, caption, presetDirectory(preset), filter);
}

QString WidgetDialogs::saveFile(QWidget *parent, const QString &caption, const QString &preset,
                                const QString &filter, const QString &defaultSuffix)
{
    QFileDialog dialog(parent, caption, presetDirectory(preset), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

void ErrorUnlessClosing(Dialogs &dialogs, const AppState &state, QWidget *parent, const QString &text)
{
    if (!state.CloseRequested)
        dialogs.error(parent, text);
}
