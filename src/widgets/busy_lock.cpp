#include "widgets/busy_lock.h"

#include <QAction>
#include <QWidget>

BusyLock::BusyLock(QList<QWidget *> widgets, QList<QAction *> actions, QObject *parent)
    : QObject(parent), m_widgets(std::move(widgets)), m_actions(std::move(actions))
{
}

void BusyLock::setBusy(bool busy)
{
    for (QWidget *w : std::as_const(m_widgets))
        w->setEnabled(!busy);
    for (QAction *a : std::as_const(m_actions))
        a->setEnabled(!busy);
}
