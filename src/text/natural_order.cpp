#include "text/natural_order.h"

bool NaturalLess(const QString &a, const QString &b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            // Compare the numbers by value: skip leading zeros, then the longer run is larger.
            qsizetype si = i, sj = j;
            while (si < a.size() && a.at(si) == QLatin1Char('0'))
                ++si;
            while (sj < b.size() && b.at(sj) == QLatin1Char('0'))
                ++sj;
            qsizetype ei = si, ej = sj;
            while (ei < a.size() && a.at(ei).isDigit())
                ++ei;
            while (ej < b.size() && b.at(ej).isDigit())
                ++ej;
            if (ei - si != ej - sj)
                return ei - si < ej - sj;
            const int c = QStringView(a).mid(si, ei - si).compare(QStringView(b).mid(sj, ej - sj));
            if (c != 0)
                return c < 0;
            i = ei;
            j = ej;
            continue;
        }
        if (a.at(i) != b.at(j))
            return a.at(i) < b.at(j);
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j))
        return a.size() - i < b.size() - j;
    return a < b;  // equal by value ("07" and "7"): a stable, total order all the same
}
