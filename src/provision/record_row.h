#pragma once
// A unit record's row in the records database: the one place that knows which column holds
// what. The station stores through it, and `report` and the dashboard read through it.
#include "provision/unit_record.h"

#include <QStringList>
#include <QVariantList>

class QSqlQuery;

namespace recordrow {
// The columns FromRow() reads, in its order, for "SELECT <Columns()> FROM units …".
QString Columns();
// "INSERT INTO units (…) VALUES (?, …)" for InsertValues(); a record whose uid is stored already
// is not stored again.
QString InsertSql();
QVariantList InsertValues(const UnitRecord &r);
// The values given to the unit, each a row of given_values (where a unit is found by any of them).
QStringList GivenValues(const UnitRecord &r);
// The record of a row read with Columns() from column `first` on.
UnitRecord FromRow(const QSqlQuery &q, int first = 0);
} // namespace recordrow
