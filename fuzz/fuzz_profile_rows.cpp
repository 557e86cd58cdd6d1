// The profile loader itself, from the file on: every entry of a Params list (an array, or an
// object keyed by indexes, gaps and all) becomes exactly one row in index order whose texts are
// the entry's members, a non-object entry an empty row with a reason, and a value list only
// ever shows one of its own names. The input's row expressions are swapped for a fixed set of
// the demo script's conversions first, so the run exercises the loader rather than the engine.
#include "fuzz_common.h"
#include "params/param_table.h"
#include "params/value_conversions.h"
#include "profile/button_table.h"
#include "profile/param_row_loader.h"
#include "profile/profile_session.h"
#include "script/script_host.h"
#include "state/app_state.h"
#include "text/json_text.h"
#include "text/text_codec.h"

#include <QDir>
#include <QFile>

using nlohmann::ordered_json;

namespace {
struct Loader {
    AppState state;
    ScriptHost script{fuzz::kWatchdogMs};
    ParamTable mainTable{false};
    ParamTable extTable{true};
    ButtonTable buttons;
    ProfileSession profile{state, script, mainTable, extTable, buttons};
    QString path = QDir::temp().filePath(QStringLiteral("fuzz_profile_rows_%1.txt").arg(QCoreApplication::applicationPid()));
};

Loader &loader()
{
    static Loader *l = [] {
        fuzz::ensureApp();
        auto *made = new Loader;
        QString fileError;
        const ScriptResult r = made->script.evaluateFile(QStringLiteral(DTU_SOURCE_DIR "/examples/script.js"), &fileError);
        if (!r.ok || !fileError.isEmpty())
            std::abort();
        return made;
    }();
    return *l;
}

const char *const kGetters[] = {"GetU8()", "GetU16()", "GetU32()", "GetStr()", "GetFloat()", "GetIp()",
                                "GetHex()", "GetPort()", "", "NoSuchFunction()"};

// Every object entry gets an expression from the fixed set and keeps a value list only in list form.
void fixExpressions(ordered_json &params)
{
    size_t n = 0;
    for (auto &entry : params) {
        if (!entry.is_object())
            continue;
        entry["ONGET"] = kGetters[n++ % std::size(kGetters)];
        entry["ONSET"] = "";
        const auto list = entry.find("ONLIST");
        if (list != entry.end() && !(list->is_string() && conv::IsListForm(QString::fromStdString(list->get<std::string>()))))
            entry.erase(list);
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Loader &l = loader();
    const auto parsed = ParseLenientJson(DecodeText(fuzz::raw(data, size)).text, nullptr);
    if (!parsed)
        return 0;
    ordered_json params = parsed->is_object() && parsed->contains("Params") ? (*parsed)["Params"] : *parsed;
    if (!params.is_array() && !params.is_object())
        return 0;
    if (JsonIndexBound(params) > 200)
        return 0;
    fixExpressions(params);
    ordered_json root = ordered_json::object();
    root["Params"] = params;
    {
        QFile f(l.path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        const std::string text = root.dump(1, ' ', false, ordered_json::error_handler_t::replace);
        f.write(text.data(), static_cast<qint64>(text.size()));
    }
    const ProfileLoadResult result = l.profile.LoadProfile(l.path);
    FUZZ_CHECK(result.ok);

    // What the file holds after the write, read back the way the loader read it.
    const auto written = ParseLenientJson(QString::fromStdString(root.dump()), nullptr);
    FUZZ_CHECK(written.has_value());
    const auto entries = JsonIndexedEntries((*written)["Params"]);
    FUZZ_CHECK(l.mainTable.size() == int(entries.size()));
    int nonObjects = 0;
    for (size_t k = 0; k < entries.size(); ++k) {
        const ordered_json &entry = *entries[k].second;
        const ParamRow &got = l.mainTable.row(int(k));
        if (!entry.is_object()) {
            ++nonObjects;
            FUZZ_CHECK(got.cmdId.isEmpty() && got.name.isEmpty() && got.stored.isEmpty());
            continue;
        }
        FUZZ_CHECK(got.cmdId == JsonMemberText(entry, "CMDID"));
        FUZZ_CHECK(got.name == JsonMemberText(entry, "PNAME"));
        FUZZ_CHECK(got.stored == JsonMemberText(entry, "PVALUE"));
        FUZZ_CHECK(got.note == JsonMemberText(entry, "PNOTE"));
        if (conv::IsListForm(got.onList) && !got.shown.isEmpty()) {
            QString shown, listError;
            FUZZ_CHECK(ListShownValue(got.onList, got.stored, &shown, &listError));
            FUZZ_CHECK(shown == got.shown);
            const auto list = conv::ParseValueList(got.onList, nullptr);
            // The lenient reader may accept lists the strict one refuses; when both read it, they agree.
            if (list)
                FUZZ_CHECK(list->names.contains(got.shown));
        }
    }
    // Each entry that is not an object is named among the load's errors.
    FUZZ_CHECK(result.entryErrors.size() >= nonObjects);
    return 0;
}
