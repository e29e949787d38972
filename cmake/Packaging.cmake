# The Debian package (`cpack -G DEB` in the build folder, or tools/build-package.sh):
# the programs, the device-search library in a private folder, the menu entry,
# hicolor icons, one manual page per program and AppStream metainfo.
# Included at the end of the top-level CMakeLists, after every program's target.
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux" OR CMAKE_CROSSCOMPILING)
  return()
endif()

set(TARNWELL_APP_ID org.tarnwell.Tarnwell)
set(TARNWELL_PACKAGE_MAINTAINER "Tarnwell developers <tarnwell@tarnwell.org>" CACHE STRING
    "Maintainer field of the Debian package")
# The device-search library is private to the package: a folder of its own in
# the multiarch library folder (not one ldconfig reads, so no maintainer
# scripts), which the console finds relative to its own folder.
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(TARNWELL_PRIVATE_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE}/tarnwell)
else()
  set(TARNWELL_PRIVATE_LIBDIR lib/tarnwell)
endif()
set_source_files_properties(${PROJECT_SOURCE_DIR}/net/device_search_library.cpp PROPERTIES
  COMPILE_DEFINITIONS TARNWELL_INSTALLED_LIBRARY_FOLDER="../${TARNWELL_PRIVATE_LIBDIR}")
set(TARNWELL_ICON_SIZES 16 22 24 32 48 64 128 256)
set(package_files ${CMAKE_BINARY_DIR}/package-files)
set(package_outputs)
set(package_program_lines)

# Manual pages are made from each program's --help, so they cannot drift from it.
find_program(HELP2MAN help2man REQUIRED)

# One line per program: its target (the installed command name) and the
# one-line summary of its manual page. Programs this build does not make are
# left out; tools/check-package.sh runs --help of whatever the package holds.
function(tarnwell_package_program target summary)
  if(NOT TARGET ${target})
    return()
  endif()
  install(TARGETS ${target} RUNTIME DESTINATION bin)
  set(page ${package_files}/man/${target}.1)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${package_files}/man
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            ${HELP2MAN} --no-info --section=1 --version-string=${PROJECT_VERSION}
            --name=${summary} --output=${page} $<TARGET_FILE:${target}>
    COMMAND gzip -9nf ${page}
    DEPENDS ${target}
    COMMENT "Manual page of ${target}"
    VERBATIM)
  install(FILES ${page}.gz DESTINATION share/man/man1)
  set(package_outputs ${package_outputs} ${page}.gz PARENT_SCOPE)
  set(package_program_lines "${package_program_lines}\n ${target} - ${summary}" PARENT_SCOPE)
endfunction()

tarnwell_package_program(tarnwell "operator console for networked video devices")
tarnwell_package_program(tarnwell-devsim "simulated networked video devices on loopback")
tarnwell_package_program(tarnwell-mkcramfs "write boot-logo cramfs images")
tarnwell_package_program(tarnwell-line "provision many units of a factory line at once")
tarnwell_package_program(tarnwell-journal "manufacturing journal and MAC address allocator")

if(TARGET tarnwell_devsearch)
  install(TARGETS tarnwell_devsearch LIBRARY DESTINATION ${TARNWELL_PRIVATE_LIBDIR}
          PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endif()

# The menu entry, its icons (drawn by the console's own icon code) and the metainfo.
if(TARGET tarnwell AND TARGET tarnwell_gui)
  add_executable(tarnwell-render-icons ${PROJECT_SOURCE_DIR}/packaging/render_icons.cpp)
  target_link_libraries(tarnwell-render-icons PRIVATE tarnwell_gui)
  tarnwell_target_options(tarnwell-render-icons)
  set(icon_outputs)
  foreach(size IN LISTS TARNWELL_ICON_SIZES)
    list(APPEND icon_outputs ${package_files}/icons/${size}x${size}/apps/${TARNWELL_APP_ID}.png)
  endforeach()
  add_custom_command(OUTPUT ${icon_outputs}
    COMMAND tarnwell-render-icons ${package_files}/icons ${TARNWELL_APP_ID} ${TARNWELL_ICON_SIZES}
    DEPENDS tarnwell-render-icons
    COMMENT "Menu icons"
    VERBATIM)
  list(APPEND package_outputs ${icon_outputs})
  install(DIRECTORY ${package_files}/icons/ DESTINATION share/icons/hicolor)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/${TARNWELL_APP_ID}.desktop DESTINATION share/applications)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/${TARNWELL_APP_ID}.metainfo.xml.in
                 ${package_files}/${TARNWELL_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${package_files}/${TARNWELL_APP_ID}.metainfo.xml DESTINATION share/metainfo)
endif()

configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${package_files}/changelog @ONLY)
add_custom_command(OUTPUT ${package_files}/changelog.gz
  COMMAND gzip -9nkf ${package_files}/changelog
  DEPENDS ${package_files}/changelog
  VERBATIM)
list(APPEND package_outputs ${package_files}/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${package_files}/changelog.gz
        DESTINATION share/doc/tarnwell)

add_custom_target(tarnwell_package_files ALL DEPENDS ${package_outputs})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarnwell)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${TARNWELL_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"provision networked video devices on a factory line
Tarnwell upgrades the firmware of networked video devices from tar
packages and sets their UI language, MAC address, video standard, clock
and serial number, grabs snapshots and replaces boot logos, over the
devices' TCP command channel and web CGI.

The package holds these programs:${package_program_lines}\n")
include(CPack)
