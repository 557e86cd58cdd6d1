#include "profile/profile_session.h"

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
    QFile f(lastFilePath());
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    QString text = DecodeText(f.readAll()).text;
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    return text;
}
