// Any first bytes of a chosen file: the check reads nothing past them and
// accepts a picture only when it starts "BM" with 8 bits per pixel.
#include <cstdint>
#include <cstdlib>

#include "app/update_file_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tarnwell;
    if (AcceptsUpdateFileHead(UpdateFileFirmware, data, size) != 1) std::abort();
    const int picture = AcceptsUpdateFileHead(UpdateFilePicture, data, size);
    const bool eightBitBitmap = size > 28 && data[0] == 'B' && data[1] == 'M' && data[28] == 8;
    if (picture != (eightBitBitmap ? 1 : 0)) std::abort();
    // Kinds other than firmware and picture are refused.
    if (size > 0 && data[0] > UpdateFilePicture && AcceptsUpdateFileHead(data[0], data, size) != 0) std::abort();
    return 0;
}
