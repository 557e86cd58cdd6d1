// The parameter-record decoder: a reply's record area applied to the demo profile's tables.
// Rows are never added or removed, every stored value stays "HEX:" + upper-case digit pairs,
// and records built from (code, value) pairs decode to exactly those values.
#include "fuzz_common.h"
#include "params/param_ops.h"
#include "params/op_sink.h"
#include "session/core_session.h"
#include "text/hex.h"

#include <QRegularExpression>

namespace {
CoreSession *session()
{
    static CoreSession *s = [] {
        fuzz::ensureApp();
        auto *cs = new CoreSession;
        cs->script.setWatchdogMs(fuzz::kWatchdogMs);
        QString fileError;
        cs->script.evaluateFile(QStringLiteral(DTU_SOURCE_DIR "/examples/script.js"), &fileError);
        const ProfileLoadResult r = cs->profile.LoadProfile(QStringLiteral(DTU_SOURCE_DIR "/examples/demo_profile.txt"));
        if (!r.ok || cs->mainTable.size() == 0 || !fileError.isEmpty()) {
            std::fprintf(stderr, "demo profile did not load: %s\n", qPrintable(r.error + fileError));
            std::abort();
        }
        return cs;
    }();
    return s;
}

bool storedWellFormed(const QString &stored)
{
    static const QRegularExpression form(QStringLiteral("^HEX:([0-9A-F]{2})*$"));
    return form.match(stored).hasMatch();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    CoreSession &s = *session();
    ParamTable &table = s.mainTable;
    ParamOps ops(s.params(), nullptr);
    RecordingSink sink;
    const int rows = table.size();
    const QVector<ParamRow> before = table.rows();

    ops.DecodeParamRecords(table, fuzz::raw(data, size), sink);
    FUZZ_CHECK(table.size() == rows);
    for (int i = 0; i < rows; ++i) {
        const ParamRow &r = table.row(i);
        FUZZ_CHECK(r.cmdId == before.at(i).cmdId && r.onGet == before.at(i).onGet);
        if (r.stored != before.at(i).stored)
            FUZZ_CHECK(storedWellFormed(r.stored) && !r.cmdId.isEmpty());
    }

    // Well-formed records for coded rows decode to their values.
    fuzz::Reader in(data, size);
    QByteArray records;
    QVector<QPair<int, QByteArray>> wanted;
    while (!in.empty() && wanted.size() < 8) {
        const int i = in.byte() % rows;
        const QString code = table.row(i).cmdId;
        const QByteArray value = in.bytes(in.byte() % 32);
        if (code.size() != 4 || table.findByCode(code) != i)
            continue;
        const int word = HexToInt(code);
        records += WordToBytes(static_cast<uint16_t>(value.size() + 2)) + WordToBytes(static_cast<uint16_t>(word)) + value;
        wanted.append({i, value});
    }
    ops.DecodeParamRecords(table, records, sink);
    QHash<int, QByteArray> last;
    for (const auto &w : wanted)
        last[w.first] = w.second;
    for (auto it = last.cbegin(); it != last.cend(); ++it)
        FUZZ_CHECK(table.row(it.key()).stored == QStringLiteral("HEX:") + StrToHexText(it.value()));
    return 0;
}
