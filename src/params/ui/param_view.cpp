#include "params/ui/param_view.h"

#include "params/param_table.h"
#include "params/ui/heading_delegate.h"

#include <QHeaderView>

ParamView::ParamView(ParamTable &table, QWidget *parent) : QTableView(parent), m_table(table)
{
    setModel(&m_table);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    verticalHeader()->setVisible(false);
    verticalHeader()->setDefaultSectionSize(20);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(true);

    QFont f;
    f.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei Mono"), // not translated: a font family name
                   QStringLiteral("Noto Sans Mono CJK SC"), QStringLiteral("monospace")});
    f.setPixelSize(m_table.isExtended() ? 15 : 14);
    setFont(f);

    QPalette p = palette();
    p.setColor(QPalette::Base, QColor(248, 253, 254));
    setPalette(p);

    const QColor heading = m_table.isExtended() ? QColor(250, 150, 150) : QColor(250, 140, 130);
    setItemDelegate(new HeadingDelegate(heading, this));

    applyColumnLayout();

    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (m_syncing)
                    return;
                m_syncing = true;
                m_table.setSelectedRow(current.isValid() ? current.row() : -1);
                m_syncing = false;
            });
    connect(&m_table, &ParamTable::selectedRowChanged, this, &ParamView::fromModelSelection);
    // A reset clears the view's selection; the model already says "no row" in that case.
    connect(&m_table, &QAbstractItemModel::modelReset, this, &ParamView::applyColumnLayout);
}

void ParamView::applyColumnLayout()
{
    for (int c = 0; c < ParamTable::ColumnCount; ++c) {
        const int w = ParamTable::columnWidth(c, m_table.isExtended());
        setColumnHidden(c, w == 0);
        if (w > 0)
            setColumnWidth(c, w);
    }
}

void ParamView::fromModelSelection(int row)
{
    if (m_syncing)
        return;
    m_syncing = true;
    if (row < 0 || row >= m_table.rowCount()) {
        clearSelection();
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::Clear);
    } else {
        selectRow(row);
        setCurrentIndex(m_table.index(row, ParamTable::ColName));
    }
    m_syncing = false;
}

void ParamView::selectFirstRow()
{
    if (m_table.rowCount() > 0)
        m_table.setSelectedRow(0);
}
