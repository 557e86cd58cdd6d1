#include "text/text_codec.h"

#include <QStringDecoder>
#include <cstring>
#include <iconv.h>

namespace {
QByteArray iconvConvert(const QByteArray &in, const char *to, const char *from, bool *ok)
{
    *ok = false;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return QByteArray();
    QByteArray out;
    out.resize(in.size() * 4 + 16);
    char *inPtr = const_cast<char *>(in.constData());
    size_t inLeft = static_cast<size_t>(in.size());
    char *outPtr = out.data();
    size_t outLeft = static_cast<size_t>(out.size());
    bool good = true;
    while (inLeft > 0) {
        const size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        if (r == static_cast<size_t>(-1)) {
            // Undecodable byte: keep going with a replacement so nothing else is lost.
            if (errno == EILSEQ || errno == EINVAL) {
                good = false;
                ++inPtr;
                --inLeft;
                if (outLeft >= 3) {
                    const char repl[] = "\xEF\xBF\xBD";
                    if (qstrcmp(to, "UTF-8") == 0) {
                        memcpy(outPtr, repl, 3);
                        outPtr += 3;
                        outLeft -= 3;
                    } else {
                        *outPtr++ = '?';
                        --outLeft;
                    }
                }
                continue;
            }
            if (errno == E2BIG) {
                const qsizetype used = outPtr - out.data();
                out.resize(out.size() * 2);
                outPtr = out.data() + used;
                outLeft = static_cast<size_t>(out.size() - used);
                continue;
            }
            good = false;
            break;
        }
    }
    out.resize(outPtr - out.data());
    iconv_close(cd);
    *ok = good;
    return out;
}

// A mark at the start of these bytes is text: the caller has already taken the file's own.
QString utf8KeepingMark(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
    return utf8(bytes);
}

bool isValidUtf8(const QByteArray &bytes)
{
    QStringDecoder dec(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    // decode() is lazy: the conversion (and hasError) happens only when the result is taken.
    const QString text = dec.decode(bytes);
    return !dec.hasError();
}

bool isAscii(const QByteArray &bytes)
{
    // Eight bytes at a time: received chunks can be megabytes.
    const char *p = bytes.constData();
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    for (; i + 8 <= n; i += 8) {
        quint64 word;
        memcpy(&word, p + i, sizeof word);
        if (word & 0x8080808080808080ULL)
            return false;
    }
    for (; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) >= 0x80)
            return false;
    return true;
}
} // namespace

DecodedText DecodeText(const QByteArray &bytes)
{
    DecodedText d;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        d.encoding = TextEncoding::Utf8Bom;
        // Only the first mark is the file's; a second one is text and must survive a write-back.
        d.text = utf8KeepingMark(bytes.mid(3));
        return d;
    }
    // Pure ASCII counts as the native code page so a later non-ASCII edit is written as GBK.
    if (!isAscii(bytes) && isValidUtf8(bytes)) {
        d.encoding = TextEncoding::Utf8;
        d.text = QString::fromUtf8(bytes);
        return d;
    }
    d.encoding = TextEncoding::Gbk;
    d.text = GbkDecode(bytes);
    return d;
}

QByteArray EncodeText(const QString &text, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return text.toUtf8();
    case TextEncoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case TextEncoding::Gbk:
        break;
    }
    return GbkEncode(text);
}

QByteArray GbkEncode(const QString &text)
{
    bool ok = false;
    return iconvConvert(text.toUtf8(), "GB18030", "UTF-8", &ok);
}

QString GbkDecode(const QByteArray &bytes)
{
    // Plain ASCII, the usual case of received data, needs no conversion.
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    bool ok = false;
    // The code page has no byte-order mark: a U+FEFF it decodes to is text and must be kept.
    return utf8KeepingMark(iconvConvert(bytes, "UTF-8", "GB18030", &ok));
}
