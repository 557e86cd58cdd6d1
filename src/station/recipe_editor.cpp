#include "station/recipe_editor.h"

#include "state/app_state.h"
#include "widgets/dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>

RecipeEditor::RecipeEditor(const AppState &state, Dialogs &dialogs, const QString &path, const Recipe &r, QWidget *parent)
    : QDialog(parent), m_state(state), m_dialogs(dialogs), m_path(path)
{
    setObjectName(QStringLiteral("RecipeEditor"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("编辑配方 %1").arg(path));
    resize(620, 480);
    auto line = [this](const char *name, const QString &text) {
        auto *e = new QLineEdit(text, this);
        e->setObjectName(QLatin1String(name));
        return e;
    };
    m_station = line("stationEdit", r.station);
    m_golden = line("goldenEdit", r.golden);
    m_script = line("scriptEdit", r.script);
    m_ports = line("portsEdit", r.ports.join(QStringLiteral(", ")));
    m_tcpHosts = line("tcpHostsEdit", r.tcpHosts);
    m_identity = line("identityEdit", r.identity);
    m_units = line("unitsEdit", r.units);
    m_db = line("dbEdit", r.db);
    m_printer = line("printerEdit", r.printer);
    m_unique = new QPlainTextEdit(this);
    m_unique->setObjectName(QStringLiteral("uniqueEdit"));
    QStringList unique;
    for (const auto &u : r.unique)
        unique << u.first + QLatin1Char('=') + u.second;
    m_unique->setPlainText(unique.join(QLatin1Char('\n')));
    m_onlyChanged = new QCheckBox(tr("只写与单元不同的参数"), this);
    m_onlyChanged->setObjectName(QStringLiteral("onlyChangedCheck"));
    m_onlyChanged->setChecked(r.onlyChanged);
    m_target = new QSpinBox(this);
    m_target->setObjectName(QStringLiteral("targetSpin"));
    m_target->setRange(0, 10000000);
    m_target->setValue(r.target);

    auto *form = new QFormLayout(this);
    form->addRow(tr("工位名称"), m_station);
    form->addRow(tr("标准参数文件"), m_golden);
    form->addRow(tr("脚本文件"), m_script);
    form->addRow(tr("端口（逗号分隔）"), m_ports);
    form->addRow(tr("TCP主机文件"), m_tcpHosts);
    form->addRow(tr("设备标识参数（名称或代码）"), m_identity);
    form->addRow(tr("每台唯一值（每行 名称=模板）"), m_unique);
    form->addRow(tr("单元值文件"), m_units);
    form->addRow(tr("记录数据库"), m_db);
    form->addRow(QString(), m_onlyChanged);
    form->addRow(tr("目标数量（0：不限）"), m_target);
    form->addRow(tr("标签打印机（pdf:文件夹 或打印机名）"), m_printer);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Save)->setObjectName(QStringLiteral("saveRecipeButton"));
    buttons->button(QDialogButtonBox::Save)->setText(tr("保存"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (save())
            close();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    form->addRow(buttons);
}

bool RecipeEditor::save()
{
    // The level is asked again here: it may have changed since the form was opened.
    if (m_state.PrivilegeLevel < kRecipeEditLevel) {
        m_dialogs.error(this, tr("保存配方需要二级权限"));
        return false;
    }
    Recipe r;
    r.station = m_station->text().trimmed();
    r.golden = m_golden->text().trimmed();
    r.script = m_script->text().trimmed();
    static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
    r.ports = m_ports->text().split(separators, Qt::SkipEmptyParts);
    r.tcpHosts = m_tcpHosts->text().trimmed();
    r.identity = m_identity->text().trimmed();
    for (const QString &l : m_unique->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const int eq = l.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            m_dialogs.error(this, tr("每台唯一值的一行不是 名称=模板：%1").arg(l));
            return false;
        }
        r.unique << qMakePair(l.left(eq).trimmed(), l.mid(eq + 1).trimmed());
    }
    r.units = m_units->text().trimmed();
    r.db = m_db->text().trimmed();
    r.onlyChanged = m_onlyChanged->isChecked();
    r.target = m_target->value();
    r.printer = m_printer->text().trimmed();
    // Checked as the run reads it, so that a saved recipe always opens.
    QString error;
    if (!ParseRecipe(RecipeJson(r), error)) {
        m_dialogs.error(this, tr("配方未保存：%1").arg(error));
        return false;
    }
    if (!WriteRecipe(m_path, r, error)) {
        m_dialogs.error(this, tr("配方未保存：%1").arg(error));
        return false;
    }
    emit saved(m_path, r);
    return true;
}
