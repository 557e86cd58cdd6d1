#pragma once
// Paints section heading rows (empty code) in white bold text on a red background.
#include <QColor>
#include <QStyledItemDelegate>

class HeadingDelegate : public QStyledItemDelegate {
public:
    HeadingDelegate(const QColor &background, QObject *parent = nullptr)
        : QStyledItemDelegate(parent), m_background(background)
    {
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    QColor m_background;
};
