// tarnwell-mkcramfs outfile infile1 infile2 ...: the logo image writer as a command.
#include "image/mkcramfs.h"

#include <cstdio>
#include <cstring>

namespace {

const char kHelp[] =
    "Usage: tarnwell-mkcramfs outfile infile1 infile2 ...\n"
    "Writes a cramfs image (little-endian, zlib blocks) holding the input files as\n"
    "the boot-logo entries of a networked video device: an input named\n"
    "bmp_logo.bmp, bmp_logo_8ch.bmp or bmp_logo_middle.bmp keeps its name, any\n"
    "other becomes bmp_logo.bmp. Without inputs it prints a short usage line.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "\n"
    "Exit status:\n"
    "  0              the image was written (or the usage was printed)\n"
    "  1              an input or the output could not be opened or read\n"
    "  8              the image does not fit or could not be written\n"
    "  16             the status of an input could not be obtained\n";

} // namespace

int main(int argc, char* argv[]) {
    // Only as the sole argument: anything else is an output path, as before.
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    return tarnwell::mkcramfs(argc, argv).exitStatus;
}
