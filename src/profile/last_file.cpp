#include "profile/profile_session.h"

#include "text/bounded_read.h"
#include <QDir>
#include <QFile>

namespace {
QString lastFilePath()
{
    return QDir::current().filePath(QStringLiteral("lastfile.log"));
}
} // namespace

bool WriteLastFile(const QString &profilePath, QString *error)
{
    // Exactly the path, no line break after it.
    return WriteFileAtomically(lastFilePath(), profilePath.toUtf8(), error);
}

QString ReadLastFile()
{
    // It holds one path: anything longer is no file this program wrote.
    QByteArray bytes;
    if (ReadFileBounded(lastFilePath(), 64 * 1024, &bytes) != BoundedRead::Ok)
        return QString();
    QString text = DecodeText(bytes).text;
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    return text;
}
