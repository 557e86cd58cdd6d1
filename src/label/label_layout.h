#pragma once
// How a unit's label is drawn: the QR code on the left, the values, version and date beside it.
#include "label/unit_label.h"

#include <QPageSize>
#include <QRectF>

class QPainter;

// A small label, as many benches use: 50 × 30 mm.
QPageSize LabelPageSize();
// Draws the label into `area` (device units of the painter); text shrinks to fit, never spills.
void PaintLabel(QPainter &painter, const QRectF &area, const UnitLabel &label);
