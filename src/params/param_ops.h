#pragma once
// Reading all parameters of a table and writing one or all of them.
#include "params/param_context.h"
#include "params/op_sink.h"
#include "protocol/frame.h"
#include "protocol/result_codes.h"

#include <QByteArray>
#include <QPair>
#include <QVector>
#include <QString>
#include <functional>
#include <QCoreApplication>

class ParamTable;
class ScriptBatch;

class ParamOps {
public:
    // `selectParamChannel` points the device at a parameter set (it decides itself whether to send).
    ParamOps(ParamContext context, std::function<void(int)> selectParamChannel);

    // "读取" on the main tab and on the extended tab. False when nothing could be read.
    bool readMainParams(OpSink &sink);
    bool readExtParams(OpSink &sink);
    // Reads the table(s) the device is addressed to; true when every read succeeded.
    bool readAddressedParams(OpSink &sink);
    // One request/reply exchange and the decoding of its records into `table`.
    bool ReadParamList(ParamTable &table, const QByteArray &readList, OpSink &sink);
    // Builds and sends the parameter request and gathers the reply (empty when nothing came).
    // `error` set when the frame could not be built or sent.
    QByteArray RequestParams(const QByteArray &payload, QString *error);
    // The script conversions of all the records run together: a reply of many rows costs one
    // round trip to the engine, and a conversion that keeps running out of time is given up
    // after two rows instead of holding the read for the limit once per row.
    void DecodeParamRecords(ParamTable &table, const QByteArray &records, OpSink &sink);
    // Stores `value` in its row and shows it, or adds the row's conversion to `batch` (with the
    // row and its evaluation to `converted`). False when the row's value list is malformed (the
    // row's shown value is left alone).
    bool ApplyParamValue(ParamTable &table, uint16_t code, const QByteArray &value, OpSink &sink, ScriptBatch &batch,
                         QVector<QPair<int, int>> &converted);

    // "设置": writes the selected row of the active table.
    int writeSelectedParam(OpSink &sink);
    int WriteSelectedParam(OpSink &sink);
    int WriteParam(const QString &code, OpSink &sink, const QString &progress = QString());

    struct BatchResult {
        int written = 0;
        int failed = 0;
        int skipped = 0;
    };
    // "批量写参数": every coded row of the active table, one write each.
    BatchResult writeAllParams(OpSink &sink);

    static QString ReadingText() { return QCoreApplication::translate("ParamOpsTexts", "[参数读取中，请稍候...]"); }
    static QString ReadDoneText() { return QCoreApplication::translate("ParamOpsTexts", "[参数读取完毕]"); }
    static QString WritingText() { return QCoreApplication::translate("ParamOpsTexts", "正在设置，请稍候..."); }
    static QString WriteResultText(int code);
    // The failure text of a parameter-read reply; empty for a good one.
    static QString ReadFailureText(frame::DataCheck status);
    // How the last read's reply checked: Ok also when the read ended before a reply was asked
    // for (its reason then went to the sink's error or message).
    frame::DataCheck lastReplyCheck() const { return m_lastReplyCheck; }

private:
    bool readPrologue(OpSink &sink);

    ParamContext m_s;
    std::function<void(int)> m_select;
    frame::DataCheck m_lastReplyCheck = frame::DataCheck::Ok;
};

// Dotted IPv4 text to four bytes; empty when it is not four decimal parts 0..255.
QByteArray IpTextToBytes(const QString &text);
