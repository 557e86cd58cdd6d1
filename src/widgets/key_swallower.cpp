#include "widgets/key_swallower.h"

#include <QEvent>

void KeySwallower::install(QObject *target)
{
    target->installEventFilter(new KeySwallower(target));
}

bool KeySwallower::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)
        return true;
    return QObject::eventFilter(watched, event);
}
