// The built-in value conversions and the in-place editor's text checks: typed text and value
// lists from anywhere. Conversions give hex digit pairs, round trip where the code page
// allows, and a list choice gives the value listed for that name.
#include "fuzz_common.h"
#include "params/param_editor_logic.h"
#include "params/param_row.h"
#include "params/value_conversions.h"
#include "script/script_host.h"
#include "text/hex.h"
#include "text/text_codec.h"

#include <QRegularExpression>
#include <cmath>

namespace {
bool isDigitPairs(const QString &s)
{
    return s.size() % 2 == 0 && IsHexText(s) && s == s.toUpper();
}

QString textOf(fuzz::Reader &in)
{
    return DecodeText(in.piece()).text;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::Reader in(data, size);
    const QString hex = QString::fromLatin1(in.piece());
    const QString typed = textOf(in);

    // Stored digits to text and back: clean GB18030 text returns its own bytes.
    const QString shown = conv::GetStr(hex);
    if (!shown.contains(QChar(0xFFFD)) && IsHexText(hex))
        FUZZ_CHECK(conv::SetStr(shown) == StrToHexText(HexTextToBytes(hex)));
    FUZZ_CHECK(isDigitPairs(conv::SetStr(typed)));

    const QString f = conv::GetFloat(hex);
    bool ok = false;
    f.toDouble(&ok);
    FUZZ_CHECK(ok || f.contains(QLatin1String("nan"), Qt::CaseInsensitive) || f.contains(QLatin1String("inf")));
    if (const auto set = conv::SetFloat(typed)) {
        FUZZ_CHECK(set->size() == 8 && isDigitPairs(*set));
        // Back through GetFloat: the same single-precision value, to three decimals.
        const double want = static_cast<double>(static_cast<float>(typed.trimmed().toDouble()));
        if (std::isfinite(want) && std::fabs(want) < 1e9)
            FUZZ_CHECK(std::fabs(conv::GetFloat(*set).toDouble() - want) <= 0.0005 + std::fabs(want) * 1e-6);
    }

    // Typed text through the built-in setters, as the editor stores it.
    fuzz::ensureApp();
    static ScriptHost host(fuzz::kWatchdogMs);
    ParamRow strRow;
    strRow.cmdId = QStringLiteral("0002");
    strRow.onSet = QStringLiteral("SetStr()");
    const auto asText = ConvertTypedText(host, strRow, typed);
    FUZZ_CHECK(asText && asText->shown == typed && asText->stored == QStringLiteral("HEX:") + conv::SetStr(typed));
    strRow.onSet = QStringLiteral("SetFloat()");
    const auto asFloat = ConvertTypedText(host, strRow, typed);
    FUZZ_CHECK(asFloat.has_value() == conv::SetFloat(typed).has_value());

    static const QRegularExpression nan(QStringLiteral("nan"), QRegularExpression::CaseInsensitiveOption);
    FUZZ_CHECK(!conv::ReplaceNan(typed).contains(nan));

    // A value list typed into a profile, and a choice from it.
    ParamRow row;
    row.cmdId = QStringLiteral("0001");
    row.onList = typed;
    row.stored = QStringLiteral("HEX:") + hex;
    QString error;
    const auto list = conv::ParseValueList(typed, &error);
    if (list) {
        FUZZ_CHECK(list->names.size() == list->values.size());
        const int k = conv::MatchStored(*list, row.stored);
        FUZZ_CHECK(k >= -1 && k < list->values.size());
        if (k >= 0)
            FUZZ_CHECK(QStringLiteral("HEX:") + list->values.at(k) == row.stored);
        if (!list->names.isEmpty()) {
            const QString choice = list->names.at(in.byte() % list->names.size());
            const auto picked = ConvertListChoice(row, choice, &error);
            FUZZ_CHECK(picked.has_value() && picked->shown == choice);
            FUZZ_CHECK(list->values.contains(picked->stored.mid(4)));
            FUZZ_CHECK(list->values.at(list->names.lastIndexOf(choice)) == picked->stored.mid(4));
        }
    } else {
        FUZZ_CHECK(!error.isEmpty());
        FUZZ_CHECK(!ConvertListChoice(row, typed, &error).has_value());
    }

    // The editor's character filter: Backspace always passes, an empty mask lets all through.
    const QString mask = textOf(in);
    for (QChar c : typed.left(32)) {
        FUZZ_CHECK(CharAllowed(c, QString()));
        FUZZ_CHECK(CharAllowed(c, mask) == (mask.isEmpty() || c.unicode() == 8 || mask.contains(c)));
    }
    FUZZ_CHECK(CharAllowed(QChar(8), mask));
    return 0;
}
