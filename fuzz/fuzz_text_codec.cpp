// Code-page detection and conversion of profile files and wire text. A UTF-8 file (with or
// without its mark) is written back byte for byte; GBK text that decoded cleanly is too; any
// Unicode text survives the device code page both ways.
#include "fuzz_common.h"
#include "text/text_codec.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::raw(data, size);
    const DecodedText d = DecodeText(bytes);
    const QByteArray again = EncodeText(d.text, d.encoding);
    switch (d.encoding) {
    case TextEncoding::Utf8Bom:
        FUZZ_CHECK(bytes.startsWith("\xEF\xBB\xBF"));
        // Invalid UTF-8 after the mark is replaced; valid text comes back unchanged.
        if (!d.text.contains(QChar(0xFFFD)))
            FUZZ_CHECK(again == bytes);
        break;
    case TextEncoding::Utf8:
        FUZZ_CHECK(again == bytes);
        break;
    case TextEncoding::Gbk:
        // U+FFFD marks a byte that was not GB18030; anything else maps back to its bytes.
        if (!d.text.contains(QChar(0xFFFD)))
            FUZZ_CHECK(again == bytes);
        break;
    }

    // The input read as UTF-16 text: whole characters go to the code page and come back.
    QString text(static_cast<qsizetype>(size / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data, static_cast<size_t>(text.size()) * 2);
    // Lone surrogates are not characters; the code page has no bytes for them. Nor has the
    // C library's GB18030 table for some private-use code points (those later standards moved).
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (text.at(i).isSurrogate() || (c >= 0xE000 && c <= 0xF8FF))
            text[i] = QLatin1Char('?');
    }
    FUZZ_CHECK(GbkDecode(GbkEncode(text)) == text);
    FUZZ_CHECK(DecodeText(EncodeText(text, TextEncoding::Utf8Bom)).text == text);
    return 0;
}
