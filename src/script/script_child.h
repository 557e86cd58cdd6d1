#pragma once
// The script host mode of every program that links the core: started with the environment
// below, the program serves script evaluations on its inherited socket and never reaches its
// own main().
#include <QByteArray>
#include <QList>
#include <utility>

// The environment that starts a copy of this program as a script host whose address space may
// grow by `memoryLimitBytes`.
QList<std::pair<QByteArray, QByteArray>> ScriptHostEnvironment(qint64 memoryLimitBytes);
