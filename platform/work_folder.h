#pragma once
// The one per-user folder where the tool keeps its work files (logo.cramfs,
// Install.lua, temp_logo.bin, ...): $XDG_DATA_HOME/Tarnwell/work, or
// ~/.local/share/Tarnwell/work, created on first use with mode 0700; on
// Windows %LOCALAPPDATA%\Tarnwell\work.
#include <string>

namespace tarnwell {

// The environment variable naming the folder the work folder lives in.
extern const char kWorkFolderBaseVariable[];

// The folder's path, created when missing; empty when it cannot be created.
std::string WorkFolderPath();
// A file of that name inside the work folder; empty when there is no folder.
std::string WorkFilePath(const std::string& name);
// A file of that name inside `folder`, or inside the work folder when `folder`
// is empty. Units provisioned side by side each keep their files apart.
std::string WorkFilePath(const std::string& folder, const std::string& name);

} // namespace tarnwell
