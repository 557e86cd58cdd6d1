#include "provision/outbox.h"

#include "platform/durable_write.h"
#include "provision/station_db.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLockFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QUrl>
#include <QUrlQuery>

namespace {
// Another station (or dtucfg) holds the outbox for a short read or rewrite, never for a wait on
// the database.
constexpr int kLockWaitMs = 10000;

QByteArray line(const UnitRecord &r) { return QJsonDocument(r.toJson()).toJson(QJsonDocument::Compact) + '\n'; }
} // namespace

QString Outbox::PathFor(const QString &spec)
{
    const QUrl url(spec);
    if (url.scheme() != QLatin1String("postgresql") && url.scheme() != QLatin1String("postgres"))
        return QFileInfo(spec).absoluteFilePath() + QStringLiteral(".outbox.jsonl");
    // One outbox per server, port, database and user: records kept for one are never stored in another.
    const QUrlQuery q(url);
    const QString host = url.host().isEmpty() ? q.queryItemValue(QStringLiteral("host")) : url.host();
    const int port = url.port() > 0 ? url.port() : q.queryItemValue(QStringLiteral("port")).toInt();
    const QString user = !url.userName().isEmpty() ? url.userName() : q.queryItemValue(QStringLiteral("user"));
    QString name = QStringLiteral("%1-%2-%3-%4").arg(host).arg(port > 0 ? port : 5432).arg(url.path().mid(1), user);
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]"));
    name.replace(unsafe, QStringLiteral("_"));
    return QDir::current().filePath(QStringLiteral("dtucfg-outbox-%1.jsonl").arg(name));
}

bool Outbox::lock(QLockFile &l, QString &error) const
{
    l.setStaleLockTime(0);
    if (l.tryLock(kLockWaitMs))
        return true;
    error = QStringLiteral("%1 is held by another program (lock %2)").arg(m_path, l.fileName());
    return false;
}

bool Outbox::add(const UnitRecord &record, QString &error)
{
    QLockFile l(m_path + QStringLiteral(".lock"));
    if (!lock(l, error))
        return false;
    QFile f(m_path);
    const QByteArray bytes = line(record);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append) || f.write(bytes) != bytes.size() || !f.flush() ||
        !SyncToDisk(f.handle())) {
        error = QStringLiteral("cannot keep the record in %1: %2").arg(m_path, f.errorString());
        return false;
    }
    return true;
}

QList<UnitRecord> Outbox::read(QString &error) const
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
        const QByteArray text = f.readLine().trimmed();
        const QJsonDocument d = QJsonDocument::fromJson(text);
        if (text.isEmpty() || !d.isObject())
            continue;
        UnitRecord r = UnitRecord::fromJson(d.object());
        // Kept before records carried an id: the same line gives the same id on every station.
        if (r.uid.isEmpty())
            r.uid = QStringLiteral("outbox-") + QString::fromLatin1(QCryptographicHash::hash(text, QCryptographicHash::Sha1).toHex());
        out.append(r);
    }
    return out;
}

QList<UnitRecord> Outbox::pending(QString &error) const
{
    QLockFile l(m_path + QStringLiteral(".lock"));
    if (!QFile::exists(m_path))
        return {};
    if (!lock(l, error))
        return {};
    return read(error);
}

int Outbox::flush(StationDb &db, QString &error)
{
    const QList<UnitRecord> waiting = pending(error);
    if (waiting.isEmpty())
        return 0;
    // Stored without holding the outbox: the database may take seconds, and a record appended
    // meanwhile must not wait for it.
    QSet<QString> stored;
    for (UnitRecord r : waiting) {
        r.id = 0;
        if (!db.insert(r, error))
            break;
        stored.insert(r.uid);
    }
    if (stored.isEmpty())
        return 0;
    // Read again under the lock: what another station stored or appended meanwhile counts.
    QLockFile l(m_path + QStringLiteral(".lock"));
    QString rewriteError;
    if (!lock(l, rewriteError)) {
        error = rewriteError;
        return int(stored.size());
    }
    QList<UnitRecord> left;
    for (const UnitRecord &r : read(rewriteError))
        if (!stored.contains(r.uid))
            left.append(r);
    if (rewriteError.isEmpty() && !rewrite(left, rewriteError))
        error = rewriteError;
    else if (!rewriteError.isEmpty())
        error = rewriteError;
    return int(stored.size());
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
        f.write(line(r));
    if (!f.commit()) {
        error = QStringLiteral("cannot write %1: %2").arg(m_path, f.errorString());
        return false;
    }
    return true;
}
