#include "tools/tform2.h"

#include "app/named.h"
#include "state/core_session.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

TForm2::TForm2(CoreSession &session, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent, Qt::Window), m_session(session), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("命令执行窗口"));
    resize(520, 360);

    auto *top = new QVBoxLayout(this);
    auto *body = new QHBoxLayout;
    ListView1 = named<QTreeView>("ListView1", this);
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setModel(&m_session.buttons);
    ListView1->setColumnWidth(0, 150);
    ListView1->setColumnHidden(1, true);
    ListView1->setColumnHidden(2, true);
    ListView1->setMinimumWidth(170);
    body->addWidget(ListView1);

    Memo1 = named<QPlainTextEdit>("Memo1", this);
    Memo1->setReadOnly(true);
    QPalette p = Memo1->palette();
    p.setColor(QPalette::Base, QColor(0xA6, 0xCA, 0xF0));  // sky blue
    Memo1->setPalette(p);
    QFont f = Memo1->font();
    f.setBold(true);
    Memo1->setFont(f);
    body->addWidget(Memo1, 1);
    top->addLayout(body, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    Button1 = named<QPushButton>("Button1", QStringLiteral("确定"), this);
    Button2 = named<QPushButton>("Button2", QStringLiteral("取消"), this);
    Button2->setVisible(false);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    top->addLayout(buttons);

    connect(Button1, &QPushButton::clicked, this, &QWidget::hide);
}

void TForm2::closeEvent(QCloseEvent *event)
{
    // The window lives for the whole run; closing it only hides it.
    hide();
    event->ignore();
}
