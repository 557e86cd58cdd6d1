#pragma once
// The messages between the program and its script host process: a little-endian 32-bit length,
// one type byte, then the fields. Texts travel as UTF-16, so every character arrives intact.
#include <QByteArray>
#include <QString>

namespace script_wire {

enum Type : char {
    kLimits = 'L',     // program -> host: time limit in ms
    kSetGlobal = 'G',  // program -> host: name, text
    kEvaluate = 'E',   // program -> host: program text; answered by one kResult
    kResult = 'R',     // host -> program: outcome, text
    kDying = 'D',      // host -> program: outcome, the host's last word before it ends
};

// The program's own, never sent by the host: TooMuch, the results of one run together passed
// kMaxRunResultChars; Skipped, not run after kMaxTimeoutsPerRun evaluations of the run timed out.
enum class Outcome : quint8 { Ok, Error, Time, Memory, Crash, TooLong, TooMuch, Skipped };

// Longest message either side accepts; a longer one means the peer is broken.
constexpr quint32 kMaxMessageBytes = 64u * 1024 * 1024;
// Longest result text the host hands back. Nothing the program takes from a script needs more:
// a frame carries at most 65531 bytes, 131062 hex digits.
constexpr qsizetype kMaxResultChars = 256 * 1024;
// Longest the results of one run (a profile's rows, loaded together) may be in all; the rest fail.
constexpr qsizetype kMaxRunResultChars = 8 * 1024 * 1024;
// A run (a profile's rows) whose conversions keep running out of time would hold the program
// for the limit once per row: after this many, the rest are not run.
constexpr int kMaxTimeoutsPerRun = 2;

// Appends one message of `type` with `payload` to `out`.
void AppendMessage(QByteArray *out, char type, const QByteArray &payload);
void PutText(QByteArray *payload, const QString &text);
void PutInt(QByteArray *payload, qint32 value);

// Takes one whole message off the front of `buffer`: 1 when one was taken, 0 when more bytes
// are needed, -1 when the buffer holds no valid message.
int TakeMessage(QByteArray *buffer, char *type, QByteArray *payload);

// Reads fields from a payload in order; any read past the end fails and stays failed.
class Fields {
public:
    explicit Fields(const QByteArray &payload) : m_p(payload) {}
    bool text(QString *out);
    bool integer(qint32 *out);
    bool byte(quint8 *out);

private:
    const QByteArray &m_p;
    qsizetype m_pos = 0;
    bool m_ok = true;
};

} // namespace script_wire
