#include "app/ext_page.h"

#include "widgets/named.h"
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
    ListView2 = named<ParamView>("ListView2", m_session.extTable, this);
    top->addWidget(ListView2, 1);

    auto *row = new QHBoxLayout;
    Edit7 = named<QLineEdit>("Edit7", this);
    Button16 = named<QPushButton>("Button16", QStringLiteral("读取"), this);
    Button17 = named<QPushButton>("Button17", QStringLiteral("设置"), this);
    CheckBox7 = named<QCheckBox>("CheckBox7", QStringLiteral("显示串口数据"), this);
    CheckBox7->setVisible(false);
    BitBtn2 = named<QPushButton>("BitBtn2", QStringLiteral("图形化I/O配置"), this);
    BitBtn2->setVisible(false);
    row->addWidget(Edit7, 1);
    row->addWidget(Button16);
    row->addWidget(Button17);
    row->addWidget(CheckBox7);
    row->addWidget(BitBtn2);
    top->addLayout(row);
}
