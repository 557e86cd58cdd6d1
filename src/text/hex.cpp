#include "text/hex.h"

namespace {
const char kDigits[] = "0123456789ABCDEF";
}

QString ByteToHex(uint8_t b)
{
    const QChar out[2] = {QLatin1Char(kDigits[b >> 4]), QLatin1Char(kDigits[b & 0x0F])};
    return QString(out, 2);
}

QString StrToHexText(const QByteArray &bytes)
{
    QString s;
    s.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto b = static_cast<uint8_t>(c);
        s.append(QLatin1Char(kDigits[b >> 4]));
        s.append(QLatin1Char(kDigits[b & 0x0F]));
    }
    return s;
}

QString HexDump(const QByteArray &bytes)
{
    QString s;
    s.reserve(bytes.size() * 3);
    for (char c : bytes) {
        const auto b = static_cast<uint8_t>(c);
        s.append(QLatin1Char(kDigits[b >> 4]));
        s.append(QLatin1Char(kDigits[b & 0x0F]));
        s.append(QLatin1Char(' '));
    }
    return s;
}

int HexToInt(const QString &text)
{
    // Unsigned accumulation: long texts wrap instead of overflowing a signed int.
    unsigned value = 0;
    for (QChar ch : text) {
        const char16_t c = ch.unicode();
        unsigned digit = 0;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        value = value * 16u + digit;
    }
    return static_cast<int>(value);
}

QByteArray WordToBytes(uint16_t word)
{
    QByteArray out(2, '\0');
    out[0] = static_cast<char>(word >> 8);
    out[1] = static_cast<char>(word & 0xFF);
    return out;
}

QByteArray HexTextToBytes(const QString &text)
{
    QByteArray out;
    const int pairs = text.size() / 2;
    out.reserve(pairs);
    for (int i = 0; i < pairs; ++i)
        out.append(static_cast<char>(HexToInt(text.mid(i * 2, 2)) & 0xFF));
    return out;
}

bool IsHexText(const QString &text)
{
    for (QChar ch : text) {
        const char16_t c = ch.unicode();
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}
