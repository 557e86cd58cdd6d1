#pragma once
// The dashboard's answers as JSON (and the units as CSV), computed on a database thread from
// the floor's records. The pages draw these; a factory's own systems read them at /api/….
#include "text/language.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUrlQuery>

class StationDb;

namespace dashapi {
// One question: the page ("floor", "failures", "units", "units.csv", "unit"), its query and the
// language the answer's texts are in.
struct Call {
    QString page;
    QUrlQuery query;
    UiLanguage language = UiLanguage::Chinese;
    QDateTime now;   // UTC
};

// A station quiet this long while its span runs is marked.
constexpr int kQuietMinutes = 10;
// The most records one CSV export holds, and the longest it may take.
constexpr int kMaxCsvRows = 100000;
constexpr int kCsvMs = 60000;

bool IsPage(const QString &page);
// Whether the answer depends on the clock as well as on the records (a running span).
bool FollowsClock(const Call &call);
// The query in one canonical order, for caching one answer per question.
QString CacheKey(const Call &call);

struct Answer {
    int status = 200;
    QByteArray contentType;
    QByteArray body;
};

// Runs `call` against `db`; false with `error` when the database failed (a bad query is a 400
// answer, not a failure).
bool Render(StationDb &db, const Call &call, Answer &answer, QString &error);
} // namespace dashapi
