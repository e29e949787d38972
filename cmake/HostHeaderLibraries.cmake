# CLI11 and nlohmann-json are header-only. A cross build has no copies of its
# own, so it takes the host's headers, copied into a folder of the build that
# holds just those two libraries: the rest of /usr/include stays out of reach.
function(tarnwell_host_header_library target header_folder)
  set(folder ${CMAKE_BINARY_DIR}/host-headers)
  if(NOT EXISTS /usr/include/${header_folder})
    message(FATAL_ERROR "/usr/include/${header_folder} is missing; install the host's development package")
  endif()
  file(COPY /usr/include/${header_folder} DESTINATION ${folder})
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  target_include_directories(${target} INTERFACE ${folder})
endfunction()

if(CMAKE_CROSSCOMPILING)
  tarnwell_host_header_library(CLI11::CLI11 CLI)
  tarnwell_host_header_library(nlohmann_json::nlohmann_json nlohmann)
endif()
