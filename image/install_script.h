#pragma once
// The device's logo install script. The device's installer takes it as one
// line: every line of the readable template followed by a single blank, tabs
// kept, no line breaks and no terminating zero (2001 bytes).
#include <string>

namespace tarnwell {

// The script for a flash layout: the partition table of layout A when the flag
// is 0, of layout B otherwise.
const std::string& InstallScriptText(int flashLayoutFlag);

// Writes the script for the console's FlashLayoutFlag to "Install.lua" in the
// console's work folder (WorkFilePath(workFolder, ...)). Returns 0 and sets
// `out` to that path, or -1 with `out` empty after printing "fopen <path> fail"
// on standard output when the file cannot be written.
int WriteInstallScript(std::string& out, int flashLayoutFlag, const std::string& workFolder = {});

} // namespace tarnwell
