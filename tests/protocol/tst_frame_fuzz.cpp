// Bounded fuzzing of the reply checkers: random bytes, frame-like bytes and mutated valid
// frames from a fixed seed. Every checker must stay inside the reply (the sanitizer build
// catches any stray read) and keep its results within their ranges.
#include "protocol/frame.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {
constexpr int kIterations = 200000;
constexpr int kMaxLength = 300;

const uint16_t kWords[] = {0x00F0, 0x00F1, 0xE004, 0xE023, 0xE00E, 0xE081, 0xA200, 0xA2FF, 0x1234};

class Fuzzer {
public:
    explicit Fuzzer(quint32 seed) : m_rng(seed) {}

    int below(int n) { return n <= 0 ? 0 : static_cast<int>(m_rng.bounded(static_cast<quint32>(n))); }

    char interestingByte()
    {
        static const char pool[] = {'\x00', '\xAA', '\x55', '\xF0', '\xF1', '\x04', '\x05', '\xE0', '\xFF', '\xA2'};
        return below(3) == 0 ? static_cast<char>(below(256)) : pool[below(sizeof pool)];
    }

    QByteArray randomBytes(int n, bool interesting)
    {
        QByteArray b(n, '\0');
        for (int i = 0; i < n; ++i)
            b[i] = interesting ? interestingByte() : static_cast<char>(below(256));
        return b;
    }

    QByteArray validFrame(QByteArray *payloadOut = nullptr, uint16_t *wordOut = nullptr)
    {
        const uint16_t word = kWords[below(sizeof kWords / sizeof kWords[0])];
        const QByteArray payload = randomBytes(below(kMaxLength - 8), below(2) == 0);
        if (payloadOut)
            *payloadOut = payload;
        if (wordOut)
            *wordOut = word;
        return frame::Build(QByteArray(), word, payload);
    }

    QByteArray mutate(QByteArray b)
    {
        const int steps = 1 + below(3);
        for (int s = 0; s < steps; ++s) {
            switch (below(8)) {
            case 0: if (!b.isEmpty()) b[below(b.size())] = static_cast<char>(b[below(b.size())] ^ (1 << below(8))); break;
            case 1: b.insert(below(b.size() + 1), interestingByte()); break;
            case 2: if (!b.isEmpty()) b.remove(below(b.size()), 1 + below(4)); break;
            case 3: b.truncate(below(b.size() + 1)); break;
            case 4: b.append(randomBytes(1 + below(8), true)); break;
            case 5: b.prepend(randomBytes(1 + below(4), true)); break;
            case 6: // LEN anywhere from 0 to far past the end
                if (b.size() >= 4) {
                    const int len = below(3) == 0 ? below(65536) : std::max(0, int(b.size()) - 8 + below(9));
                    b[2] = static_cast<char>((len >> 8) & 0xFF);
                    b[3] = static_cast<char>(len & 0xFF);
                }
                break;
            default: if (!b.isEmpty()) b[below(b.size())] = interestingByte(); break;
            }
        }
        return b.left(kMaxLength);
    }

private:
    QRandomGenerator m_rng;
};

bool inRange(frame::DataCheck s)
{
    switch (s) {
    case frame::DataCheck::Ok:
    case frame::DataCheck::NoReply:
    case frame::DataCheck::BadHeader:
    case frame::DataCheck::BadCommand:
    case frame::DataCheck::BadChecksum:
        return true;
    }
    return false;
}

// Checks the invariants of every checker for one input; returns a description of the first
// broken one, or an empty string.
QString checkAll(const QByteArray &in)
{
    const ResultCode ack = frame::CheckAck(in);
    if (ack > rcOk || ack < rcBadChecksum)
        return QStringLiteral("ack code %1").arg(int(ack));
    if (ack == rcOk && !in.contains(QByteArray::fromHex("AA55000400F000F4")))
        return QStringLiteral("ack ok without an accepting frame");
    if (ack == rcRefused && !in.contains(QByteArray::fromHex("AA55000400F100F5")))
        return QStringLiteral("ack refused without a refusing frame");

    for (uint16_t word : {uint16_t(0xE004), uint16_t(0xE023)}) {
        const frame::ByteReply br = frame::CheckByteReply(in, word);
        if (br.value < rcBadChecksum || br.value > 255)
            return QStringLiteral("byte value %1").arg(br.value);
        if (br.wrongCommand && br.value >= 0)
            return QStringLiteral("wrong command with a value");
        if (br.value >= 0
            && (in.size() != 9 || !in.startsWith(QByteArray::fromHex("AA550005") + char(word >> 8) + char(word & 0xFF))
                || static_cast<uint8_t>(in[6]) != br.value))
            return QStringLiteral("byte value from a frame that is not a one-byte reply");
    }

    const std::optional<QByteArray> text = frame::CheckTextReply(in);
    if (text) {
        if (text->size() > std::max<qsizetype>(0, in.size() - 8))
            return QStringLiteral("text longer than the frame holds");
        if (!in.startsWith(QByteArray::fromHex("AA55")) || in.mid(6, text->size()) != *text)
            return QStringLiteral("text not taken from offset 6");
    }

    for (int prefix : {0, 2, 7}) {
        const frame::ParamReply pr = frame::CheckParamReply(in, 0xE0, prefix);
        if (!inRange(pr.status))
            return QStringLiteral("param status out of range");
        if (pr.records.size() > in.size())
            return QStringLiteral("records longer than the input");
        if (pr.status != frame::DataCheck::Ok && !pr.records.isEmpty())
            return QStringLiteral("records from a failed check");
        if (!pr.records.isEmpty() && !in.contains(pr.records))
            return QStringLiteral("records not taken from the input");
    }

    const frame::FetchReply fr = frame::CheckFetchReply(in);
    if (!inRange(fr.status))
        return QStringLiteral("fetch status out of range");
    if (fr.content.size() > in.size())
        return QStringLiteral("fetch content longer than the input");
    if (fr.status != frame::DataCheck::Ok && !fr.content.isEmpty())
        return QStringLiteral("fetch content from a failed check");
    if (fr.status == frame::DataCheck::Ok && in.mid(5, fr.content.size()) != fr.content)
        return QStringLiteral("fetch content not taken from offset 5");
    return QString();
}
} // namespace

class TestFrameFuzz : public QObject {
    Q_OBJECT
private slots:
    void validFramesRoundTrip()
    {
        Fuzzer f(20240102);
        for (int i = 0; i < 5000; ++i) {
            QByteArray payload;
            uint16_t word = 0;
            const QByteArray fr = f.validFrame(&payload, &word);
            QCOMPARE(frame::CheckTextReply(fr), std::optional<QByteArray>(payload));
            const frame::ParamReply pr = frame::CheckParamReply(fr, static_cast<uint8_t>(word >> 8), 0);
            QCOMPARE(pr.status, frame::DataCheck::Ok);
            QCOMPARE(pr.records, payload);
            // Noise in front is dropped by the searching checkers only.
            const QByteArray noisy = QByteArray::fromHex("0102") + fr;
            QCOMPARE(frame::CheckParamReply(noisy, static_cast<uint8_t>(word >> 8), 0).records, payload);
            QVERIFY(!frame::CheckTextReply(noisy));
            const QString broken = checkAll(fr);
            QVERIFY2(broken.isEmpty(), qPrintable(broken));
        }
    }

    void randomAndMutatedInputsKeepInvariants()
    {
        Fuzzer f(0x5EED1234u);
        int accepted = 0;  // inputs some checker took as good: the generator must reach them
        for (int i = 0; i < kIterations; ++i) {
            QByteArray in;
            switch (i % 4) {
            case 0: in = f.randomBytes(f.below(kMaxLength + 1), false); break;
            case 1: in = QByteArray::fromHex("AA55") + f.randomBytes(f.below(kMaxLength - 1), true); break;
            default: in = f.mutate(f.validFrame()); break;
            }
            const QString broken = checkAll(in);
            if (!broken.isEmpty())
                QFAIL(qPrintable(QStringLiteral("%1 for input %2").arg(broken, QString::fromLatin1(in.toHex(' ')))));
            if (frame::CheckTextReply(in))
                ++accepted;
        }
        QVERIFY(accepted > kIterations / 100);
    }
};

QTEST_APPLESS_MAIN(TestFrameFuzz)
#include "tst_frame_fuzz.moc"
