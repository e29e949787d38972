#pragma once
// Writes a compressed ROM filesystem (cramfs, little-endian) image holding one
// root directory with one regular-file entry per input file, in one buffer and
// one write.
//
// Entries are named for the device's logo loader, not after their inputs: the
// part of the path after the last '/' (else after the last '\\') is kept when
// it is one of "bmp_logo.bmp", "bmp_logo_middle.bmp", "bmp_logo_8ch.bmp"
// (any letter case), otherwise it becomes "bmp_logo.bmp"; then it is lowered.
// Entries are sorted by name, equal names in argument order.
//
// Progress lines go to `out`, problem reports to `err`. The writer never ends
// the process; each call starts with fresh counters, so images can be built one
// after the other.
#include <cstdio>

namespace tarnwell {

struct MkcramfsResult {
    // 0 on success and for the usage text; otherwise 1 (an input or the output
    // could not be opened or read, out of memory), 16 (an input's status could
    // not be obtained) or 8 (the image does not fit or could not be written).
    int exitStatus = 0;
    // True only when the whole image was written and the output closed cleanly.
    // On any failure after the output was opened, the output is left empty.
    bool imageWritten = false;
};

// argv[0] is the program name, argv[1] the output path, argv[2..argc-1] the
// input paths. Fewer than 3 arguments prints the usage text: status 0, no image.
MkcramfsResult mkcramfs(int argc, const char* const argv[], std::FILE* out = stdout, std::FILE* err = stderr);

} // namespace tarnwell
