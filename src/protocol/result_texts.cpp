#include "protocol/result_texts.h"

#include "protocol/result_codes.h"

#include <QCoreApplication>

namespace {
struct ResultTexts {
    Q_DECLARE_TR_FUNCTIONS(ResultTexts)
};

// "[<name>成功]", "[<name>失败]", "[<name>失败，设备无响应！]", then the header and checksum texts.
QString bracketed(int code, const QString &name, const QString &badHeader)
{
    switch (code) {
    case rcOk: return ResultTexts::tr("[%1成功]").arg(name);
    case rcRefused: return ResultTexts::tr("[%1失败]").arg(name);
    case rcNoReply: return ResultTexts::tr("[%1失败，设备无响应！]").arg(name);
    case rcBadHeader: return ResultTexts::tr("[%1失败，%2]").arg(name, badHeader);
    case rcBadChecksum: return ResultTexts::tr("[%1失败，返回帧校验错误！]").arg(name);
    default: return QString();
    }
}

QString illegalReply() { return ResultTexts::tr("非法的返回串！"); }
QString badParameter() { return ResultTexts::tr("参数错误！"); }
} // namespace

QString ResetResultText(int code) { return bracketed(code, ResultTexts::tr("复位设备"), illegalReply()); }

QString DeviceStateLine(int value)
{
    switch (value) {
    case 0: return ResultTexts::tr("DTU状态=0,睡眠状态");
    case 1: return ResultTexts::tr("DTU状态=1,未注册状态");
    case 2: return ResultTexts::tr("DTU状态=2,待机状态");
    case 3: return ResultTexts::tr("DTU状态=3,PPP拨号状态");
    case 4: return ResultTexts::tr("DTU状态=4,在线状态，未登录到数据中心");
    case 5: return ResultTexts::tr("DTU状态=5,在线状态，已登录到数据中心");
    case rcRefused: return ResultTexts::tr("DTU状态读取失败");
    case rcNoReply: return ResultTexts::tr("DTU状态读取失败，设备无响应！");
    case rcBadHeader: return ResultTexts::tr("DTU状态读取失败，参数错误！");
    case rcBadChecksum: return ResultTexts::tr("DTU状态读取失败，返回帧校验错误！");
    default: return QString();  // states the device may add later are not shown
    }
}

QString UnnamedDeviceStateLine(int value) { return ResultTexts::tr("DTU状态=%1").arg(value); }

QString StateWrongCommandText() { return ResultTexts::tr("[状态读取失败，返回数据包命令字非法！]"); }

QString StateSetResultText(int code) { return bracketed(code, ResultTexts::tr("状态设置"), badParameter()); }

QString SignalLine(int value)
{
    if (value < 0)
        return ResultTexts::tr("信号读取失败");
    return QStringLiteral("DTU CSQ=%1").arg(value);
}

QString SignalWrongCommandText() { return ResultTexts::tr("[信号读取失败，返回数据包命令字非法！]"); }

QString VersionFailedText() { return ResultTexts::tr("DTU版本号读取失败"); }

QString VersionLine(const QString &version) { return ResultTexts::tr("DTU版本号=") + version; }

QString ClockReadText(bool gotText) { return gotText ? ResultTexts::tr("设备时钟读取成功") : ResultTexts::tr("设备时钟读取失败"); }

QString ClockSetLine(const QString &clockText) { return ResultTexts::tr("设置设备时钟=") + clockText; }

QString ClockSetResultText(int code) { return bracketed(code, ResultTexts::tr("设备时钟设置"), badParameter()); }

QString WorkModeResultText(int code) { return bracketed(code, ResultTexts::tr("工作模式切换"), illegalReply()); }

QString FactoryDefaultsResultText(int code)
{
    // Every failure names this operation, the checksum failure included.
    return bracketed(code, ResultTexts::tr("参数设置"), illegalReply());
}
