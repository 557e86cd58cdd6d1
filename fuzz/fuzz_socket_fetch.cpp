// The socket test's fetched-reply parser: any reply gives a failure text or the content that
// lies inside the frame, agrees with the protocol's own fetch check, and a built fetch reply
// comes back whole. The port and address texts of the same window ride along.
#include "fuzz_common.h"
#include "params/param_ops.h"
#include "protocol/frame.h"
#include "tools/socket_frames.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray reply = fuzz::raw(data, size);
    const socketcmd::FetchResult r = socketcmd::CheckFetchReply(reply);
    FUZZ_CHECK(r.ok == r.failText.isEmpty());
    if (r.ok) {
        FUZZ_CHECK(5 + r.content.size() <= reply.size() - 2);
        FUZZ_CHECK(reply.mid(5, r.content.size()) == r.content);
    } else {
        FUZZ_CHECK(r.content.isEmpty());
    }
    const frame::FetchReply fr = frame::CheckFetchReply(reply);
    const int len = size >= 4 ? data[2] * 256 + data[3] : 0;
    if (len >= 3 || !r.ok) {
        FUZZ_CHECK(r.ok == (fr.status == frame::DataCheck::Ok && len >= 3));
        if (r.ok)
            FUZZ_CHECK(r.content == fr.content);
    }

    fuzz::Reader in(data, size);
    const QByteArray payload = in.piece();
    const QByteArray built = frame::Build(QByteArray(), static_cast<uint16_t>(socketcmd::kFetchReply << 8 | in.byte()), payload);
    const socketcmd::FetchResult back = socketcmd::CheckFetchReply(built);
    FUZZ_CHECK(back.ok && back.content == built.mid(5, payload.size() + 1));

    const QString text = QString::fromLatin1(in.rest());
    const uint16_t word = in.word();
    FUZZ_CHECK(socketcmd::PortOf(QStringLiteral(" %1 ").arg(word)) == word);
    if (const auto port = socketcmd::PortOf(text))
        FUZZ_CHECK(text.trimmed().toInt() == *port);
    const QByteArray ip = IpTextToBytes(text);
    FUZZ_CHECK(ip.isEmpty() || ip.size() == 4);
    const QByteArray create = socketcmd::CreatePayload(1, 2, 3, text);
    FUZZ_CHECK(create.size() == 5 + ip.size());
    return 0;
}
