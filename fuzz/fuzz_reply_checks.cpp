// Every reply checker over any bytes, plus round trips of frames built from the input.
// Results stay in range, every piece a checker returns is a piece of the reply, and a good
// frame (behind noise) is always found and decoded to what was put in.
#include "fuzz_common.h"
#include "protocol/frame.h"

namespace {
bool isResult(int v)
{
    return v == rcOk || v == rcRefused || v == rcNoReply || v == rcBadHeader || v == rcBadChecksum;
}

QByteArray withoutHeaderByte(QByteArray b)
{
    b.replace('\xAA', '\x00');
    return b;
}

void anyReply(const QByteArray &reply, uint8_t cmdHigh, int prefixLength)
{
    FUZZ_CHECK(isResult(frame::CheckAck(reply)));

    const uint16_t word = static_cast<uint16_t>(cmdHigh << 8 | 0x04);
    const frame::ByteReply br = frame::CheckByteReply(reply, word);
    FUZZ_CHECK(isResult(br.value) || (br.value >= 0 && br.value <= 255));
    // Never a code of 0: any value not below zero is the reply's value byte.
    if (br.value >= 0)
        FUZZ_CHECK(reply.size() == 9 && static_cast<uint8_t>(reply[6]) == br.value);
    if (br.wrongCommand)
        FUZZ_CHECK(br.value == rcRefused);

    if (const auto text = frame::CheckTextReply(reply)) {
        FUZZ_CHECK(text->isEmpty() || (6 + text->size() <= reply.size() - 2 && reply.mid(6, text->size()) == *text));
    }

    const frame::ParamReply pr = frame::CheckParamReply(reply, cmdHigh, prefixLength);
    if (pr.status == frame::DataCheck::Ok) {
        FUZZ_CHECK(!reply.isEmpty());
        // The record area lies between the header (after the prefix) and the two sum bytes.
        const int header = reply.indexOf(QByteArray("\xAA\x55", 2));
        const QByteArray b = header > 0 ? reply.mid(header) : reply;
        const int start = 6 + prefixLength;
        FUZZ_CHECK(pr.records.isEmpty() ||
                   (start + pr.records.size() <= b.size() - 2 && b.mid(start, pr.records.size()) == pr.records));
    } else {
        FUZZ_CHECK(pr.records.isEmpty());
    }

    const frame::FetchReply fr = frame::CheckFetchReply(reply);
    if (fr.status == frame::DataCheck::Ok) {
        FUZZ_CHECK(5 + fr.content.size() <= reply.size() - 2);
        FUZZ_CHECK(reply.mid(5, fr.content.size()) == fr.content);
    } else {
        FUZZ_CHECK(fr.content.isEmpty());
    }

    // The gatherer's end-of-frame test: a found frame is whole and passes the checkers.
    const int pos = frame::FindCompleteFrame(reply);
    FUZZ_CHECK(pos >= -1 && pos < reply.size());
    if (pos >= 0) {
        const QByteArray tail = reply.mid(pos);
        const int len = static_cast<uint8_t>(tail[2]) * 256 + static_cast<uint8_t>(tail[3]);
        FUZZ_CHECK(len >= 4 && len + 4 <= tail.size());
        FUZZ_CHECK(frame::CheckTextReply(tail).has_value());
        // Its sum is good; a LEN 4 frame with another word is still no acknowledgement.
        FUZZ_CHECK(frame::CheckAck(tail) != rcBadChecksum);
    }
    // More bytes never lose a frame that was already complete.
    if (reply.size() > 1) {
        const int before = frame::FindCompleteFrame(reply.left(reply.size() - 1));
        if (before >= 0)
            FUZZ_CHECK(pos >= 0 && pos <= before);
    }
}

void roundTrip(fuzz::Reader &in)
{
    const QByteArray noise = withoutHeaderByte(in.bytes(in.byte() % 16));
    const QByteArray prefix = in.bytes(in.byte() % 9);
    const uint16_t cmd = in.word();
    const QByteArray payload = in.piece();
    const QByteArray f = frame::Build(prefix, cmd, payload);
    FUZZ_CHECK(f.size() == prefix.size() + payload.size() + 8);

    // A parameter reply carries the command word first and the request's prefix after it.
    const QByteArray paramReply = frame::Build(QByteArray(), cmd, prefix + payload);
    const frame::ParamReply pr = frame::CheckParamReply(noise + paramReply, static_cast<uint8_t>(cmd >> 8), prefix.size());
    FUZZ_CHECK(pr.status == frame::DataCheck::Ok);
    FUZZ_CHECK(pr.records == payload);
    FUZZ_CHECK(frame::FindCompleteFrame(noise + f) == noise.size());
    FUZZ_CHECK(frame::FindCompleteFrame(noise + f + in.piece()) == noise.size());

    const QByteArray plain = frame::Build(QByteArray(), cmd, payload);
    FUZZ_CHECK(frame::CheckTextReply(plain) == std::optional<QByteArray>(payload));
    if ((cmd >> 8) == 0xA2) {
        const frame::FetchReply fr = frame::CheckFetchReply(plain);
        FUZZ_CHECK(fr.status == frame::DataCheck::Ok);
        FUZZ_CHECK(fr.content == QByteArray(1, static_cast<char>(cmd & 0xFF)) + payload);
    }
    const uint8_t value = payload.isEmpty() ? 0 : static_cast<uint8_t>(payload[0]);
    FUZZ_CHECK(frame::CheckByteReply(frame::Build(QByteArray(), cmd, QByteArray(1, char(value))), cmd).value == value);
    FUZZ_CHECK(frame::CheckAck(noise + frame::Build(QByteArray(), 0x00F0, QByteArray())) == rcOk);
    FUZZ_CHECK(frame::CheckAck(noise + frame::Build(QByteArray(), 0x00F1, QByteArray())) == rcRefused);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray reply = fuzz::raw(data, size);
    const uint8_t last = size ? data[size - 1] : 0;
    anyReply(reply, 0xE0, 0);
    anyReply(reply, last, last % 7);
    fuzz::Reader in(data, size);
    roundTrip(in);
    return 0;
}
