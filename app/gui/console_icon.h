#pragma once
#include <QIcon>
#include <QImage>

namespace tarnwell {

// The program's icon (icon resource 128): drawn, so it needs no image file.
QIcon ConsoleIcon();

// The same drawing at any size; the package's menu icons are made from it.
QImage DrawConsoleIcon(int size);

} // namespace tarnwell
