# Turns text files (dialog templates, label table, script templates) into C++
# sources, so the program carries its resources without a resource compiler.
# Each file <name>.<ext> becomes `extern const std::string_view kResource_<name>_<ext>`
# declared in generated/embedded_resources.h (or the header named by
# EMBED_HEADER, for a folder whose files stay apart from the core's).
function(embed_text_files out_var)
  set(generated_dir ${CMAKE_CURRENT_BINARY_DIR}/generated)
  file(MAKE_DIRECTORY ${generated_dir})
  set(header "#pragma once\n#include <string_view>\n")
  set(sources)
  foreach(file IN LISTS ARGN)
    get_filename_component(base ${file} NAME)
    string(MAKE_C_IDENTIFIER ${base} ident)
    set(out ${generated_dir}/embedded_${ident}.cpp)
    add_custom_command(
      OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -DINPUT=${file} -DOUTPUT=${out} -DIDENT=${ident}
              -P ${PROJECT_SOURCE_DIR}/cmake/EmbedOne.cmake
      DEPENDS ${file} ${PROJECT_SOURCE_DIR}/cmake/EmbedOne.cmake
      VERBATIM)
    string(APPEND header "extern const std::string_view kResource_${ident};\n")
    list(APPEND sources ${out})
  endforeach()
  if(NOT EMBED_HEADER)
    set(EMBED_HEADER embedded_resources.h)
  endif()
  file(CONFIGURE OUTPUT ${generated_dir}/${EMBED_HEADER} CONTENT "${header}")
  set(${out_var} ${sources} PARENT_SCOPE)
endfunction()
