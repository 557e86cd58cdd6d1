#include "profile/profile_session.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QCoreApplication>

#include "platform/durable_write.h"

namespace {
struct FileTexts {
    Q_DECLARE_TR_FUNCTIONS(FileTexts)
};

QString writeFailure(const QString &path, const QString &why)
{
    return FileTexts::tr("无法写入文件 %1：%2").arg(QDir::toNativeSeparators(path), why);
}

// Overwrites a file's content without truncating it first, and makes it durable.
bool overwrite(QFile &f, const QByteArray &bytes)
{
    return f.seek(0) && f.write(bytes) == bytes.size() && f.resize(bytes.size()) && f.flush() &&
           SyncToDisk(f.handle());
}

// Where the previous content of a file written in place is kept until the write has succeeded:
// the user's data folder, named after the file and its folder so two profiles never share it.
QString recoveryPath(const QString &path)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
                           QStringLiteral("/recovery");
    QDir().mkpath(folder);
    const QByteArray where = QCryptographicHash::hash(QFileInfo(path).absoluteFilePath().toUtf8(), QCryptographicHash::Sha1)
                                 .toHex()
                                 .left(12);
    return folder + QLatin1Char('/') + QFileInfo(path).fileName() + QLatin1Char('.') + QString::fromLatin1(where) +
           QStringLiteral(".bak");
}

// In a folder that takes no temporary file, the file itself is written. Its previous content
// is saved (and synced) first, and put back if the write fails part-way, so the file is never
// left cut short; if even that fails, the error names the saved copy.
bool writeInPlace(const QString &path, const QByteArray &bytes, QString *error)
{
    // Unbuffered: a failed write leaves nothing queued that a later seek or close would retry.
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        *error = writeFailure(path, f.errorString());
        return false;
    }
    const QByteArray previous = f.readAll();
    const QString copyPath = recoveryPath(path);
    QSaveFile copy(copyPath);
    if (!copy.open(QIODevice::WriteOnly) || copy.write(previous) != previous.size() || !copy.commit()) {
        *error = FileTexts::tr("无法写入文件 %1：无法先保存原内容的副本 %2（%3）")
                     .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(copyPath), copy.errorString());
        return false;
    }
    if (overwrite(f, bytes)) {
        QFile::remove(copyPath);
        return true;
    }
    const QString why = f.errorString();
    f.close();
    QFile again(path);
    if (again.open(QIODevice::ReadWrite | QIODevice::Unbuffered) && overwrite(again, previous)) {
        QFile::remove(copyPath);
        *error = writeFailure(path, why);
    } else {
        *error = FileTexts::tr("无法写入文件 %1：%2；原内容保存在 %3")
                     .arg(QDir::toNativeSeparators(path), why, QDir::toNativeSeparators(copyPath));
    }
    return false;
}
} // namespace

bool WriteFileAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    // QSaveFile writes a temporary file beside the target and renames it over the target only
    // when every byte got out; on failure the temporary is removed and the old file stays.
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        // No temporary can be made there (a folder the user may not write to, but a file
        // they may): write the file itself, the only write such a folder allows.
        if (QFile::exists(path))
            return writeInPlace(path, bytes, error);
        *error = writeFailure(path, f.errorString());
        return false;
    }
    if (f.write(bytes) != bytes.size() || !f.commit()) {
        const QString why = f.errorString();
        f.cancelWriting();
        *error = writeFailure(path, why);
        return false;
    }
    return true;
}
