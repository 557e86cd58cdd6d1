// The command window's descriptions (PACKET / HEX / ASCII) as a profile's ONCLICK gives them.
// The description text reaches the runner unchanged (as a string literal), so the run covers
// the description reader and the byte builders, not the script engine.
#include "fuzz_common.h"
#include "profile/command_runner.h"
#include "profile/profile_session.h"
#include "protocol/frame.h"
#include "script/script_host.h"
#include "session/core_session.h"
#include "text/hex.h"
#include "text/json_text.h"
#include "text/text_codec.h"

namespace {
CoreSession *session()
{
    static CoreSession *s = [] {
        fuzz::ensureApp();
        auto *cs = new CoreSession;
        cs->script.setWatchdogMs(fuzz::kWatchdogMs);
        QString fileError;
        if (!cs->script.evaluateFile(QStringLiteral(DTU_SOURCE_DIR "/examples/script.js"), &fileError).ok)
            std::abort();
        return cs;
    }();
    return s;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    CoreSession &s = *session();
    CommandRunner runner(s.device());
    const QString description = DecodeText(fuzz::raw(data, size)).text;
    const OutgoingCommand out = runner.BuildOutgoing(JsStringLiteral(description));

    const auto root = ParseLenientJson(description, nullptr);
    if (!root || !root->is_object()) {
        FUZZ_CHECK(!out.ok && !out.error.isEmpty() && out.bytes.isEmpty());
        return 0;
    }
    FUZZ_CHECK(out.ok);
    const QString type = JsonMemberText(*root, "TYPE");
    const QString cmd = JsonMemberText(*root, "CMD");
    const QString hexData = JsonMemberText(*root, "DATA");
    if (type == QLatin1String("HEX")) {
        FUZZ_CHECK(out.bytes == HexTextToBytes(hexData));
        FUZZ_CHECK(out.logLine == QStringLiteral("下行HEX：") + hexData);
    } else if (type == QLatin1String("ASCII")) {
        FUZZ_CHECK(out.bytes == GbkEncode(cmd));
        FUZZ_CHECK(out.logLine == QStringLiteral("下行ASCII：") + cmd);
    } else if (type == QLatin1String("PACKET")) {
        // The demo script's prefix is empty: the frame carries the command word and DATA's bytes.
        FUZZ_CHECK(frame::CheckTextReply(out.bytes) == std::optional<QByteArray>(HexTextToBytes(hexData)));
        const int word = (HexToInt(cmd.mid(0, 2)) & 0xFF) * 256 + (HexToInt(cmd.mid(2, 2)) & 0xFF);
        FUZZ_CHECK(out.bytes.mid(4, 2) == WordToBytes(static_cast<uint16_t>(word)));
        FUZZ_CHECK(frame::FindCompleteFrame(out.bytes) == 0);
    } else {
        FUZZ_CHECK(out.bytes.isEmpty());
    }
    return 0;
}
