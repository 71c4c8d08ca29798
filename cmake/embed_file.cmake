# Writes a file's bytes into a C++ header as an array, so that a library
# carries data it needs at run time without a path to find it by.
#   cmake -DINPUT=file -DOUTPUT=header.h -DNAME=identifier -P embed_file.cmake
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR length "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Sixteen bytes a line keeps the header readable in a diff.
# (CMake's expressions have no repeat counts.)
string(REPEAT "0x..," 16 line)
string(REGEX REPLACE "(${line})" "\\1\n    " bytes "${bytes}")
get_filename_component(source_name ${INPUT} NAME)
file(WRITE ${OUTPUT}.tmp
"// Generated from ${source_name} by cmake/embed_file.cmake; do not edit.
#pragma once

#include <cstddef>

inline constexpr unsigned char ${NAME}[] = {
    ${bytes}
};
inline constexpr std::size_t ${NAME}_SIZE = ${length};
")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
