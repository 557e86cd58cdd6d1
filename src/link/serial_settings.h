#pragma once
#include <QSerialPort>
#include <QString>

// Port settings as the "串口设置" group gives them.
struct SerialSettings {
    QString portName;
    qint32 baudRate = 9600;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

// Baud text to rate: exact match against the accepted table, else 9600.
qint32 BaudFromText(const QString &text);
// "8N1"-style text, one character per field; unknown or missing characters keep `previous`.
// Returns false for an empty text (the port is not opened then).
bool ApplyFormatText(const QString &text, SerialSettings &settings);
// The "8N1"-style text of `settings` (parity other than none, even or odd shows as N).
QString FormatText(const SerialSettings &settings);
