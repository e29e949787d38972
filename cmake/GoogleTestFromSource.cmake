# A cross build has no GoogleTest of its own: it compiles Debian's source copy
# (package googletest, /usr/src/googletest) with the cross compiler, as the
# same GTest::gtest and GTest::gtest_main targets the host package provides.
set(TARNWELL_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for a cross build")
if(NOT EXISTS ${TARNWELL_GOOGLETEST_SOURCE}/googletest/CMakeLists.txt)
  message(FATAL_ERROR "${TARNWELL_GOOGLETEST_SOURCE} holds no GoogleTest sources; install the googletest package")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${TARNWELL_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
