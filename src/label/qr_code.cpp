#include "label/qr_code.h"

#include <qrencode.h>

QrMatrix EncodeQr(const QByteArray &data)
{
    QrMatrix matrix;
    if (data.isEmpty())
        return matrix;
    QRcode *code = QRcode_encodeData(int(data.size()), reinterpret_cast<const unsigned char *>(data.constData()),
                                     0, QR_ECLEVEL_M);
    if (!code)
        return matrix;
    matrix.width = code->width;
    matrix.dark.resize(code->width * code->width);
    for (int i = 0; i < matrix.dark.size(); ++i)
        matrix.dark[i] = (code->data[i] & 1) != 0;
    QRcode_free(code);
    return matrix;
}
