#include "profile/profile_session.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

bool WriteFileAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    // QSaveFile writes a temporary file beside the target and renames it over the target only
    // when every byte got out; on failure the temporary is removed and the old file stays.
    // In a folder the user may not write to, no temporary can be made there: the file itself
    // is then written in place, which is all a writable file in such a folder allows.
    QSaveFile f(path);
    f.setDirectWriteFallback(true);
    if (!f.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("无法写入文件 %1：%2").arg(QDir::toNativeSeparators(path), f.errorString());
        return false;
    }
    if (f.write(bytes) != bytes.size() || !f.commit()) {
        const QString why = f.errorString();
        f.cancelWriting();
        if (error)
            *error = QStringLiteral("无法写入文件 %1：%2").arg(QDir::toNativeSeparators(path), why);
        return false;
    }
    return true;
}
