#pragma once
// Text on disk and on the wire: GBK (decoded and encoded as GB18030, its superset) unless
// the bytes are valid UTF-8 or carry a UTF-8 byte-order mark.
#include <QByteArray>
#include <QString>

enum class TextEncoding { Gbk, Utf8, Utf8Bom };

struct DecodedText {
    QString text;
    TextEncoding encoding = TextEncoding::Gbk;
};

DecodedText DecodeText(const QByteArray &bytes);
QByteArray EncodeText(const QString &text, TextEncoding encoding);

// The device-side code page: user text to bytes and bytes to text, in one place.
QByteArray GbkEncode(const QString &text);
QString GbkDecode(const QByteArray &bytes);
