#pragma once
// Disables a set of controls while a reply wait runs, so the user sees the state instead of
// being refused afterwards.
#include <QList>
#include <QObject>

class QAction;
class QWidget;

class BusyLock : public QObject {
    Q_OBJECT
public:
    BusyLock(QList<QWidget *> widgets, QList<QAction *> actions, QObject *parent);

    void setBusy(bool busy);

private:
    QList<QWidget *> m_widgets;
    QList<QAction *> m_actions;
};
