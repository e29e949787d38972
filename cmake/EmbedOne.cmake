# Writes one text file as a byte array, so any byte (tabs, UTF-8) survives exactly.
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR byte_count "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE ${OUTPUT}
  "#include <string_view>\n"
  "static const unsigned char data[] = {${bytes} 0};\n"
  "extern const std::string_view kResource_${IDENT};\n"
  "const std::string_view kResource_${IDENT}(reinterpret_cast<const char*>(data), ${byte_count});\n")
