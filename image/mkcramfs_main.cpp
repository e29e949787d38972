// mkcramfs outfile infile1 infile2 ...: the logo image writer as a command.
#include "image/mkcramfs.h"

int main(int argc, char* argv[]) {
    return tarnwell::mkcramfs(argc, argv).exitStatus;
}
