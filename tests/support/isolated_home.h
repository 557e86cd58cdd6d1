#pragma once
// Window tests get settings and data folders of their own, fresh for each test process, so
// a preference one test turns on ("快速应答", "自动重连") never leaks into another run, and
// the session log never lands in the real user's folder.
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

namespace support {
inline const bool kIsolatedHome = [] {
    static QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    return true;
}();
} // namespace support
