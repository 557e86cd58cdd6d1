#pragma once
// The program's own icon, built into the binary so every window shows it even when the
// package's icon theme files are not installed (a build run from its folder).
#include <QIcon>

// Every rendered size of the icon, 16 to 256 pixels.
QIcon ApplicationIcon();
