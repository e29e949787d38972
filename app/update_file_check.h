#pragma once
// What makes a file fit for an update, judged from its first bytes only: any
// firmware file is taken; a picture must be an 8-bit bitmap.
#include <cstddef>
#include <cstdint>

namespace tarnwell {

enum UpdateFileKind : int {
    UpdateFileFirmware = 0,
    UpdateFilePicture = 1,
};

// The file's first bytes need not go beyond offset 28.
inline constexpr size_t kUpdateFileHeadLength = 32;

// `head` holds the first `length` bytes of the file (fewer when the file is
// shorter); bytes past the file's end count as zero. 1 accepted, 0 refused.
int AcceptsUpdateFileHead(int kind, const uint8_t* head, size_t length);

} // namespace tarnwell
