// The profile reader's lenient JSON: comments, trailing commas and a byte-order mark allowed.
// Strict JSON reads exactly as the strict parser reads it, a result survives a dump and a
// re-read, and the member helpers stay inside whatever tree comes out.
#include "fuzz_common.h"
#include "profile/profile_session.h"
#include "text/json_text.h"
#include "text/text_codec.h"

using nlohmann::ordered_json;

namespace {
void walk(const ordered_json &v)
{
    (void)JsonValueText(v);
    (void)JsonMemberText(v, "PNAME");
    (void)JsonMemberInt(v, "ExParamChannel");
    const int bound = JsonIndexBound(v);
    FUZZ_CHECK(bound >= 0 && static_cast<size_t>(bound) == (v.is_structured() ? v.size() : 0));
    const auto entries = JsonIndexedEntries(v);
    // Every index comes once, in increasing order, and never more entries than members.
    FUZZ_CHECK(entries.size() <= static_cast<size_t>(bound));
    int last = -1;
    for (const auto &[i, e] : entries) {
        FUZZ_CHECK(i > last && e != nullptr);
        last = i;
        if (i < 64)
            walk(*e);
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = DecodeText(fuzz::raw(data, size)).text;
    QString error;
    const auto lenient = ParseLenientJson(text, &error);
    if (!lenient) {
        FUZZ_CHECK(!error.isEmpty());
    } else {
        const ordered_json again = ordered_json::parse(lenient->dump());
        FUZZ_CHECK(again == *lenient);
        walk(*lenient);
    }
    // Strict JSON: the lenient reader agrees with the strict one.
    const std::string utf8 = text.toStdString();
    const ordered_json strict = ordered_json::parse(utf8, nullptr, false, false);
    if (!strict.is_discarded() && !text.startsWith(QChar(0xFEFF))) {
        FUZZ_CHECK(lenient.has_value());
        FUZZ_CHECK(*lenient == strict);
    }
    return 0;
}
