#include "app/ext_page.h"

#include "params/ui/param_view.h"
#include "session/core_session.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

ExtPage::ExtPage(CoreSession &session, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_session(session), m_dialogs(dialogs)
{
    auto *top = new QVBoxLayout(this);
    top->setContentsMargins(4, 4, 4, 4);
    m_paramView = new ParamView(m_session.extTable, this);
    top->addWidget(m_paramView, 1);

    auto *row = new QHBoxLayout;
    m_extValueEdit = new QLineEdit(this);
    m_readButton = new QPushButton(QStringLiteral("读取"), this);
    m_writeButton = new QPushButton(QStringLiteral("设置"), this);
    m_showDataCheck = new QCheckBox(QStringLiteral("显示串口数据"), this);
    m_showDataCheck->setVisible(false);
    m_ioConfigButton = new QPushButton(QStringLiteral("图形化I/O配置"), this);
    m_ioConfigButton->setVisible(false);
    row->addWidget(m_extValueEdit, 1);
    row->addWidget(m_readButton);
    row->addWidget(m_writeButton);
    row->addWidget(m_showDataCheck);
    row->addWidget(m_ioConfigButton);
    top->addLayout(row);
    nameControls();
}

// The form names: tests, accessibility tools and scripts find the controls by them.
void ExtPage::nameControls()
{
    m_paramView->setObjectName(QStringLiteral("ListView2"));
    m_extValueEdit->setObjectName(QStringLiteral("Edit7"));
    m_readButton->setObjectName(QStringLiteral("Button16"));
    m_writeButton->setObjectName(QStringLiteral("Button17"));
    m_showDataCheck->setObjectName(QStringLiteral("CheckBox7"));
    m_ioConfigButton->setObjectName(QStringLiteral("BitBtn2"));
}
