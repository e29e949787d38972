# Sourced by the build scripts: Debian's own hardened compiler and linker
# flags. CMake takes them from the environment when a folder is first
# configured, so a package can be made from a folder built with them.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
export CXXFLAGS="$CXXFLAGS $CPPFLAGS" CFLAGS="$CFLAGS $CPPFLAGS"
