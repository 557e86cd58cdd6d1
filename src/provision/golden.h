#pragma once
// The golden profile as a station uses it: the script evaluated, the profile and its extended
// file loaded (a relative extended file only from the golden's own folder), both required, and
// their contents hashed so that each record says which golden its unit got.
#include <QString>
#include <QStringList>

class CoreSession;

struct GoldenLoad {
    bool ok = false;
    QString failureCode;        // failure:: code when not ok
    QStringList failureArgs;
    QString goldenHash;         // of the golden profile's bytes
    QString extHash;            // of the extended file's bytes; empty without one
    // Both, as one text: the golden a unit got.
    QString combinedHash() const { return extHash.isEmpty() ? goldenHash : goldenHash + QLatin1Char('+') + extHash; }
};

GoldenLoad LoadGolden(CoreSession &core, const QString &scriptPath, const QString &goldenPath);
// A short hash of a file's contents; empty with `error` when it cannot be read.
QString ContentHash(const QString &path, QString &error);
