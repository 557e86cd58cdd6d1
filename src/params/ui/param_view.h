#pragma once
// A parameter table on screen: whole-row selection, grid, the width-0 columns hidden,
// section heading rows white bold on red, and the model's selected row kept in step.
#include <QTableView>

class ParamTable;

class ParamView : public QTableView {
    Q_OBJECT
public:
    explicit ParamView(ParamTable &table, QWidget *parent = nullptr);

    ParamTable &table() { return m_table; }
    // Selects the first row when there is one.
    void selectFirstRow();

private:
    void applyColumnLayout();
    void fromModelSelection(int row);

    ParamTable &m_table;
    bool m_syncing = false;
};
