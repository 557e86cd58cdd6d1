#include "provision/unit_failure.h"

#include "text/language.h"

#include <QCoreApplication>

namespace failure {
namespace {
// The texts answer in the language of the thread that asks (a dashboard request's, else the
// process's).
struct Here {
    static QString translate(const char *context, const char *source) { return TranslateHere(context, source); }
};
QString arg(const QStringList &args, int i) { return args.value(i); }

QString differences(const QStringList &a)
{
    QStringList parts;
    for (int i = 0; i + 4 < a.size(); i += 5) {
        const QString &kind = a.at(i);
        if (kind == QLatin1String("missing"))
            parts << Here::translate("UnitFailure", "%1 (%2)：应为“%3”，设备的回答中没有这一项").arg(a.at(i + 1), a.at(i + 2), a.at(i + 3));
        else if (kind == QLatin1String("expected"))
            parts << Here::translate("UnitFailure", "%1 (%2)：应为“%3”，读回“%4”").arg(a.at(i + 1), a.at(i + 2), a.at(i + 3), a.at(i + 4));
        else
            parts << Here::translate("UnitFailure", "%1 (%2)：写入“%3”，读回“%4”").arg(a.at(i + 1), a.at(i + 2), a.at(i + 3), a.at(i + 4));
    }
    return parts.join(Here::translate("UnitFailure", "；"));
}
} // namespace

QStringList Codes()
{
    return {kNoAnswer,     kOpenFailed,   kPortLost,         kReadFailed,       kReadBackFailed,    kWriteRefused, kWriteNoAnswer,
            kReadBackDiffers, kReadBackMissing, kNoValuesLeft, kValueRefused,   kDbNotAnswering,    kDbError,
            kNotRecorded,  kGoldenUnreadable, kScriptUnreadable, kUnknownParam, kIdentityEmpty,     kIdentityTwice,
            kStationClosing};
}

QString Text(const QString &code, const QStringList &a)
{
    if (code == kNoAnswer)
        return Here::translate("UnitFailure", "没有设备应答（读取版本：%1）").arg(arg(a, 0));
    if (code == kOpenFailed)
        return Here::translate("UnitFailure", "无法打开 %1：%2").arg(arg(a, 0), arg(a, 1));
    if (code == kPortLost)
        return Here::translate("UnitFailure", "端口 %1 已断开（%2）").arg(arg(a, 0), arg(a, 1));
    if (code == kReadFailed)
        return Here::translate("UnitFailure", "读取设备参数失败：%1").arg(arg(a, 0));
    if (code == kReadBackFailed)
        return Here::translate("UnitFailure", "读回参数失败：%1").arg(arg(a, 0));
    if (code == kWriteRefused)
        return Here::translate("UnitFailure", "写入 %1 (%2)=%3 失败：%4").arg(arg(a, 0), arg(a, 1), arg(a, 2), arg(a, 3));
    if (code == kWriteNoAnswer)
        return Here::translate("UnitFailure", "写入 %1 (%2)=%3 时设备没有应答").arg(arg(a, 0), arg(a, 1), arg(a, 2));
    if (code == kReadBackDiffers || code == kReadBackMissing)
        return Here::translate("UnitFailure", "读回不一致：%1").arg(differences(a));
    if (code == kNoValuesLeft)
        return Here::translate("UnitFailure", "%1 中已没有可用的值（每一行的值都已发出）").arg(arg(a, 0));
    if (code == kValueRefused)
        return Here::translate("UnitFailure", "设备值被拒绝，未写入任何参数：%1").arg(arg(a, 0));
    if (code == kDbNotAnswering)
        return Here::translate("UnitFailure", "数据库没有应答（%1）：%2").arg(arg(a, 0), arg(a, 1));
    if (code == kDbError)
        return Here::translate("UnitFailure", "数据库错误：%1").arg(arg(a, 0));
    if (code == kNotRecorded)
        return Here::translate("UnitFailure", "已写入但未能记录：%1").arg(arg(a, 0));
    if (code == kGoldenUnreadable)
        return Here::translate("UnitFailure", "无法读取标准配置 %1：%2").arg(arg(a, 0), arg(a, 1));
    if (code == kScriptUnreadable)
        return Here::translate("UnitFailure", "无法使用脚本文件 %1：%2").arg(arg(a, 0), arg(a, 1));
    if (code == kUnknownParam)
        return Here::translate("UnitFailure", "标准配置中没有参数“%1”").arg(arg(a, 0));
    if (code == kIdentityEmpty)
        return Here::translate("UnitFailure", "设备的 %1 (%2) 为空，无法识别这台设备，未发出任何值").arg(arg(a, 0), arg(a, 1));
    if (code == kIdentityTwice)
        return Here::translate("UnitFailure", "设备标识 %1 同时出现在两个端口上（%2 和 %3）").arg(arg(a, 0), arg(a, 1), arg(a, 2));
    if (code == kStationClosing)
        return Here::translate("UnitFailure", "工位正在关闭");
    if (code == kAlreadyDone)
        return Here::translate("UnitFailure", "已完成（设备仍保存着标准配置和发给它的值）");
    // A code from a newer program: its arguments still say something.
    return code + (a.isEmpty() ? QString() : QStringLiteral(": ") + a.join(QStringLiteral("; ")));
}

QString KindName(const QString &code)
{
    static const struct {
        const QString &code;
        const char *name;
    } kNames[] = {{kNoAnswer, QT_TRANSLATE_NOOP("UnitFailure", "没有应答")},
                  {kOpenFailed, QT_TRANSLATE_NOOP("UnitFailure", "端口无法打开")},
                  {kPortLost, QT_TRANSLATE_NOOP("UnitFailure", "端口断开")},
                  {kReadFailed, QT_TRANSLATE_NOOP("UnitFailure", "读取失败")},
                  {kReadBackFailed, QT_TRANSLATE_NOOP("UnitFailure", "读回失败")},
                  {kWriteRefused, QT_TRANSLATE_NOOP("UnitFailure", "写入被拒绝")},
                  {kWriteNoAnswer, QT_TRANSLATE_NOOP("UnitFailure", "写入无应答")},
                  {kReadBackDiffers, QT_TRANSLATE_NOOP("UnitFailure", "读回不一致")},
                  {kReadBackMissing, QT_TRANSLATE_NOOP("UnitFailure", "读回缺项")},
                  {kNoValuesLeft, QT_TRANSLATE_NOOP("UnitFailure", "没有可用的值")},
                  {kValueRefused, QT_TRANSLATE_NOOP("UnitFailure", "值被拒绝")},
                  {kDbNotAnswering, QT_TRANSLATE_NOOP("UnitFailure", "数据库没有应答")},
                  {kDbError, QT_TRANSLATE_NOOP("UnitFailure", "数据库错误")},
                  {kNotRecorded, QT_TRANSLATE_NOOP("UnitFailure", "未能记录")},
                  {kGoldenUnreadable, QT_TRANSLATE_NOOP("UnitFailure", "标准配置无法读取")},
                  {kScriptUnreadable, QT_TRANSLATE_NOOP("UnitFailure", "脚本无法使用")},
                  {kUnknownParam, QT_TRANSLATE_NOOP("UnitFailure", "未知参数")},
                  {kIdentityEmpty, QT_TRANSLATE_NOOP("UnitFailure", "设备标识为空")},
                  {kIdentityTwice, QT_TRANSLATE_NOOP("UnitFailure", "设备标识重复")},
                  {kStationClosing, QT_TRANSLATE_NOOP("UnitFailure", "工位关闭")}};
    for (const auto &n : kNames)
        if (n.code == code)
            return Here::translate("UnitFailure", n.name);
    return code;
}
} // namespace failure
