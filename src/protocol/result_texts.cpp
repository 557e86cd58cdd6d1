#include "protocol/result_texts.h"

#include "protocol/result_codes.h"

namespace {
// "[<name>成功]", "[<name>失败]", "[<name>失败，设备无响应！]", then the header and checksum texts.
QString bracketed(int code, const QString &name, const QString &badHeader)
{
    switch (code) {
    case rcOk: return QStringLiteral("[%1成功]").arg(name);
    case rcRefused: return QStringLiteral("[%1失败]").arg(name);
    case rcNoReply: return QStringLiteral("[%1失败，设备无响应！]").arg(name);
    case rcBadHeader: return QStringLiteral("[%1失败，%2]").arg(name, badHeader);
    case rcBadChecksum: return QStringLiteral("[%1失败，返回帧校验错误！]").arg(name);
    default: return QString();
    }
}

const QString kIllegalReply = QStringLiteral("非法的返回串！");
const QString kBadParameter = QStringLiteral("参数错误！");
} // namespace

QString ResetResultText(int code) { return bracketed(code, QStringLiteral("复位设备"), kIllegalReply); }

QString DeviceStateLine(int value)
{
    switch (value) {
    case 0: return QStringLiteral("DTU状态=0,睡眠状态");
    case 1: return QStringLiteral("DTU状态=1,未注册状态");
    case 2: return QStringLiteral("DTU状态=2,待机状态");
    case 3: return QStringLiteral("DTU状态=3,PPP拨号状态");
    case 4: return QStringLiteral("DTU状态=4,在线状态，未登录到数据中心");
    case 5: return QStringLiteral("DTU状态=5,在线状态，已登录到数据中心");
    case rcRefused: return QStringLiteral("DTU状态读取失败");
    case rcNoReply: return QStringLiteral("DTU状态读取失败，设备无响应！");
    case rcBadHeader: return QStringLiteral("DTU状态读取失败，参数错误！");
    case rcBadChecksum: return QStringLiteral("DTU状态读取失败，返回帧校验错误！");
    default: return QString();  // states the device may add later are not shown
    }
}

QString StateWrongCommandText() { return QStringLiteral("[状态读取失败，返回数据包命令字非法！]"); }

QString StateSetResultText(int code) { return bracketed(code, QStringLiteral("状态设置"), kBadParameter); }

QString SignalLine(int value)
{
    if (value < 0)
        return QStringLiteral("信号读取失败");
    return QStringLiteral("DTU CSQ=%1").arg(value);
}

QString SignalWrongCommandText() { return QStringLiteral("[信号读取失败，返回数据包命令字非法！]"); }

QString VersionFailedText() { return QStringLiteral("DTU版本号读取失败"); }

QString VersionLine(const QString &version) { return QStringLiteral("DTU版本号=") + version; }

QString ClockReadText(bool gotText)
{
    return gotText ? QStringLiteral("设备时钟读取成功") : QStringLiteral("设备时钟读取失败");
}

QString ClockSetLine(const QString &clockText) { return QStringLiteral("设置设备时钟=") + clockText; }

QString ClockSetResultText(int code) { return bracketed(code, QStringLiteral("设备时钟设置"), kBadParameter); }

QString WorkModeResultText(int code) { return bracketed(code, QStringLiteral("工作模式切换"), kIllegalReply); }

QString FactoryDefaultsResultText(int code)
{
    // Every failure names this operation, the checksum failure included.
    return bracketed(code, QStringLiteral("参数设置"), kIllegalReply);
}
