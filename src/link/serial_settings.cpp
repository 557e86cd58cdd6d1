#include "link/serial_settings.h"

#include <array>

qint32 BaudFromText(const QString &text)
{
    // The profile may carry rates that are not items of the drop-down list (33600, 76800).
    static const std::array<qint32, 17> kRates = {9600,   4800,   2400,   1200,   600,    300,
                                                  19200,  38400,  57600,  115200, 230400, 460800,
                                                  921600, 14400,  28800,  33600,  76800};
    for (qint32 rate : kRates) {
        if (text == QString::number(rate))
            return rate;
    }
    return 9600;
}

bool ApplyFormatText(const QString &text, SerialSettings &settings)
{
    if (text.isEmpty())
        return false;
    const QChar bits = text.at(0);
    if (bits == QLatin1Char('8'))
        settings.dataBits = QSerialPort::Data8;
    else if (bits == QLatin1Char('7'))
        settings.dataBits = QSerialPort::Data7;

    if (text.size() > 1) {
        const QChar parity = text.at(1);
        if (parity == QLatin1Char('N'))
            settings.parity = QSerialPort::NoParity;
        else if (parity == QLatin1Char('E'))
            settings.parity = QSerialPort::EvenParity;
        else if (parity == QLatin1Char('O'))
            settings.parity = QSerialPort::OddParity;
    }
    if (text.size() > 2) {
        const QChar stop = text.at(2);
        if (stop == QLatin1Char('1'))
            settings.stopBits = QSerialPort::OneStop;
        else if (stop == QLatin1Char('2'))
            settings.stopBits = QSerialPort::TwoStop;
    }
    return true;
}

QString FormatText(const SerialSettings &settings)
{
    const QChar bits = settings.dataBits == QSerialPort::Data7 ? QLatin1Char('7') : QLatin1Char('8');
    const QChar parity = settings.parity == QSerialPort::EvenParity ? QLatin1Char('E')
                         : settings.parity == QSerialPort::OddParity ? QLatin1Char('O')
                                                                     : QLatin1Char('N');
    const QChar stop = settings.stopBits == QSerialPort::TwoStop ? QLatin1Char('2') : QLatin1Char('1');
    return QString(bits) + parity + stop;
}
