# Cross build for 64-bit Windows with Debian's mingw-w64 (posix thread model,
# so std::thread works). Programs link the compiler runtimes statically and run
# under Wine or on Windows without extra DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TARNWELL_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TARNWELL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARNWELL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TARNWELL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TARNWELL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The Windows 7 level of the system calls; the POSIX level brings localtime_r and
# gmtime_r, and a printf that knows %zu and %lld. Without 64-bit file offsets
# stat and fseeko stop at 2 GiB.
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 WIN32_LEAN_AND_MEAN NOMINMAX _POSIX_C_SOURCE=200809L
                        _FILE_OFFSET_BITS=64)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Programs look for zlib through its static archive; no zlib1.dll to ship.
set(ZLIB_USE_STATIC_LIBS ON)
