#pragma once
// Event filter that discards every key press, for lists that may change only by a mouse pick.
#include <QObject>

class KeySwallower : public QObject {
public:
    using QObject::QObject;
    // Installs one shared swallower (owned by `target`) on `target`.
    static void install(QObject *target);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
