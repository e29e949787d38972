#pragma once
// The folder where this user's lasting data (the journal) lives by default:
// $XDG_DATA_HOME, else ~/.local/share; on Windows %LOCALAPPDATA%. "." when
// the environment names none.
#include <string>

namespace tarnwell {

std::string UserDataFolder();

} // namespace tarnwell
