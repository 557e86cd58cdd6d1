// The simulator's frame splitter: a stream cut into chunks anyhow. Nothing is lost or made up
// (the pieces put together are the stream), every frame piece is a whole frame with a good
// sum, and the frames found do not depend on how the stream was cut.
#include "fuzz_common.h"
#include "protocol/frame.h"
#include "sim/frame_splitter.h"

namespace {
struct Split {
    QByteArray joined;
    QVector<QByteArray> frames;
};

void collect(Split &s, const QVector<FrameSplitter::Piece> &pieces)
{
    for (const auto &p : pieces) {
        FUZZ_CHECK(!p.bytes.isEmpty());
        s.joined += p.bytes;
        if (!p.isFrame)
            continue;
        const int len = static_cast<uint8_t>(p.bytes[2]) * 256 + static_cast<uint8_t>(p.bytes[3]);
        FUZZ_CHECK(p.bytes.size() == len + 4 && len >= 4 && len <= FrameSplitter::kMaxLen);
        FUZZ_CHECK(frame::FindCompleteFrame(p.bytes) == 0);
        s.frames.append(p.bytes);
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t cut = data[0];
    const QByteArray stream = fuzz::raw(data + 1, size - 1);

    Split whole;
    FrameSplitter a;
    a.feed(stream);
    collect(whole, a.take());
    collect(whole, a.take(true));
    FUZZ_CHECK(!a.holding());
    FUZZ_CHECK(whole.joined == stream);

    Split chunked;
    FrameSplitter b;
    const int step = 1 + cut % 17;
    for (int i = 0; i < stream.size(); i += step) {
        b.feed(stream.mid(i, step));
        collect(chunked, b.take());
    }
    collect(chunked, b.take(true));
    FUZZ_CHECK(chunked.joined == stream);
    FUZZ_CHECK(chunked.frames == whole.frames);
    return 0;
}
