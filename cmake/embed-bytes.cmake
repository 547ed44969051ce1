# Writes a C++ source that holds a file's bytes and a function returning
# them, so that a program carries the file inside itself.
# Usage: cmake -DINPUT=file -DOUTPUT=source.cpp -DHEADER=include/path.h
#              -DFUNCTION=Name -P embed-bytes.cmake
# The header declares `ResourceBytes FUNCTION();` (a std::span of bytes).
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
if(size EQUAL 0)
  message(FATAL_ERROR "${INPUT} is empty")
endif()
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
get_filename_component(name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.new"
"// Generated at build time from ${name}; not to be edited.
#include \"${HEADER}\"

namespace {
const std::uint8_t kBytes[${size}] = {
${bytes}
};
}  // namespace

ResourceBytes ${FUNCTION}() {
    return {kBytes, sizeof kBytes};
}
")
# Rewritten only when changed, so an unchanged file compiles nothing.
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
