#include "provision/golden.h"

#include "provision/unit_failure.h"
#include "session/core_session.h"
#include "text/bounded_read.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

namespace {
// A golden profile and its extended file are some kilobytes.
constexpr qint64 kMostGoldenBytes = 16LL * 1024 * 1024;
} // namespace

QString ContentHash(const QString &path, QString &error)
{
    QByteArray bytes;
    QString why;
    const BoundedRead r = ReadFileBounded(path, kMostGoldenBytes, &bytes, &why);
    if (r != BoundedRead::Ok) {
        error = r == BoundedRead::TooLarge ? QStringLiteral("larger than 16 MB") : why;
        return QString();
    }
    // 64 bits tell goldens apart for a record; the full hash would only be harder to read.
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().left(16));
}

GoldenLoad LoadGolden(CoreSession &core, const QString &scriptPath, const QString &goldenPath)
{
    GoldenLoad g;
    auto fail = [&g](const QString &code, const QStringList &args) {
        g.failureCode = code;
        g.failureArgs = args;
        return g;
    };
    QString fileError;
    const ScriptResult s = core.script.evaluateFile(scriptPath, &fileError);
    if (!fileError.isEmpty())
        return fail(failure::kScriptUnreadable, {scriptPath, fileError});
    if (!s.ok)
        return fail(failure::kScriptUnreadable, {scriptPath, s.error});
    if (!QFileInfo::exists(goldenPath))
        return fail(failure::kGoldenUnreadable, {goldenPath, QStringLiteral("no such file")});
    core.profile.setExtBesideProfile(true);
    const ProfileLoadResult p = core.profile.LoadProfile(goldenPath);
    if (!p.ok)
        return fail(failure::kGoldenUnreadable, {goldenPath, p.error});
    QString error;
    g.goldenHash = ContentHash(goldenPath, error);
    if (g.goldenHash.isEmpty())
        return fail(failure::kGoldenUnreadable, {goldenPath, error});
    if (!p.settings.exParamFile.isEmpty()) {
        // Without its extended rows a unit would pass with part of the golden.
        const QString ext = core.profile.extPath().isEmpty() ? p.settings.exParamFile : core.profile.extPath();
        if (!p.extOk)
            return fail(failure::kGoldenUnreadable, {QFileInfo(goldenPath).absoluteDir().filePath(p.settings.exParamFile),
                                                     p.extError});
        g.extHash = ContentHash(ext, error);
        if (g.extHash.isEmpty())
            return fail(failure::kGoldenUnreadable, {ext, error});
    }
    g.ok = true;
    return g;
}
