#pragma once
// A QR code's modules for some bytes, from libqrencode.
#include <QByteArray>
#include <QVector>

struct QrMatrix {
    int width = 0;            // modules per side; 0 when the data could not be encoded
    QVector<bool> dark;       // width × width, row by row

    bool isDark(int x, int y) const { return dark.at(y * width + x); }
};

// Error correction M: a label scratched on the bench still reads. Empty matrix when the data
// does not fit a QR code (about 2 kB at this level).
QrMatrix EncodeQr(const QByteArray &data);
