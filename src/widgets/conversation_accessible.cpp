#include "widgets/conversation_accessible.h"

#include "widgets/conversation_view.h"

#include <QAccessibleWidget>

namespace {
class ConversationAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ConversationAccessible(ConversationView *view) : QAccessibleWidget(view, QAccessible::EditableText) {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return view()->toPlainText();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }

    // The text interface, in offsets of the whole text.
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = 0;
        if (selectionIndex == 0 && view()->hasSelection()) {
            *startOffset = int(view()->selectionStart());
            *endOffset = int(view()->selectionEnd());
        }
    }
    int selectionCount() const override { return view()->hasSelection() ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
    void removeSelection(int) override { view()->setSelection(0, 0); }
    void setSelection(int, int startOffset, int endOffset) override { view()->setSelection(startOffset, endOffset); }
    int cursorPosition() const override { return view()->hasSelection() ? int(view()->selectionEnd()) : 0; }
    void setCursorPosition(int position) override { view()->setSelection(position, position); }
    QString text(int startOffset, int endOffset) const override
    {
        return view()->store().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(view()->store().textLength()); }
    QRect characterRect(int) const override { return QRect(); }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int startIndex, int) override { view()->scrollToOffset(startIndex); }
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = offset;
        return QString();
    }

private:
    ConversationView *view() const { return static_cast<ConversationView *>(widget()); }
};

QAccessibleInterface *conversationFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("ConversationView") && object && object->isWidgetType())
        return new ConversationAccessible(static_cast<ConversationView *>(object));
    return nullptr;
}
} // namespace

void InstallConversationAccessible()
{
    static bool installed = false;
    if (!installed) {
        QAccessible::installFactory(conversationFactory);
        installed = true;
    }
}
