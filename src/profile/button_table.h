#pragma once
// The command window's list: one row per profile button.
#include <QAbstractTableModel>
#include <QVector>
#include <QCoreApplication>

struct ButtonRow {
    QString name;     // BNAME, row caption
    QString onClick;  // ONCLICK, sub-item 0
    QString onReply;  // ONREPLY, sub-item 1
};

class ButtonTable : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : m_rows.size();
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override { return parent.isValid() ? 0 : 3; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_rows.size() || (role != Qt::DisplayRole && role != Qt::EditRole))
            return {};
        const ButtonRow &r = m_rows.at(index.row());
        return index.column() == 0 ? r.name : index.column() == 1 ? r.onClick : r.onReply;
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override
    {
        if (o != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        return section == 0 ? QCoreApplication::translate("ButtonTableTexts", "命令名称") : section == 1 ? QStringLiteral("OnClick") : QStringLiteral("OnReply");
    }

    void clear()
    {
        beginResetModel();
        m_rows.clear();
        endResetModel();
    }
    void addRow(const ButtonRow &r)
    {
        beginInsertRows(QModelIndex(), m_rows.size(), m_rows.size());
        m_rows.append(r);
        endInsertRows();
    }
    const ButtonRow &row(int i) const { return m_rows.at(i); }
    int size() const { return m_rows.size(); }
    int findByName(const QString &name) const
    {
        for (int i = 0; i < m_rows.size(); ++i)
            if (m_rows.at(i).name == name)
                return i;
        return -1;
    }

private:
    QVector<ButtonRow> m_rows;
};
