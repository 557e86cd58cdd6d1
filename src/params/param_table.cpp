#include "params/param_table.h"

#include "text/hex.h"
#include <QCoreApplication>

namespace {
struct ParamTableTexts {
    Q_DECLARE_TR_FUNCTIONS(ParamTableTexts)
};
} // namespace


ParamTable::ParamTable(bool extended, QObject *parent) : QAbstractTableModel(parent), m_extended(extended) {}

int ParamTable::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

int ParamTable::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString ParamTable::cell(const ParamRow &r, int column) const
{
    switch (column) {
    case ColCode: return r.cmdId;
    case ColName: return r.name;
    case ColStored: return r.stored;
    case ColShown: return r.shown;
    case ColOnList: return r.onList;
    case ColOnGet: return r.onGet;
    case ColOnSet: return r.onSet;
    case ColNote: return r.note;
    default: return QString();
    }
}

QVariant ParamTable::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const ParamRow &r = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return cell(r, index.column());
    case HeadingRole:
        return r.isHeading();
    default:
        return {};
    }
}

QVariant ParamTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return columnCaption(section, m_extended);
    return {};
}

void ParamTable::clear()
{
    beginResetModel();
    m_rows.clear();
    m_readList.clear();
    m_selected = -1;
    endResetModel();
    emit selectedRowChanged(-1);
}

int ParamTable::addRow(const ParamRow &row)
{
    const int i = m_rows.size();
    beginInsertRows(QModelIndex(), i, i);
    m_rows.append(row);
    endInsertRows();
    if (HexToInt(row.cmdId.left(4)) > 0) {
        m_readList.append(static_cast<char>(HexToInt(row.cmdId.mid(0, 2)) & 0xFF));
        m_readList.append(static_cast<char>(HexToInt(row.cmdId.mid(2, 2)) & 0xFF));
    }
    return i;
}

void ParamTable::setStored(int i, const QString &stored)
{
    if (i < 0 || i >= m_rows.size())
        return;
    m_rows[i].stored = stored;
    emit dataChanged(index(i, ColStored), index(i, ColStored));
}

void ParamTable::setShown(int i, const QString &shown)
{
    if (i < 0 || i >= m_rows.size())
        return;
    m_rows[i].shown = shown;
    emit dataChanged(index(i, ColShown), index(i, ColShown));
}

void ParamTable::setStoredAndShown(int i, const QString &stored, const QString &shown)
{
    if (i < 0 || i >= m_rows.size())
        return;
    m_rows[i].stored = stored;
    m_rows[i].shown = shown;
    emit dataChanged(index(i, ColStored), index(i, ColShown));
}

int ParamTable::findByCode(const QString &code, bool fromSecond) const
{
    const int n = m_rows.size();
    for (int k = 0; k < n; ++k) {
        const int i = fromSecond ? (k + 1) % n : k;
        if (m_rows.at(i).cmdId.compare(code, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void ParamTable::setSelectedRow(int i)
{
    if (i < -1 || i >= m_rows.size())
        i = -1;
    m_selected = i;
    emit selectedRowChanged(i);
}

QString ParamTable::columnCaption(int column, bool extended)
{
    switch (column) {
    case ColCode: return ParamTableTexts::tr("参数号");
    case ColName: return ParamTableTexts::tr("参数名称");
    case ColStored: return ParamTableTexts::tr("参数HEX值");
    case ColShown: return ParamTableTexts::tr("参数值");
    case ColOnList: return QStringLiteral("OnList");
    case ColOnGet: return QStringLiteral("OnGet");
    case ColOnSet: return QStringLiteral("OnSet");
    case ColNote: return extended ? ParamTableTexts::tr("参数相关说明") : ParamTableTexts::tr("参数说明");
    default: return QString();
    }
}

int ParamTable::columnWidth(int column, bool extended)
{
    switch (column) {
    case ColName: return extended ? 200 : 210;
    case ColShown: return 180;
    case ColNote: return extended ? 325 : 300;
    default: return 0;
    }
}
