#pragma once
#include <QIcon>

namespace tarnwell {

// The program's icon (icon resource 128): drawn, so it needs no image file.
QIcon ConsoleIcon();

} // namespace tarnwell
