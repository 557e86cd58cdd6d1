#pragma once
// A unit's record as the operator opens it: result, reason, values, version, and every
// parameter written against what was read back.
#include "provision/unit_record.h"

#include <QDialog>

class QTableWidget;

class RecordDialog : public QDialog {
    Q_OBJECT
public:
    explicit RecordDialog(const UnitRecord &record, QWidget *parent = nullptr);
    QTableWidget *table() const { return m_table; }

private:
    QTableWidget *m_table;
};
