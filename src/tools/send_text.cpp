#include "tools/send_text.h"

#include "text/text_codec.h"
#include "text/hex.h"
#include "text/time_text.h"
#include <QCoreApplication>

namespace {
struct TransparentPageTexts {
    Q_DECLARE_TR_FUNCTIONS(TransparentPageTexts)
};
} // namespace

QByteArray InputBytes(const QString &text, bool hexMode, bool dropBlanks)
{
    if (hexMode) {
        QString digits = text;
        if (dropBlanks)
            digits.remove(QLatin1Char(' '));
        return HexTextToBytes(digits);
    }
    QString t = text;
    t.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return GbkEncode(t);
}

QString DisplayBytes(const QByteArray &bytes)
{
    QByteArray shown = bytes;
    shown.replace('\0', '\x01');
    return GbkDecode(shown);
}

QString SentLine(const QByteArray &bytes, bool hexMode, const QString &suffix)
{
    QString line = TimeText() + TransparentPageTexts::tr(" 发送数据：");
    if (hexMode)
        line += QLatin1Char('{') + HexDump(bytes) + QLatin1Char('}');
    return line + DisplayBytes(bytes) + suffix;
}

void AddToCounter(int32_t &counter, qsizetype n)
{
    counter = static_cast<int32_t>(static_cast<uint32_t>(counter) + static_cast<uint32_t>(n));
}
