# Writes the script file IN as a C++ source OUT defining the embedded text.
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" hexlen)
math(EXPR size "${hexlen} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE ${OUT} "// Generated from the embedded script; do not edit.\n#include <cstddef>\n\nnamespace embed {\nextern const unsigned char kScriptBytes[];\nextern const std::size_t kScriptSize;\nconst unsigned char kScriptBytes[] = {\n${bytes}0x00};\nconst std::size_t kScriptSize = ${size};\n}  // namespace embed\n")
