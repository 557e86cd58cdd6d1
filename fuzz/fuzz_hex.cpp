// The hex helpers behind every hex box and log: bytes to digits and back, any text to bytes.
#include "fuzz_common.h"
#include "text/hex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::raw(data, size);
    const QString digits = StrToHexText(bytes);
    FUZZ_CHECK(digits.size() == bytes.size() * 2 && IsHexText(digits));
    FUZZ_CHECK(HexTextToBytes(digits) == bytes);
    FUZZ_CHECK(HexTextToBytes(digits.toLower()) == bytes);
    const QString dump = HexDump(bytes);
    FUZZ_CHECK(dump.size() == bytes.size() * 3);
    FUZZ_CHECK(QString(dump).remove(QLatin1Char(' ')) == digits);
    for (int i = 0; i < bytes.size() && i < 16; ++i)
        FUZZ_CHECK(ByteToHex(static_cast<uint8_t>(bytes[i])) == digits.mid(i * 2, 2));

    // The input as typed text (Latin-1 and UTF-16 views): pairs from the start, odd digit dropped.
    const QString typed = QString::fromLatin1(bytes);
    const QByteArray out = HexTextToBytes(typed);
    FUZZ_CHECK(out.size() == typed.size() / 2);
    for (int i = 0; i < out.size() && i < 16; ++i)
        FUZZ_CHECK(static_cast<uint8_t>(out[i]) == (HexToInt(typed.mid(i * 2, 2)) & 0xFF));
    if (IsHexText(typed) && typed.size() % 2 == 0)
        FUZZ_CHECK(StrToHexText(out) == typed.toUpper());
    if (typed.size() <= 7 && IsHexText(typed))
        FUZZ_CHECK(HexToInt(typed) == typed.toInt(nullptr, 16));
    const QString wide = QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()), bytes.size() / 2);
    FUZZ_CHECK(HexTextToBytes(wide).size() == wide.size() / 2);
    if (size >= 2)
        FUZZ_CHECK(WordToBytes(static_cast<uint16_t>(data[0] << 8 | data[1])) == bytes.left(2));
    return 0;
}
