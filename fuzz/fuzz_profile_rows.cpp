// The profile's row loader with the demo script: every entry of a Params list becomes exactly
// one row whose texts are the entry's members, whatever the entry holds, and a value list
// only ever shows one of its own names. Row expressions come from a fixed set of the script's
// conversions, so the run exercises the loader rather than the script engine.
#include "fuzz_common.h"
#include "params/param_table.h"
#include "params/value_conversions.h"
#include "profile/param_row_loader.h"
#include "profile/profile_session.h"
#include "script/script_host.h"
#include "text/json_text.h"
#include "text/text_codec.h"

using nlohmann::ordered_json;

namespace {
ScriptHost *script()
{
    static ScriptHost *s = [] {
        fuzz::ensureApp();
        auto *h = new ScriptHost(fuzz::kWatchdogMs);
        QString fileError;
        const ScriptResult r = h->evaluateFile(QStringLiteral(DTU_SOURCE_DIR "/examples/script.js"), &fileError);
        if (!r.ok || !fileError.isEmpty())
            std::abort();
        return h;
    }();
    return s;
}

const char *const kGetters[] = {"GetU8()", "GetU16()", "GetU32()", "GetStr()", "GetFloat()", "GetIp()",
                                "GetHex()", "GetPort()", "", "NoSuchFunction()"};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ScriptHost &host = *script();
    const auto root = ParseLenientJson(DecodeText(fuzz::raw(data, size)).text, nullptr);
    if (!root)
        return 0;
    const ordered_json *params = root->is_object() && root->contains("Params") ? &(*root)["Params"] : &*root;
    ParamTable table(false);
    int added = 0;
    for (const auto &[i, entry] : JsonIndexedEntries(*params)) {
        if (i >= 200)
            break;
        if (!entry || !entry->is_object())
            continue;
        ParamRow row = ParamRowFromEntry(*entry);
        FUZZ_CHECK(row.cmdId == JsonMemberText(*entry, "CMDID"));
        row.onGet = QString::fromLatin1(kGetters[static_cast<size_t>(i + row.name.size()) % std::size(kGetters)]);
        if (!conv::IsListForm(row.onList))
            row.onList.clear();
        const QString error = AddParamRow(host, table, row);
        ++added;
        FUZZ_CHECK(table.size() == added);
        const ParamRow &got = table.row(added - 1);
        FUZZ_CHECK(got.cmdId == row.cmdId && got.name == row.name && got.stored == row.stored &&
                   got.onList == row.onList && got.note == row.note);
        if (row.stored.size() < 5)
            FUZZ_CHECK(got.shown.isEmpty() && error.isEmpty());
        if (conv::IsListForm(row.onList) && !got.shown.isEmpty()) {
            QString shown, listError;
            FUZZ_CHECK(ListShownValue(row.onList, row.stored, &shown, &listError));
            FUZZ_CHECK(shown == got.shown);
            const auto list = conv::ParseValueList(row.onList, nullptr);
            // The lenient reader may accept lists the strict one refuses; when both read it, they agree.
            if (list)
                FUZZ_CHECK(list->names.contains(got.shown));
        }
    }
    return 0;
}
