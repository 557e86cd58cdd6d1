#include "dashboard/dashboard_auth.h"
#include "dashboard/http_front.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

namespace dashauth {
bool ReadToken(const QString &path, QByteArray &token, QString &error)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        error = QStringLiteral("the token file %1 %2").arg(path, info.exists() ? QStringLiteral("is not a regular file")
                                                                                : QStringLiteral("does not exist"));
        return false;
    }
    QFile f(path);
    if (info.size() > 4096 || !f.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read the token file %1: %2").arg(path, info.size() > 4096 ? QStringLiteral("larger than 4 kB") : f.errorString());
        return false;
    }
    token = f.readAll().trimmed();
    if (token.size() < 16 || token.contains('\n') || token.contains(' ') || token.contains(';')) {
        error = QStringLiteral("the token in %1 must be one word of at least 16 characters (dtucfg dashboard --new-token FILE makes one)").arg(path);
        return false;
    }
    return true;
}

bool WriteNewToken(const QString &path, QString &error)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        error = QStringLiteral("cannot write a new token to %1: %2").arg(path, QFileInfo::exists(path) ? QStringLiteral("the file exists (remove it first)") : f.errorString());
        return false;
    }
    // Its owner's alone before the secret is in it.
    if (!f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        error = QStringLiteral("cannot make %1 readable by its owner alone: %2").arg(path, f.errorString());
        f.remove();
        return false;
    }
    QByteArray raw(32, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(raw.data()), raw.size() / 4);
    const QByteArray token = raw.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
    if (f.write(token + '\n') != token.size() + 1 || !f.flush()) {
        error = QStringLiteral("cannot write the token to %1: %2").arg(path, f.errorString());
        f.remove();
        return false;
    }
    return true;
}

bool Same(const QByteArray &given, const QByteArray &token)
{
    // Digests of equal length, compared in full: the time says nothing about the token.
    const QByteArray a = QCryptographicHash::hash(given, QCryptographicHash::Sha256);
    const QByteArray b = QCryptographicHash::hash(token, QCryptographicHash::Sha256);
    unsigned char diff = 0;
    for (int i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a.at(i) ^ b.at(i));
    return diff == 0 && !token.isEmpty();
}

bool Carries(const HttpRequest &request, const QByteArray &token)
{
    const QByteArray authorization = request.header("authorization");
    if (authorization.startsWith("Bearer "))
        return Same(authorization.mid(7).trimmed(), token);
    for (const auto &[name, value] : request.headers) {
        if (name != "cookie")
            continue;
        for (const QByteArray &part : value.split(';')) {
            const QByteArray p = part.trimmed();
            if (p.startsWith(QByteArray(kCookie) + '='))
                return Same(p.mid(int(qstrlen(kCookie)) + 1), token);
        }
    }
    return false;
}
} // namespace dashauth
