#include "provision/outbox.h"

#include "provision/station_db.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUrl>
#include <QUrlQuery>

#include <unistd.h>

QString Outbox::PathFor(const QString &spec)
{
    const QUrl url(spec);
    if (url.scheme() != QLatin1String("postgresql") && url.scheme() != QLatin1String("postgres"))
        return QFileInfo(spec).absoluteFilePath() + QStringLiteral(".outbox.jsonl");
    const QString host = url.host().isEmpty() ? QUrlQuery(url).queryItemValue(QStringLiteral("host")) : url.host();
    QString name = host + QLatin1Char('-') + url.path().mid(1);
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]"));
    name.replace(unsafe, QStringLiteral("_"));
    return QDir::current().filePath(QStringLiteral("dtucfg-outbox-%1.jsonl").arg(name));
}

bool Outbox::add(const UnitRecord &record, QString &error)
{
    QFile f(m_path);
    QByteArray line = QJsonDocument(record.toJson()).toJson(QJsonDocument::Compact) + '\n';
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append) || f.write(line) != line.size() || !f.flush() ||
        ::fsync(f.handle()) != 0) {
        error = QStringLiteral("cannot keep the record in %1: %2").arg(m_path, f.errorString());
        return false;
    }
    return true;
}

QList<UnitRecord> Outbox::pending(QString &error) const
{
    QList<UnitRecord> out;
    QFile f(m_path);
    if (!f.exists())
        return out;
    if (!f.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(m_path, f.errorString());
        return out;
    }
    while (!f.atEnd()) {
        const QByteArray line = f.readLine().trimmed();
        const QJsonDocument d = QJsonDocument::fromJson(line);
        if (!line.isEmpty() && d.isObject())
            out.append(UnitRecord::fromJson(d.object()));
    }
    return out;
}

bool Outbox::rewrite(const QList<UnitRecord> &records, QString &error)
{
    if (records.isEmpty()) {
        if (QFile::exists(m_path) && !QFile::remove(m_path)) {
            error = QStringLiteral("cannot remove %1").arg(m_path);
            return false;
        }
        return true;
    }
    QSaveFile f(m_path);
    if (!f.open(QIODevice::WriteOnly)) {
        error = QStringLiteral("cannot write %1: %2").arg(m_path, f.errorString());
        return false;
    }
    for (const UnitRecord &r : records)
        f.write(QJsonDocument(r.toJson()).toJson(QJsonDocument::Compact) + '\n');
    if (!f.commit()) {
        error = QStringLiteral("cannot write %1: %2").arg(m_path, f.errorString());
        return false;
    }
    return true;
}

int Outbox::flush(StationDb &db, QString &error)
{
    QList<UnitRecord> waiting = pending(error);
    int stored = 0;
    while (!waiting.isEmpty()) {
        UnitRecord r = waiting.first();
        r.id = 0;
        if (!db.insert(r, error))
            break;
        waiting.removeFirst();
        ++stored;
    }
    if (stored > 0) {
        QString rewriteError;
        if (!rewrite(waiting, rewriteError))
            error = rewriteError;
    }
    return stored;
}
