#pragma once
// Creates a widget with its form name, so tests and later code find it with findChild.
#include <QLatin1String>
#include <utility>

template <typename T, typename... Args>
T *named(const char *name, Args &&...args)
{
    T *w = new T(std::forward<Args>(args)...);
    w->setObjectName(QLatin1String(name));
    return w;
}
