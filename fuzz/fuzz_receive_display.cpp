// The receive side: chunks as they arrive (split frames, noise, GB18030 cut anywhere) gathered
// into a reply and shown as display lines. Every byte is counted once, the hex part is the
// chunk's, the text part never holds more characters than the chunk had bytes, and a frame
// the gatherer once saw complete stays complete as more bytes come; text that decoded cleanly
// converts back to the very bytes received.
#include "fuzz_common.h"
#include "link/line_get.h"
#include "protocol/frame.h"
#include "state/app_state.h"
#include "text/hex.h"
#include "text/text_codec.h"

namespace {
const QString kMarker = QStringLiteral(" 收到数据：");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::ensureApp();
    static AppState state;
    TLineGet lineGet(state);
    fuzz::Reader in(data, size);
    const bool hexMode = in.byte() & 1;
    // Start near the counter's wrap now and then: it must wrap, never overflow.
    state.ReceivedBytes = (in.byte() & 1) ? INT32_MAX - 3 : 0;

    QByteArray gathered;
    int framePos = -1;
    while (!in.empty()) {
        const QByteArray chunk = in.bytes(1 + in.byte() % 64);
        const int32_t counted = state.ReceivedBytes;
        lineGet.append(chunk);
        const QString line = lineGet.flush(hexMode);
        FUZZ_CHECK(static_cast<uint32_t>(state.ReceivedBytes) ==
                   static_cast<uint32_t>(counted) + static_cast<uint32_t>(chunk.size()));
        const int mark = line.indexOf(kMarker);
        FUZZ_CHECK(mark >= 0);
        QString text = line.mid(mark + kMarker.size());
        if (hexMode) {
            const QString hex = QLatin1Char('{') + HexDump(chunk) + QLatin1Char('}');
            FUZZ_CHECK(text.startsWith(hex));
            text = text.mid(hex.size());
        }
        FUZZ_CHECK(!text.contains(QChar(0)));
        FUZZ_CHECK(text.size() <= chunk.size());
        // The text is the chunk's own: where it decoded cleanly, it converts back to exactly the
        // bytes that came (a NUL shown as 01h, so the text is never cut there).
        if (!text.contains(QChar(0xFFFD))) {
            QByteArray sent = chunk;
            sent.replace('\0', '\x01');
            FUZZ_CHECK(GbkEncode(text) == sent);
        }

        gathered += chunk;
        const int pos = frame::FindCompleteFrame(gathered);
        if (framePos >= 0)
            FUZZ_CHECK(pos >= 0 && pos <= framePos);
        framePos = pos;
    }
    // A flush with nothing appended shows an empty chunk and counts nothing.
    const int32_t counted = state.ReceivedBytes;
    lineGet.flush(hexMode);
    FUZZ_CHECK(state.ReceivedBytes == counted);
    return 0;
}
