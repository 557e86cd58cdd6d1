#pragma once
// A parameter table (main or extended) as a model: eight columns in their fixed positions,
// the selected row, and the read list of its coded rows.
#include "params/param_row.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QVector>

class ParamTable : public QAbstractTableModel {
    Q_OBJECT
public:
    // True for section heading rows (empty code); the views paint them white bold on red.
    static constexpr int HeadingRole = Qt::UserRole + 1;
    enum Column { ColCode, ColName, ColStored, ColShown, ColOnList, ColOnGet, ColOnSet, ColNote, ColumnCount };

    explicit ParamTable(bool extended, QObject *parent = nullptr);

    bool isExtended() const { return m_extended; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void clear();
    // Appends a row and, when its code reads as a non-zero hex number, its two bytes to the read list.
    int addRow(const ParamRow &row);
    const ParamRow &row(int i) const { return m_rows.at(i); }
    int size() const { return m_rows.size(); }
    const QVector<ParamRow> &rows() const { return m_rows; }

    void setStored(int i, const QString &stored);
    void setShown(int i, const QString &shown);
    void setStoredAndShown(int i, const QString &stored, const QString &shown);

    // Row whose code equals `code` (whole text, case ignored). `fromSecond` searches from the
    // second row to the last and then the first row; otherwise from the first. -1 when none.
    int findByCode(const QString &code, bool fromSecond = false) const;

    int selectedRow() const { return m_selected; }
    void setSelectedRow(int i);

    const QByteArray &readList() const { return m_readList; }
    void clearReadList() { m_readList.clear(); }

    static QString columnCaption(int column, bool extended);
    static int columnWidth(int column, bool extended);

signals:
    void selectedRowChanged(int row);

private:
    QString cell(const ParamRow &r, int column) const;

    bool m_extended;
    QVector<ParamRow> m_rows;
    QByteArray m_readList;
    int m_selected = -1;
};
