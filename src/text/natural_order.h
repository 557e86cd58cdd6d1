#pragma once
// Names ordered as people count them: ttyUSB2 before ttyUSB10, whatever the locale.
#include <QString>

bool NaturalLess(const QString &a, const QString &b);
