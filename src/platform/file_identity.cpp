#include "platform/file_identity.h"

#include <QFile>
#include <sys/stat.h>

QByteArray FileIdentity(const QString &path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return QByteArray::number(quint64(st.st_dev)) + ':' + QByteArray::number(quint64(st.st_ino));
}
