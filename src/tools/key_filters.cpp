#include "tools/key_filters.h"

#include <QEvent>
#include <QKeyEvent>

CharFilter::CharFilter(Accepts accepts, std::function<bool()> active, QObject *parent)
    : QObject(parent), m_accepts(std::move(accepts)), m_active(std::move(active))
{
}

void CharFilter::install(QObject *target, Accepts accepts, std::function<bool()> active)
{
    target->installEventFilter(new CharFilter(std::move(accepts), std::move(active), target));
}

bool CharFilter::HexDigitAnyCase(QChar c)
{
    return c == QLatin1Char('\b') || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'));
}

bool CharFilter::HexDigitUpper(QChar c)
{
    return c == QLatin1Char('\b') || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

bool CharFilter::DecimalDigit(QChar c)
{
    return c == QLatin1Char('\b') || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
}

bool CharFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !m_active())
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    // Delete and the arrows carry no character to judge (Delete may report 7F).
    if (key->key() == Qt::Key_Delete || key->text().isEmpty())
        return false;
    if (key->key() == Qt::Key_Backspace)
        return false;
    for (const QChar c : key->text()) {
        if (!m_accepts(c))
            return true;
    }
    return false;
}
