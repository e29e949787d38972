# Compiler warnings and sanitizers shared by every target of the project.
function(tarnwell_target_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  # Windows programs carry the version resource the console's caption reads.
  get_target_property(target_type ${target} TYPE)
  if(WIN32 AND target_type STREQUAL "EXECUTABLE")
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/resources/version.rc)
  endif()
endfunction()

if(TARNWELL_SANITIZE)
  # Everything, static libraries included, is built with the same sanitizers.
  add_compile_options(-fsanitize=${TARNWELL_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${TARNWELL_SANITIZE})
endif()

# A static library made of the .cpp files of one folder, leaving out program
# entry points (*_main.cpp); an interface library while the folder is empty.
function(tarnwell_folder_library name folder)
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "_main\\.cpp$")
  if(sources)
    add_library(${name} STATIC ${sources})
    tarnwell_target_options(${name})
  else()
    add_library(${name} INTERFACE)
  endif()
endfunction()
