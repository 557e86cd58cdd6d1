#include "params/timed_query.h"

#include "link/data_link.h"
#include "params/param_table.h"
#include "protocol/exchange_engine.h"
#include "script/script_host.h"
#include "state/app_state.h"

#include "params/param_ops.h"
#include "text/text_codec.h"
#include "text/hex.h"
#include <QCoreApplication>

namespace {
struct TimedQueryTexts {
    Q_DECLARE_TR_FUNCTIONS(TimedQueryTexts)
};
} // namespace

TimedQuerySettings CheckTimedQuery(const TimedQueryInput &in)
{
    TimedQuerySettings out;
    int period = 0;
    if (in.enabled) {
        const QString p = in.periodText.trimmed();
        if (p.isEmpty()) {
            out.lines << TimedQueryTexts::tr("设置失败:定时查询周期不能为空!");
            return out;
        }
        period = p.toInt();
        if (period > 6500) {
            out.lines << TimedQueryTexts::tr("设置失败:定时查询周期不能大于6500秒!");
            return out;
        }
        if (period == 0) {
            out.lines << TimedQueryTexts::tr("设置失败:定时查询周期不为0!");
            return out;
        }
        if (in.commandText.trimmed().isEmpty()) {
            out.lines << TimedQueryTexts::tr("设置失败:定时查询命令内容不能为空!");
            return out;
        }
    }
    const QByteArray command = in.hexMode ? HexTextToBytes(in.commandText) : GbkEncode(in.commandText);
    out.lines << (in.enabled ? TimedQueryTexts::tr("设置定时查询参数  状态:启用,  查询周期")
                             : TimedQueryTexts::tr("设置定时查询参数  状态:不启用,  查询周期")) +
                     QString::number(period) + TimedQueryTexts::tr("秒");
    if (in.hexMode)
        out.lines << TimedQueryTexts::tr("定时查询命令内容:[HEX:") + in.commandText + QStringLiteral("]") + GbkDecode(command);
    else
        out.lines << TimedQueryTexts::tr("定时查询命令内容:") + in.commandText;
    out.lines << QString();
    out.record = BuildTimedQueryRecord(in.enabled, period, command);
    out.ok = true;
    return out;
}

QByteArray BuildTimedQueryRecord(bool enabled, int period, const QByteArray &command)
{
    QByteArray r;
    r.append(enabled ? '\x5A' : '\x00');
    r.append(static_cast<char>((period >> 8) & 0xFF));
    r.append(static_cast<char>(period & 0xFF));
    r.append(static_cast<char>(command.size() & 0xFF));
    r.append(command);
    if (r.size() < 254)
        r.append(QByteArray(254 - r.size(), '\xFF'));
    return r;
}

bool ReadTimedQueryParams(ParamContext s, OpSink &sink)
{
    QByteArray payload;
    for (int code = 0x49; code <= 0x4F; ++code) {
        payload.append('\0');
        payload.append(static_cast<char>(code));
    }
    sink.setPanel(ParamOps::ReadingText());
    // Read like the full read, so both agree on one reply layout; with no table active the
    // values have nowhere to go but the reply is still checked and reported.
    ParamTable scratch(false);
    ParamTable *table = s.activeTable();
    if (!ParamOps(s, nullptr).ReadParamList(table ? *table : scratch, payload, sink))
        return false;
    sink.setPanel(ParamOps::ReadDoneText());
    return true;
}
