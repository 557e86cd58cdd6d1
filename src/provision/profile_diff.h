#pragma once
// Parameters whose value on a unit differs from a profile's.
#include "params/param_row.h"

#include <QList>
#include <QString>
#include <QVector>

struct ParamDifference {
    QString code;
    QString name;
    QString profileShown;
    QString deviceShown;
    QString profileHex;
    QString deviceHex;
    bool deviceMissing = false;   // the unit did not return the parameter
};

// `wanted` and `device` are the same table's rows (the profile's, and after reading the unit
// with its values emptied first). Rows without a value in the profile are not compared.
QList<ParamDifference> ProfileDifferences(const QVector<ParamRow> &wanted, const QVector<ParamRow> &device);
