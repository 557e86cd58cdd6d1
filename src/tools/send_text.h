#pragma once
// What the test pages send and show: input text to bytes, bytes to a display line.
#include <QByteArray>
#include <QString>

// Hex mode: pairs of digits (blanks removed first when `dropBlanks`), an odd last digit ignored.
// Text mode: the text in the device code page, line breaks as CR LF.
QByteArray InputBytes(const QString &text, bool hexMode, bool dropBlanks);
// The bytes as characters; a zero byte would end the text early, so it shows as 01h.
QString DisplayBytes(const QByteArray &bytes);
// "HH:mm:ss 发送数据：" + "{hex }" in hex mode + the characters + `suffix`.
QString SentLine(const QByteArray &bytes, bool hexMode, const QString &suffix = QString());
// Adds to a 32-bit byte counter; wraps instead of overflowing.
void AddToCounter(int32_t &counter, qsizetype n);
