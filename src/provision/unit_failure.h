#pragma once
// Why a unit failed, as a code with its arguments. Records keep both, so that a report counts
// failures by kind and every view (tile, record, dtucfg, report) says them in its user's
// language; the arguments are data (names, values, the device's own texts), never translated.
#include <QString>
#include <QStringList>

namespace failure {
// The codes as stored; new codes may be added, none is ever renamed.
inline const QString kNoAnswer = QStringLiteral("no-answer");                 // detail
inline const QString kOpenFailed = QStringLiteral("open-failed");             // port, reason
inline const QString kPortLost = QStringLiteral("port-lost");                 // port, what was going on
inline const QString kReadFailed = QStringLiteral("read-failed");             // reason
inline const QString kReadBackFailed = QStringLiteral("read-back-failed");    // reason
inline const QString kWriteRefused = QStringLiteral("write-refused");         // name, code, value, reason
inline const QString kWriteNoAnswer = QStringLiteral("write-no-answer");      // name, code, value
// One group of five per row: "wrote" | "expected" | "missing", name, code, value, read back.
inline const QString kReadBackDiffers = QStringLiteral("read-back-differs");
inline const QString kReadBackMissing = QStringLiteral("read-back-missing");
inline const QString kNoValuesLeft = QStringLiteral("no-values-left");        // units file
inline const QString kValueRefused = QStringLiteral("value-refused");         // reason
inline const QString kDbNotAnswering = QStringLiteral("db-not-answering");    // database, reason
inline const QString kDbError = QStringLiteral("db-error");                   // reason
inline const QString kNotRecorded = QStringLiteral("not-recorded");           // reason
inline const QString kGoldenUnreadable = QStringLiteral("golden-unreadable"); // file, reason
inline const QString kScriptUnreadable = QStringLiteral("script-unreadable"); // file, reason
inline const QString kUnknownParam = QStringLiteral("unknown-param");         // name
inline const QString kIdentityEmpty = QStringLiteral("identity-empty");       // name, code
inline const QString kIdentityTwice = QStringLiteral("identity-twice");       // identity, port, other port
inline const QString kStationClosing = QStringLiteral("station-closing");
inline const QString kAlreadyDone = QStringLiteral("already-done");           // a skip, not a failure

// Every code above, in the order a report lists kinds it has no count for.
QStringList Codes();
// The whole text in the current language.
QString Text(const QString &code, const QStringList &args);
// The kind's short name in the current language ("读回不一致"), for counts by kind.
QString KindName(const QString &code);
} // namespace failure
