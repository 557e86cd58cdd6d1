#pragma once
// The state of an open serial line as the system sees it.
#include <QtGlobal>

// Whether the other end of the open line `fd` has hung up (a pseudo-terminal's device side
// closed, a device gone): reads there fail for good.
bool LineHungUp(qintptr fd);
