#pragma once
// Turns the operator's logo bitmaps into the image the picture update sends:
// runs the image writer in-process and checks that the install script can be
// written (the script itself is not sent, so it is deleted again).
#include "text/bilingual_text.h"

#include <string>

namespace tarnwell {

inline constexpr int kBuildFlashImageOk = 0;
// The install script could not be written; the image stays on disk.
inline constexpr int kInstallScriptNotCreated = -1;
// The kind text names none of "logo", "web", "custom"; nothing was built.
inline constexpr int kUnknownFileType = -2;
// The image writer failed or had no input; no image is left on disk.
inline constexpr int kImageWriterFailed = -3;

// At most this many paths go into one image; later ones are dropped.
inline constexpr int kMaxImageInputs = 12;

// The image named by the kind text, in the work folder (`workFolder`, or the
// user's when empty): "logo" gives logo.cramfs, else "web" gives web.cramfs,
// else "custom" gives custom.cramfs (searched case-sensitively, in that
// order); empty when none matches.
std::string FlashImagePath(const std::string& kindText, const std::string& workFolder = {});

// Builds the image chosen by `kindText` from the first min(fileCount, 12)
// paths. On success returns 0, and `kindText` names the install script, which
// no longer exists. On failure returns one of the negative codes above and
// `failure` says what went wrong, in both languages, for the operator.
// `flashLayoutFlag` chooses the install script's layout; the files go to
// `workFolder` (the user's work folder when empty).
int BuildFlashImage(int fileCount, const std::string filePaths[], std::string& kindText, BilingualText& failure,
                    int flashLayoutFlag, const std::string& workFolder = {});

} // namespace tarnwell
