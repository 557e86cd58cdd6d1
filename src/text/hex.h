#pragma once
// Conversions between bytes and hexadecimal text shared by every layer.
#include <QByteArray>
#include <QString>
#include <cstdint>

QString ByteToHex(uint8_t b);
// Two upper-case digits per byte, no separators.
QString StrToHexText(const QByteArray &bytes);
// Two upper-case digits and one space per byte (trailing space kept): the form of every hex log.
QString HexDump(const QByteArray &bytes);
// Upper-cases, counts a blank as 0, accumulates left to right. Other characters count as 0.
int HexToInt(const QString &text);
QByteArray WordToBytes(uint16_t word);
// Pairs cut from the start, each turned into one byte by HexToInt; an odd last digit is dropped.
QByteArray HexTextToBytes(const QString &text);
// True when every character is a hexadecimal digit (either case).
bool IsHexText(const QString &text);
