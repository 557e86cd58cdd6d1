#pragma once
// A temporary folder for file tests: write and read files by name, list what is left in it.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class TempFileDir {
public:
    TempFileDir();
    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // Writes bytes as they are; returns the file's full path.
    QString write(const QString &name, const QByteArray &bytes) const;
    QString writeUtf8(const QString &name, const QString &text) const { return write(name, text.toUtf8()); }
    // Writes the text in the GBK code page.
    QString writeGbk(const QString &name, const QString &text) const;
    QByteArray read(const QString &name) const;
    // Every entry of the folder, hidden ones included, sorted by name.
    QStringList entries() const;

private:
    QTemporaryDir m_dir;
};
