#include "provision/profile_diff.h"

QList<ParamDifference> ProfileDifferences(const QVector<ParamRow> &wanted, const QVector<ParamRow> &device)
{
    QList<ParamDifference> out;
    for (int i = 0; i < wanted.size() && i < device.size(); ++i) {
        const ParamRow &w = wanted.at(i);
        const ParamRow &d = device.at(i);
        if (w.isHeading() || w.stored.isEmpty())
            continue;
        if (w.stored.compare(d.stored, Qt::CaseInsensitive) == 0)
            continue;
        out.append({w.cmdId, w.name, w.shown, d.shown, w.hexDigits(), d.hexDigits(), d.stored.isEmpty()});
    }
    return out;
}
