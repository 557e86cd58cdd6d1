#pragma once
// Which file a path names now: a file replaced under the same name (moved over, removed and
// made again) is another file, though its name is the same.
#include <QByteArray>
#include <QString>

// The file's device and inode as text; empty when there is no file.
QByteArray FileIdentity(const QString &path);
