#include "params/param_ops.h"

#include "link/data_link.h"
#include "params/param_table.h"
#include "protocol/exchange_engine.h"
#include "script/script_host.h"
#include "state/app_state.h"

#include "params/param_editor_logic.h"
#include "params/value_conversions.h"
#include "text/hex.h"
#include <QCoreApplication>

namespace {
struct ParamOpsTexts {
    Q_DECLARE_TR_FUNCTIONS(ParamOpsTexts)
};
} // namespace

ParamOps::ParamOps(ParamContext context, std::function<void(int)> selectParamChannel)
    : m_s(context), m_select(std::move(selectParamChannel))
{
}

bool ParamOps::readPrologue(OpSink &sink)
{
    if (!m_s.link.IsDataChannelOpen()) {
        sink.message(DataLink::NoChannelMessage());
        return false;
    }
    if (m_s.engine.isBusy()) {
        sink.refused(ExchangeEngine::BusyText());
        return false;
    }
    m_s.state.WorkMode = 0;
    return true;
}

bool ParamOps::readMainParams(OpSink &sink)
{
    if (!readPrologue(sink))
        return false;
    if (m_s.state.ExtTabVisible && m_select) {
        // Right after a port open no set is selected: the main tab reads the main table's set.
        const int n = m_s.state.ParamChannel == -1 ? m_s.state.MainParamChannel : m_s.state.ParamChannel;
        m_select(n);
    }
    return readAddressedParams(sink);
}

bool ParamOps::readExtParams(OpSink &sink)
{
    if (!readPrologue(sink))
        return false;
    if (m_select)
        m_select(0);
    return readAddressedParams(sink);
}

bool ParamOps::readAddressedParams(OpSink &sink)
{
    m_lastReplyCheck = frame::DataCheck::Ok;
    sink.hideEditors();
    sink.setPanel(ReadingText());
    bool ok = true;
    bool any = false;
    if (m_s.state.ParamChannel == m_s.state.MainParamChannel) {
        any = true;
        ok = ReadParamList(m_s.mainTable, m_s.mainTable.readList(), sink) && ok;
    }
    if (m_s.state.ExtTabVisible && m_s.state.ParamChannel == 0) {
        any = true;
        ok = ReadParamList(m_s.extTable, m_s.extTable.readList(), sink) && ok;
    }
    // A failed read keeps its failure text on the panel.
    if (ok && !m_s.state.PasswordAccepted)
        sink.setPanel(ReadDoneText());
    return ok && any;
}

QByteArray ParamOps::RequestParams(const QByteArray &payload, QString *error)
{
    const auto cmd = m_s.engine.CmdWordOf(QStringLiteral("CMD_GETPARAM"), error);
    if (!cmd)
        return QByteArray();
    if (m_s.engine.SendFrame(*cmd, payload, error) != rcOk)
        return QByteArray();
    return m_s.engine.ReceiveReply(3000, ExchangeEngine::ReplyKind::Framed);
}

bool ParamOps::ReadParamList(ParamTable &table, const QByteArray &readList, OpSink &sink)
{
    ExchangeEngine::Guard guard(m_s.engine);
    if (!guard.ok()) {
        sink.refused(ExchangeEngine::BusyText());
        return false;
    }
    QString error;
    const ScriptResult reply = m_s.script.getCmd(QStringLiteral("CMD_REPLYCONFIG"));
    if (!reply.ok) {
        sink.error(reply.error);
        return false;
    }
    const auto expected = static_cast<uint8_t>(HexToInt(reply.text.left(2)) & 0xFF);
    const QByteArray bytes = RequestParams(readList, &error);
    if (!error.isEmpty()) {
        sink.error(error);
        return false;
    }
    const frame::ParamReply r = frame::CheckParamReply(bytes, expected, m_s.state.LastPrefix.size());
    m_lastReplyCheck = r.status;
    const QString failure = ReadFailureText(r.status);
    if (!failure.isEmpty()) {
        sink.setPanel(failure);
        sink.logLine(failure);
        return false;
    }
    DecodeParamRecords(table, r.records, sink);
    sink.logLine(ReadDoneText());
    return true;
}

void ParamOps::DecodeParamRecords(ParamTable &table, const QByteArray &records, OpSink &sink)
{
    ScriptBatch batch;
    QVector<QPair<int, int>> converted;
    int pos = 0;
    while (records.size() - pos >= 4) {
        const auto at = [&](int i) { return static_cast<uint8_t>(records[pos + i]); };
        const int l = at(0) * 256 + at(1);
        const uint16_t code = static_cast<uint16_t>(at(2) * 256 + at(3));
        const int valueLen = qMax(0, l - 2);
        const QByteArray value = records.mid(pos + 4, valueLen);
        // A malformed row list no longer stops the reply: the remaining records still apply.
        ApplyParamValue(table, code, value, sink, batch, converted);
        pos += l + 2;
        if (l + 2 <= 0)
            break;
    }
    if (converted.isEmpty()) {
        // The last record's value stays the script's hexinput, as when each was converted alone.
        if (!batch.ops().isEmpty())
            m_s.script.setHexInput(batch.ops().last().text);
        return;
    }
    const QVector<ScriptResult> results = m_s.script.run(batch);
    for (const auto &[i, k] : converted) {
        const ScriptResult r = results.value(k, ScriptResult::failure(QString()));
        const ParamRow &row = table.row(i);
        if (r.ok)
            table.setShown(i, r.text);
        else  // the shown value is the one from before; the stored one is the device's
            sink.logLine(ParamOpsTexts::tr("参数 %1 (%2) 的显示值无法得到：%3").arg(row.name, row.cmdId, r.error));
    }
}

bool ParamOps::ApplyParamValue(ParamTable &table, uint16_t code, const QByteArray &value, OpSink &sink,
                               ScriptBatch &batch, QVector<QPair<int, int>> &converted)
{
    const QString codeText = ByteToHex(code >> 8) + ByteToHex(code & 0xFF);
    const int i = table.findByCode(codeText);
    if (i < 0)
        return true;
    const QString digits = StrToHexText(value);
    const QString stored = QStringLiteral("HEX:") + digits;
    table.setStored(i, stored);
    batch.setHexInput(digits);
    const ParamRow &row = table.row(i);
    if (conv::IsListForm(row.onList)) {
        QString err;
        const auto list = conv::ParseValueList(row.onList, &err);
        if (!list) {
            sink.logLine(ParamOpsTexts::tr("参数 %1 (%2) 的取值列表无效：%3").arg(row.name, row.cmdId, err));
            return false;
        }
        const int k = conv::MatchStored(*list, stored);
        if (k >= 0)
            table.setShown(i, list->names.at(k));
        return true;
    }
    if (conv::UsesGetStr(row.onGet)) {
        table.setShown(i, conv::GetStr(digits));
    } else if (conv::UsesGetFloat(row.onGet)) {
        table.setShown(i, conv::GetFloat(digits));
    } else {
        converted.append({i, batch.evaluate(row.onGet)});
    }
    return true;
}

QString ParamOps::ReadFailureText(frame::DataCheck status)
{
    switch (status) {
    case frame::DataCheck::Ok: return QString();
    case frame::DataCheck::NoReply: return ParamOpsTexts::tr("[参数读取失败，设备无响应！]");
    case frame::DataCheck::BadHeader: return ParamOpsTexts::tr("[参数读取失败，返回数据包头非法！]");
    case frame::DataCheck::BadCommand: return ParamOpsTexts::tr("[参数读取失败，返回数据包命令字非法！]");
    case frame::DataCheck::BadChecksum: return ParamOpsTexts::tr("[参数读取失败，返回数据包校验错！]");
    }
    return QString();
}

QString ParamOps::WriteResultText(int code)
{
    switch (code) {
    case rcOk: return ParamOpsTexts::tr("[参数设置成功]");
    case rcRefused: return ParamOpsTexts::tr("[参数设置失败]");
    case rcNoReply: return ParamOpsTexts::tr("[参数设置失败，设备无响应！]");
    case rcBadHeader: return ParamOpsTexts::tr("[参数设置失败，输入了非法内容！]");
    case rcBadChecksum: return ParamOpsTexts::tr("[参数设置失败，返回帧校验错误！]");
    default: return ParamOpsTexts::tr("[参数设置失败]");
    }
}

int ParamOps::writeSelectedParam(OpSink &sink)
{
    if (!m_s.link.IsDataChannelOpen()) {
        sink.message(DataLink::NoChannelMessage());
        return rcNotSent;
    }
    return WriteSelectedParam(sink);
}

int ParamOps::WriteSelectedParam(OpSink &sink)
{
    ParamTable *table = m_s.activeTable();
    if (!table || table->selectedRow() < 0)
        return rcNotSent;
    const ParamRow &row = table->row(table->selectedRow());
    if (IsProtectedRow(row.cmdId, m_s.state.PrivilegeLevel) || row.isHeading())
        return rcNotSent;
    const int r = WriteParam(row.cmdId, sink);
    if (r == rcBadHeader)
        sink.clearEditorText();
    return r;
}

int ParamOps::WriteParam(const QString &code, OpSink &sink, const QString &progress)
{
    ExchangeEngine::Guard guard(m_s.engine);
    if (!guard.ok()) {
        sink.refused(ExchangeEngine::BusyText());
        return rcNotSent;
    }
    ParamTable *table = m_s.activeTable();
    if (!table)
        return rcNotSent;
    sink.setPanel(progress.isEmpty() ? WritingText() : WritingText() + QLatin1Char(' ') + progress);
    const int i = table->findByCode(code, true);
    if (i < 0)
        return rcNotSent;
    const ParamRow row = table->row(i);
    sink.logLine(ParamOpsTexts::tr("设置参数：") + row.name +
                 (row.shown.isEmpty() ? ParamOpsTexts::tr("=(空)") : QStringLiteral("=") + row.shown));
    QString error;
    const int r = m_s.engine.SendFrame(static_cast<uint16_t>(HexToInt(code.left(4)) & 0xFFFF),
                                       HexTextToBytes(row.hexDigits()), &error);
    int result = r;
    if (r == rcOk)
        result = m_s.engine.AwaitAck();
    if (result == rcNotSent) {
        // The frame never left (script error, no channel): say so instead of staying "in progress".
        sink.logLine(error);
        sink.setPanel(WriteResultText(rcRefused));
        sink.logLine(sink.panel());
        return result;
    }
    sink.setPanel(WriteResultText(result));
    sink.logLine(sink.panel());
    return result;
}

ParamOps::BatchResult ParamOps::writeAllParams(OpSink &sink)
{
    BatchResult b;
    if (!m_s.link.IsDataChannelOpen()) {
        sink.message(DataLink::NoChannelMessage());
        return b;
    }
    ParamTable *table = m_s.activeTable();
    if (!table)
        return b;
    QList<int> rows;
    for (int i = 0; i < table->size(); ++i)
        if (!table->row(i).isHeading())
            rows.append(i);
    const int total = rows.size();
    for (int n = 0; n < total && !m_s.state.CloseRequested; ++n) {
        const int i = rows.at(n);
        table->setSelectedRow(i);
        sink.rowSelected(i);
        const ParamRow &row = table->row(i);
        if (IsProtectedRow(row.cmdId, m_s.state.PrivilegeLevel)) {
            ++b.skipped;
            continue;
        }
        const int r = WriteParam(row.cmdId, sink, QStringLiteral("%1/%2").arg(n + 1).arg(total));
        if (r == rcBadHeader)
            sink.clearEditorText();
        if (r == rcOk)
            ++b.written;
        else
            ++b.failed;
    }
    QString summary = ParamOpsTexts::tr("批量写参数结束：共%1项，成功%2项，失败%3项").arg(total).arg(b.written).arg(b.failed);
    if (b.skipped)
        summary += ParamOpsTexts::tr("，跳过%1项").arg(b.skipped);
    sink.logLine(summary);
    return b;
}

QByteArray IpTextToBytes(const QString &text)
{
    const int d1 = text.indexOf(QLatin1Char('.'));
    const int d2 = d1 < 0 ? -1 : text.indexOf(QLatin1Char('.'), d1 + 1);
    const int d3 = d2 < 0 ? -1 : text.indexOf(QLatin1Char('.'), d2 + 1);
    if (d3 < 0)
        return QByteArray();
    const QStringList parts = {text.left(d1), text.mid(d1 + 1, d2 - d1 - 1), text.mid(d2 + 1, d3 - d2 - 1),
                               text.mid(d3 + 1)};
    QByteArray out;
    for (const QString &p : parts) {
        bool ok = false;
        const int v = p.trimmed().toInt(&ok, 10);
        if (!ok || v < 0 || v > 255)
            return QByteArray();
        out.append(static_cast<char>(v));
    }
    return out;
}
