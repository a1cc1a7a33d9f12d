# Turns a binary file into a C++ source that holds its bytes.
#   cmake -DINPUT=file -DOUTPUT=file.cpp -DFUNCTION=DpinstX86 -P embed_image.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
if(digits EQUAL 0)
  message(FATAL_ERROR "${INPUT} is empty")
endif()
# Sixteen bytes to a line.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
get_filename_component(name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${name} at build time; do not edit.\n"
  "#include \"deploy/payloads/payloads.h\"\n\n"
  "namespace setup::payloads {\n"
  "namespace {\n"
  "const unsigned char kBytes[] = {\n${bytes}\n};\n"
  "}  // namespace\n\n"
  "Image ${FUNCTION}() {\n    return {kBytes, sizeof kBytes};\n}\n\n"
  "}  // namespace setup::payloads\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
