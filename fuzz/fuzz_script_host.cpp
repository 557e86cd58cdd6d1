// Generated scripts, hostile pieces joined with text from the input, against the script host:
// whatever they hold, every evaluation answers within the time limit (plus the host's grace and
// a restart), with a value or a failure text, and the engine answers ordinary work after it.
// The program's own memory is libFuzzer's -rss_limit_mb to watch: the engine's is not ours.
#include "fuzz_common.h"
#include "script/script_host.h"

#include <QElapsedTimer>
#include <QStringList>

namespace {
constexpr int kLimitMs = 500;
// The time limit, the host's grace after it, and starting a fresh host under the sanitizers.
constexpr qint64 kAnswerWithinMs = kLimitMs + 500 + 4000;

// %1: a size from 1 to 2^27; %2: a small count.
const char *const kPieces[] = {
    "var s = 'x'.repeat(%1)",
    "'x'.repeat(%1).replace(/(?:)/g, \"$'\").length",
    "'x'.repeat(%1).split(/(?=([^]*))/).length",
    "JSON.stringify(Array(%2).fill('y'.repeat(%1))).length",
    "var t = new Uint8Array(%1); t[Symbol.isConcatSpreadable] = true; [].concat(t, t, t, t).length",
    "Object.keys('z'.repeat(%1)).length",
    "Object.entries(new Uint8Array(%1)).length",
    "String.raw({raw: {length: %1}}).length",
    "escape('\\u4e00'.repeat(%1)).length",
    "encodeURIComponent('\\u4e00'.repeat(%1)).length",
    "Array.prototype.toLocaleString.call({length: %1})",
    "JSON.parse('['.repeat(%1) + ']'.repeat(%1))",
    "eval('[' + '1,'.repeat(%1) + '0]').length",
    "(function f(n) { return n ? f(n - 1) + 1 : 0; })(%1)",
    "for (var i = 0; i < %1; ++i) {}",
    "var a = []; for (var i = 0; i < %1; ++i) a.push({k: i, s: 'v' + i})",
    "new Uint8Array(new Set([1, 2, %2])).join()",
    "new Uint16Array((function* () { for (var i = 0; i < %2; ++i) yield i; })()).length",
    "new Proxy({}, { get: function () { return %2; } }).x",
    "'('.repeat(%2)",
    "throw %2",
    "new ArrayBuffer(%1).byteLength",
    "Array(%1).join('ab').length",
    "var o = {}; o.self = o; JSON.stringify(o)",
};
constexpr int kPieceCount = sizeof kPieces / sizeof kPieces[0];
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::ensureApp();
    static ScriptHost host(kLimitMs);
    fuzz::Reader in(data, size);
    QStringList parts;
    const int count = 1 + in.byte() % 4;
    for (int i = 0; i < count && !in.empty(); ++i) {
        const int which = in.byte() % (kPieceCount + 1);
        if (which == kPieceCount) {
            parts.append(QString::fromLatin1(in.piece()));  // text as it comes: any syntax
            continue;
        }
        const qint64 big = qint64(1) << (in.byte() % 28);
        const int small = in.byte();
        parts.append(QString::fromLatin1(kPieces[which])
                         .replace(QLatin1String("%1"), QString::number(big))
                         .replace(QLatin1String("%2"), QString::number(small)));
    }
    const QString program = parts.join(QStringLiteral(";\n"));

    QElapsedTimer t;
    t.start();
    const ScriptResult r = host.evaluate(program);
    FUZZ_CHECK(t.elapsed() < kAnswerWithinMs);
    FUZZ_CHECK(r.ok || !r.error.isEmpty());
    t.restart();
    const ScriptResult after = host.evaluate(QStringLiteral("6 * 7"));
    FUZZ_CHECK(t.elapsed() < kAnswerWithinMs);
    FUZZ_CHECK(after.ok && after.text == QLatin1String("42"));
    return 0;
}
