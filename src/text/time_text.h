#pragma once
#include <QString>
#include <QTime>

// The time stamp of every test-page log line.
inline QString TimeText() { return QTime::currentTime().toString(QStringLiteral("HH:mm:ss")); }
