#pragma once
// One unit attempt as it is recorded and reported.
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QMetaType>
#include <QString>
#include <optional>

struct WrittenParam {
    QString code;
    QString name;
    QString written;    // shown value written
    QString read;       // shown value read back
    QString writtenHex;
    QString readHex;
};

struct UnitRecord {
    enum Result { Passed, Failed, Skipped };

    qint64 id = 0;                      // database row, 0 before it is stored
    QDateTime started;                  // UTC
    QString station;
    QString port;
    QString golden;                     // the golden profile's file name
    QString version;
    QMap<QString, QString> identity;    // code → value the unit held before
    QMap<QString, QString> unique;      // code → value given to it
    QMap<QString, QString> held;        // passed: code → stored value ("HEX:…") of each unique parameter read back
    QList<WrittenParam> params;
    Result result = Failed;
    QString failure;                    // the failure as it was said then (older records: only this)
    QString failureCode;                // failure:: code; empty for a pass or an older record
    QStringList failureArgs;
    qint64 durationMs = 0;
    qint64 bytesOnWire = 0;             // sent and received
    QString unitId;                     // the unit's own identity (the recipe's `identity` row)
    QString goldenHash;                 // content of the golden profile and of its extended file
    QString extHash;
    QString uid;                        // made once per attempt: stored once however often it is sent
    bool reused = false;                // the values are those given to this unit before
    bool answered = false;              // a unit answered on the port (not stored)
    QString fingerprint;                // what a probe of the port sees of this unit (not stored)

    // The failure in the current language.
    QString failureText() const;
    // Sets the failure code, its arguments and the text as said now.
    void fail(const QString &code, const QStringList &args);

    static QString resultText(Result r);
    static std::optional<Result> resultFromText(const QString &text);
    QJsonObject toJson() const;
    // What toJson() gave (the outbox keeps records so).
    static UnitRecord fromJson(const QJsonObject &o);
};

Q_DECLARE_METATYPE(UnitRecord)

// The values a unit was given (its own identity when none were), each named as its written
// parameter is named (by its code when the record has no such parameter).
QList<QPair<QString, QString>> NamedUnitValues(const UnitRecord &r);

QJsonObject StringMapJson(const QMap<QString, QString> &m);
QMap<QString, QString> StringMapFromJson(const QJsonObject &o);
// The written parameters as the report and the database both hold them.
QJsonArray WrittenParamsJson(const QList<WrittenParam> &params);
QList<WrittenParam> WrittenParamsFromJson(const QJsonArray &a);
