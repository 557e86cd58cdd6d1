#include "support/temp_file_dir.h"

#include "text/text_codec.h"

#include <QDir>
#include <QFile>

TempFileDir::TempFileDir() = default;

QString TempFileDir::write(const QString &name, const QByteArray &bytes) const
{
    const QString p = filePath(name);
    QFile f(p);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
    return p;
}

QString TempFileDir::writeGbk(const QString &name, const QString &text) const
{
    return write(name, GbkEncode(text));
}

QByteArray TempFileDir::read(const QString &name) const
{
    QFile f(filePath(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList TempFileDir::entries() const
{
    return QDir(path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}
