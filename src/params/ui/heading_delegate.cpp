#include "params/ui/heading_delegate.h"

#include "params/param_table.h"

#include <QPainter>

void HeadingDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (!index.data(ParamTable::HeadingRole).toBool())
        return;
    option->font.setBold(true);
    option->backgroundBrush = m_background;
    option->palette.setColor(QPalette::Text, Qt::white);
    option->palette.setColor(QPalette::HighlightedText, Qt::white);
    option->palette.setColor(QPalette::Highlight, m_background.darker(130));
}

void HeadingDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // The style would not fill a selected heading row with our colour; fill it first.
    if (index.data(ParamTable::HeadingRole).toBool())
        painter->fillRect(option.rect, m_background);
    QStyledItemDelegate::paint(painter, option, index);
}
