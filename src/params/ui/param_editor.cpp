#include "params/ui/param_editor.h"

#include "widgets/dialogs.h"
#include "params/param_editor_logic.h"
#include "params/param_table.h"
#include "params/ui/param_view.h"
#include "state/app_state.h"

#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTimer>
#include <QLineEdit>
#include <QScrollBar>

namespace {
// QLineEdit takes 0 as "nothing may be typed"; the editor's 0 means "no limit".
constexpr int kUnlimited = 32767;
} // namespace

ParamEditor::ParamEditor(ParamContext context, Dialogs &dialogs, ParamView *mainView, ParamView *extView,
                         QLineEdit *valueEdit, QComboBox *valueCombo, QWidget *dialogParent)
    : QObject(valueEdit),
      m_s(context),
      m_dialogs(dialogs),
      m_view1(mainView),
      m_view2(extView),
      m_edit(valueEdit),
      m_combo(valueCombo),
      m_dialogParent(dialogParent)
{
    QPalette pe = m_edit->palette();
    pe.setColor(QPalette::Base, QColor(217, 217, 217));
    m_edit->setPalette(pe);
    QPalette pc = m_combo->palette();
    pc.setColor(QPalette::Button, QColor(223, 223, 223));
    pc.setColor(QPalette::Base, QColor(223, 223, 223));
    m_combo->setPalette(pc);
    m_combo->setEditable(false);
    m_combo->setFocusPolicy(Qt::ClickFocus);
    m_edit->hide();
    m_combo->hide();

    m_edit->installEventFilter(this);
    m_combo->installEventFilter(this);

    connect(m_combo, &QComboBox::activated, this, &ParamEditor::onListChosen);
    connect(&m_s.mainTable, &ParamTable::selectedRowChanged, this, &ParamEditor::onMainRowChanged);
    connect(&m_s.extTable, &ParamTable::selectedRowChanged, this, &ParamEditor::onExtRowChanged);
    connect(m_view1, &QAbstractItemView::clicked, this, &ParamEditor::onMainRowClicked);
    watchView(m_view1);
    watchView(m_view2);
}

void ParamEditor::watchView(ParamView *view)
{
    connect(view, &QAbstractItemView::doubleClicked, this, &ParamEditor::onRowDoubleClicked);
    // Follow the row at once; m_editorTimer catches whatever these miss.
    connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this, &ParamEditor::place);
    connect(view->horizontalScrollBar(), &QScrollBar::valueChanged, this, &ParamEditor::place);
    connect(view->horizontalHeader(), &QHeaderView::sectionResized, this, &ParamEditor::place);
}

ParamView *ParamEditor::activeView() const
{
    const ParamTable *t = m_s.activeTable();
    if (t == &m_s.mainTable)
        return m_view1;
    if (t == &m_s.extTable)
        return m_view2;
    return nullptr;
}

bool ParamEditor::anySelection() const
{
    return m_s.mainTable.selectedRow() >= 0 || m_s.extTable.selectedRow() >= 0;
}

void ParamEditor::hideEditors()
{
    m_edit->hide();
    m_combo->hide();
    m_shown = Shown::None;
}

void ParamEditor::clearEditorText()
{
    if (m_shown == Shown::Text) {
        m_edit->clear();
    } else if (m_shown == Shown::List) {
        m_combo->setCurrentIndex(-1);
        m_combo->setPlaceholderText(QString());
    }
}

void ParamEditor::ShowParamEditor(int index)
{
    ParamTable *table = m_s.activeTable();
    if (table && (index < 0 || index >= table->size()))
        return;
    hideEditors();
    m_combo->setCurrentIndex(-1);
    m_combo->setPlaceholderText(QString());
    m_edit->clear();
    if (!table)
        return;

    const ParamRow row = table->row(index);
    const EditorSetup setup = SetupParamEditor(m_s.script, row, m_s.state.PrivilegeLevel);
    for (const QString &text : setup.messages)
        m_dialogs.information(m_dialogParent, text);

    if (setup.kind == EditorSetup::List) {
        m_combo->clear();
        m_combo->addItems(setup.items);
        m_combo->setCurrentIndex(setup.selectedIndex);
        if (!setup.comboText.isEmpty()) {
            const int i = m_combo->findText(setup.comboText);
            if (i >= 0)
                m_combo->setCurrentIndex(i);
            else if (m_combo->currentIndex() < 0)
                m_combo->setPlaceholderText(setup.comboText);
        }
        m_shown = Shown::List;
        m_edit->hide();
        place();
        m_combo->show();
        return;
    }
    if (setup.kind == EditorSetup::Text) {
        ShowTextEditor(setup.maxLength, setup.allowedChars);
        if (!setup.editText.isEmpty())
            m_edit->setText(setup.editText);
    }
}

void ParamEditor::ShowTextEditor(int maxLength, const QString &allowedChars)
{
    if (!anySelection())
        return;
    m_edit->setMaxLength(maxLength > 0 ? maxLength : kUnlimited);
    m_allowedChars = allowedChars;
    m_shown = Shown::Text;
    m_combo->hide();
    QFont f = m_edit->font();
    f.setPointSize(9);
    m_edit->setFont(f);
    place();
    m_edit->show();
}

void ParamEditor::place()
{
    ParamView *view = activeView();
    if (!view)
        return;
    const int row = view->table().selectedRow();
    if (row < 0)
        return;
    QWidget *viewport = view->viewport();
    const QRect cell(view->columnViewportPosition(ParamTable::ColShown), view->rowViewportPosition(row),
                     view->columnWidth(ParamTable::ColShown), view->rowHeight(row));
    for (QWidget *w : {static_cast<QWidget *>(m_edit), static_cast<QWidget *>(m_combo)}) {
        if (w->parentWidget() != viewport) {
            // Moving to the other table hides the widget; show it again if it is the current editor.
            w->setParent(viewport);
            const bool visible = (w == m_edit && m_shown == Shown::Text) || (w == m_combo && m_shown == Shown::List);
            w->setVisible(visible);
        }
        if (w->geometry() != cell)
            w->setGeometry(cell);
    }
}

void ParamEditor::applyReadOnlyRule()
{
    ParamTable *table = m_s.activeTable();
    if (!table || table->selectedRow() < 0)
        return;
    const ParamRow &row = table->row(table->selectedRow());
    m_edit->setReadOnly(row.isHeading() || IsProtectedRow(row.cmdId, m_s.state.PrivilegeLevel));
}

void ParamEditor::changed(ParamView *view)
{
    ParamView *active = activeView();
    if (!active) {
        hideEditors();
        return;
    }
    // The editor lives in the active table; the other table's selection does not move it.
    if (view != active)
        return;
    const int row = view->table().selectedRow();
    if (row < 0)
        return;
    ShowParamEditor(row);
    applyReadOnlyRule();
}

void ParamEditor::onMainRowClicked()
{
    ParamView *active = activeView();
    if (active != m_view1 || m_s.mainTable.selectedRow() < 0)
        return;
    ShowParamEditor(m_s.mainTable.selectedRow());
    applyReadOnlyRule();
    // Typing right after the click goes into the row's editor. Asked for once the click has
    // been handled, so the list, which takes the focus on the press, does not keep it.
    QTimer::singleShot(0, this, &ParamEditor::onRowDoubleClicked);
}

void ParamEditor::onMainRowChanged()
{
    changed(m_view1);
}

void ParamEditor::onExtRowChanged()
{
    changed(m_view2);
}

void ParamEditor::refresh()
{
    ParamView *view = activeView();
    if (!view || view->table().selectedRow() < 0) {
        hideEditors();
        return;
    }
    ShowParamEditor(view->table().selectedRow());
    applyReadOnlyRule();
}

void ParamEditor::onRowDoubleClicked()
{
    if (m_shown == Shown::Text)
        m_edit->setFocus();
    else if (m_shown == Shown::List)
        m_combo->setFocus();
}

void ParamEditor::onTextKeyReleased()
{
    ParamTable *table = m_s.activeTable();
    if (!table || table->selectedRow() < 0 || m_shown != Shown::Text)
        return;
    const int i = table->selectedRow();
    const ParamRow row = table->row(i);
    // A read-only row must not take the (empty) text of its hidden editor.
    if (row.isHeading() || IsProtectedRow(row.cmdId, m_s.state.PrivilegeLevel))
        return;
    const std::optional<StoredValue> v = ConvertTypedText(m_s.script, row, m_edit->text());
    if (v)
        table->setStoredAndShown(i, v->stored, v->shown);
}

void ParamEditor::onListChosen()
{
    ParamTable *table = m_s.activeTable();
    if (!table || table->selectedRow() < 0)
        return;
    const int i = table->selectedRow();
    QString error;
    const std::optional<StoredValue> v = ConvertListChoice(table->row(i), m_combo->currentText(), &error);
    if (!error.isEmpty()) {
        m_dialogs.error(m_dialogParent, error);
        return;
    }
    if (v)
        table->setStoredAndShown(i, v->stored, v->shown);
}

bool ParamEditor::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == m_combo) {
        // The list changes by a mouse pick only.
        if (type == QEvent::KeyPress || type == QEvent::KeyRelease || type == QEvent::ShortcutOverride)
            return true;
        return QObject::eventFilter(watched, event);
    }
    if (watched == m_edit) {
        if (type == QEvent::KeyPress) {
            const auto *ke = static_cast<QKeyEvent *>(event);
            // Deleting is always possible; keys without a character (arrows) are never filtered.
            if (ke->key() == Qt::Key_Backspace || ke->key() == Qt::Key_Delete)
                return false;
            const QString text = ke->text();
            for (const QChar ch : text)
                if (!CharAllowed(ch, m_allowedChars))
                    return true;
            if (!m_allowedChars.isEmpty() && text.isEmpty() && (ke->modifiers() & Qt::ControlModifier))
                return true;   // clipboard shortcuts would bypass the filter
        } else if (type == QEvent::ShortcutOverride && !m_allowedChars.isEmpty()) {
            const auto *ke = static_cast<QKeyEvent *>(event);
            if (ke->modifiers() & Qt::ControlModifier) {
                event->accept();   // keep Ctrl+V etc. inside the edit so KeyPress can drop them
                return true;
            }
        } else if (type == QEvent::KeyRelease) {
            // Every release, arrows and Shift included: the text already changed on the press.
            onTextKeyReleased();
        }
    }
    return QObject::eventFilter(watched, event);
}
